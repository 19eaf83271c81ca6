// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "audio/codecs/wm_in.h"
#include "audio/codecs/wma_out.h"
#include "audio/core/au_exception.h"
#include "audio/wav/wave_out.h"
#include "support/http/loopback_http_server.h"
#include "wm_test_support.h"

namespace {

constexpr int kRate = 44100;

// Half a second of loud noise, then a quiet sine: a VBR encoder spends many
// bits on the first frames and few afterwards, so an estimate of the length
// from the first frame's bit rate falls far short.
std::vector<std::uint8_t> NoiseThenSine(std::size_t frames) {
    std::vector<std::uint8_t> pcm = SinePcm(frames, 16, 2, kRate, 330.0);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> noise(-30000, 30000);
    for (std::size_t i = 0; i < static_cast<std::size_t>(kRate / 2) * 2; ++i) {
        const auto value = static_cast<std::int16_t>(noise(random));
        std::memcpy(pcm.data() + 2 * i, &value, 2);
    }
    for (std::size_t i = kRate; i < pcm.size() / 2; ++i) {
        std::int16_t value = 0;
        std::memcpy(&value, pcm.data() + 2 * i, 2);
        value = static_cast<std::int16_t>(value / 20);
        std::memcpy(pcm.data() + 2 * i, &value, 2);
    }
    return pcm;
}

// Encodes raw 44.1 kHz stereo with a shell command where {in} and {out}
// stand for the paths.
void Make(const std::string& command, const std::string& raw, const std::string& out) {
    std::string line = command;
    line.replace(line.find("{in}"), 4, "'" + raw + "'");
    line.replace(line.find("{out}"), 5, "'" + out + "'");
    ASSERT_EQ(RunCommand(line + " 2>/dev/null").Status, 0) << line;
}

const std::string kFfmpegRaw = "ffmpeg -v error -y -f s16le -ar 44100 -ac 2 -i {in} ";
const std::string kLameRaw = "lame --quiet -r -s 44.1 --bitwidth 16 --signed --little-endian ";

std::string Convert(TAuInput& input, const std::string& wav) {
    TWaveOut output;
    output.SetInput(&input);
    output.SetFileName(wav);
    return RunToEnd(output);
}

struct DecodeCase {
    const char* Name;
    std::string Command;
};

TEST(WmIn, DeliversWhatFfmpegDecodesForWmaAndMp3) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("lame");
    TestFolder folder;
    const std::string raw = folder.File("in.raw");
    WriteFileBytes(raw, NoiseThenSine(kRate * 4 + 123));
    const DecodeCase cases[] = {
        {"v2.wma", kFfmpegRaw + "-c:a wmav2 -b:a 128k {out}"},
        {"v1.wma", kFfmpegRaw + "-c:a wmav1 -b:a 64k {out}"},
        {"cbr.mp3", kLameRaw + "-b 128 {in} {out}"},
        {"vbr.mp3", kLameRaw + "-V 2 {in} {out}"},
        // No length header: the length FFmpeg reports is a guess.
        {"vbr-t.mp3", kLameRaw + "-V 2 -t {in} {out}"},
    };
    for (const DecodeCase& c : cases) {
        const std::string file = folder.File(c.Name);
        Make(c.Command, raw, file);
        const std::vector<std::int16_t> expected = FfmpegS16("-i '" + file + "'");
        TWMIn input;
        input.SetFileName(file);
        EXPECT_EQ(input.Channels(), 2) << c.Name;
        EXPECT_EQ(input.SampleRate(), kRate) << c.Name;
        EXPECT_EQ(input.BitsPerSample(), 16) << c.Name;
        EXPECT_TRUE(AsSamples(ReadPass(input)) == expected) << c.Name;
        // The same through the pipeline into a WAV file.
        ASSERT_EQ(Convert(input, folder.File("out.wav")), "") << c.Name;
        EXPECT_TRUE(FfmpegS16("-i '" + folder.File("out.wav") + "'") == expected) << c.Name;
    }
}

struct TagCase {
    const char* Name;
    std::string Command;
    std::u16string Artist, Title, Album, Genre, Track, Year, Comment;
};

TEST(WmIn, AttributesMapToTheTagFields) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("lame");
    TestFolder folder;
    const std::string raw = folder.File("in.raw");
    WriteFileBytes(raw, SinePcm(kRate, 16, 2, kRate));
    const TagCase cases[] = {
        {"t.wma",
         kFfmpegRaw + "-c:a wmav2 -metadata title=T -metadata artist=A -metadata album=Al "
                      "-metadata genre=G -metadata WM/Year=2001 -metadata copyright=C "
                      "-metadata WM/Track=4 {out}",
         u"A", u"T", u"Al", u"G", u"5", u"2001", u"C"},
        {"v2.mp3",
         kLameRaw + "--tt T --ta A --tl Al --ty 2001 --tn 3/12 --tg Rock --tv TCOP=C {in} {out}",
         u"A", u"T", u"Al", u"Rock", u"3/12", u"2001", u"C"},
        {"v1.mp3",
         kLameRaw + "--id3v1-only --tt T --ta A --tl Al --ty 2001 --tn 3 --tg Rock {in} {out}",
         u"A", u"T", u"Al", u"Rock", u"3", u"2001", u""},
    };
    for (const TagCase& c : cases) {
        const std::string file = folder.File(c.Name);
        Make(c.Command, raw, file);
        TMP3In input;
        input.SetFileName(file);
        const TId3v2Tags& tags = input.Id3v2Tags();
        ASSERT_TRUE(input.Valid()) << c.Name;
        EXPECT_EQ(tags.Artist(), c.Artist) << c.Name;
        EXPECT_EQ(tags.Title(), c.Title) << c.Name;
        EXPECT_EQ(tags.Album(), c.Album) << c.Name;
        EXPECT_EQ(tags.Genre(), c.Genre) << c.Name;
        EXPECT_EQ(tags.Track(), c.Track) << c.Name;
        EXPECT_EQ(tags.Year(), c.Year) << c.Name;
        EXPECT_EQ(tags.Comment(), c.Comment) << c.Name;
    }
}

TEST(WmIn, OurOwnWmaKeepsItsTagsAndTrackNumber) {
    TestFolder folder;
    MemoryInput pcm(SinePcm(kRate, 16, 2, kRate));
    TWMAOut output;
    output.SetCodecPosition(0);
    output.SetFormatPosition(29);
    output.Id3v2Tags().SetTrack(u"7");
    output.Id3v2Tags().SetTitle(u"Tïtle");
    output.SetInput(&pcm);
    output.SetFileName(folder.File("o.wma"));
    ASSERT_EQ(RunToEnd(output), "");
    TWMIn input;
    input.SetFileName(folder.File("o.wma"));
    EXPECT_EQ(input.Id3v2Tags().Track(), u"7");
    EXPECT_EQ(input.Id3v2Tags().Title(), u"Tïtle");
}

TEST(WmIn, SizeStartsFromTheDurationInHundredthsAndEndsAsTheAudioDelivered) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("lame");
    TestFolder folder;
    const std::vector<std::uint8_t> pcm = SinePcm(544194, 16, 2, kRate);
    WriteFileBytes(folder.File("in.raw"), pcm);
    // A WAV file's duration is exact: 12.34 s.
    Make(kFfmpegRaw + "{out}", folder.File("in.raw"), folder.File("d.wav"));
    // An MP3 file's counts the encoder's delay and padding: 12.38 s.
    Make(kLameRaw + "-b 128 {in} {out}", folder.File("in.raw"), folder.File("d.mp3"));
    struct Case {
        const char* Name;
        std::int64_t Duration;
        std::int64_t TotalSamples;
    };
    for (const Case& c : {Case{"d.wav", 123400000, 544194}, Case{"d.mp3", 123820408, 545958}}) {
        TMP3In input;
        input.SetFileName(folder.File(c.Name));
        EXPECT_NEAR(input.Duration(), c.Duration, 10) << c.Name;
        EXPECT_EQ(input.TotalSamples(), c.TotalSamples) << c.Name;
        EXPECT_EQ(input.Size(), c.TotalSamples * 4) << c.Name;
        const std::vector<std::uint8_t> whole = ReadPass(input);
        EXPECT_EQ(whole.size(), pcm.size()) << c.Name;
        EXPECT_EQ(input.Size(), 2176776) << c.Name;
        // A window ends after its last frame; one ending beyond the audio
        // reads it all.
        for (const std::size_t last : {999, 100000000}) {
            input.SetEndSample(static_cast<std::int64_t>(last));
            const std::size_t bytes = std::min((last + 1) * 4, whole.size());
            EXPECT_TRUE(ReadPass(input) == std::vector(whole.begin(), whole.begin() + bytes))
                << c.Name << " to " << last;
        }
    }
}

// Inserts a header object (GUID in file order, then its payload) as the
// first object of an ASF header.
std::vector<std::uint8_t> WithHeaderObject(std::vector<std::uint8_t> asf,
                                           const std::vector<std::uint8_t>& guid,
                                           const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> object = guid;
    const std::uint64_t size = 24 + payload.size();
    for (int b = 0; b < 8; ++b) {
        object.push_back(static_cast<std::uint8_t>(size >> (8 * b)));
    }
    object.insert(object.end(), payload.begin(), payload.end());
    std::uint64_t headerSize = 0;
    std::memcpy(&headerSize, asf.data() + 16, 8);
    headerSize += object.size();
    std::memcpy(asf.data() + 16, &headerSize, 8);
    asf[24] = static_cast<std::uint8_t>(asf[24] + 1);  // object count
    asf.insert(asf.begin() + 30, object.begin(), object.end());
    return asf;
}

std::vector<std::uint8_t> LengthPrefixed(const std::string& text) {
    std::vector<std::uint8_t> bytes(4, 0);
    bytes[0] = static_cast<std::uint8_t>(text.size() + 1);
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
    }
    bytes.push_back(0);
    return bytes;
}

TEST(WmIn, ProtectedDamagedAndShiftedFiles) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder folder;
    WriteFileBytes(folder.File("in.raw"), SinePcm(kRate * 2, 16, 2, kRate));
    Make(kFfmpegRaw + "-c:a wmav2 {out}", folder.File("in.raw"), folder.File("good.wma"));
    const std::vector<std::uint8_t> good = ReadFileBytes(folder.File("good.wma"));
    const std::vector<std::uint8_t> drmV1Guid{0xFB, 0xB3, 0x11, 0x22, 0x23, 0xBD, 0xD2, 0x11,
                                              0xB4, 0xB7, 0x00, 0xA0, 0xC9, 0x55, 0xFC, 0x6E};
    std::vector<std::uint8_t> drmV1{0, 0, 0, 0};  // no secret data
    for (const char* text : {"DRM", "key", "http://licence"}) {
        const std::vector<std::uint8_t> field = LengthPrefixed(text);
        drmV1.insert(drmV1.end(), field.begin(), field.end());
    }
    const std::vector<std::uint8_t> drmExtGuid{0x14, 0xE6, 0x8A, 0x29, 0x22, 0x26, 0x17, 0x4C,
                                               0xB9, 0x35, 0xDA, 0xE0, 0x7E, 0xE9, 0x28, 0x9C};
    std::vector<std::uint8_t> shifted(30, 0x55);
    shifted.insert(shifted.end(), good.begin(), good.end());
    std::vector<std::uint8_t> noise(5000);
    std::mt19937 random(3);
    std::generate(noise.begin(), noise.end(), [&random] { return random() & 0xFF; });

    struct Case {
        const char* Name;
        std::vector<std::uint8_t> Bytes;
        std::string Error;  // empty: decodes
    };
    const Case cases[] = {
        {"drm1.wma", WithHeaderObject(good, drmV1Guid, drmV1), "File is protected"},
        {"drm7.wma", WithHeaderObject(good, drmExtGuid, LengthPrefixed("x")), "File is protected"},
        {"empty.wma", {}, "Cannot decode file "},
        {"noise.wma", noise, "Cannot decode file "},
        {"half.wma", {good.begin(), good.begin() + good.size() / 2}, ""},
        {"shifted.wma", shifted, ""},
    };
    const std::vector<std::int16_t> full = FfmpegS16("-i '" + folder.File("good.wma") + "'");
    for (const Case& c : cases) {
        const std::string file = folder.File(c.Name);
        WriteFileBytes(file, c.Bytes);
        TWMIn input;
        input.SetFileName(file);
        const std::string message = Convert(input, folder.File("out.wav"));
        if (!c.Error.empty()) {
            EXPECT_EQ(message, c.Error == "File is protected" ? c.Error : c.Error + file);
            EXPECT_THROW((void)input.Channels(), EAuException) << c.Name;
            continue;
        }
        ASSERT_EQ(message, "") << c.Name;
        const std::vector<std::int16_t> decoded = AsSamples(ReadPass(input));
        ASSERT_FALSE(decoded.empty()) << c.Name;
        EXPECT_TRUE(std::equal(decoded.begin(), decoded.end() - 4096, full.begin())) << c.Name;
    }
}

// A streaming manifest names the URLs and files that hold the audio; the
// input reads its own file only, whatever the file says.
TEST(WmIn, NeverOpensWhatAFileNames) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder folder;
    WriteFileBytes(folder.File("in.raw"), SinePcm(kRate, 16, 2, kRate));
    Make(kFfmpegRaw + "-c:a aac {out}", folder.File("in.raw"), folder.File("real.m4a"));
    const std::vector<std::uint8_t> m4a = ReadFileBytes(folder.File("real.m4a"));
    LoopbackHttpServer server([&m4a](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Complete, 200, std::string(m4a.begin(), m4a.end())};
    });
    const std::string url = "http://" + server.Address() + "/real.m4a";
    const auto dash = [](const std::string& address) {
        return "<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" type=\"static\" "
               "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\" "
               "mediaPresentationDuration=\"PT1S\"><Period><AdaptationSet mimeType=\"audio/mpeg\">"
               "<Representation id=\"1\" bandwidth=\"8000\"><BaseURL>" +
               address + "</BaseURL></Representation></AdaptationSet></Period></MPD>\n";
    };
    const std::string cases[] = {
        dash(url),
        dash(folder.File("real.m4a")),
    };
    for (const std::string& text : cases) {
        const std::string file = folder.File("list.mp3");
        WriteFileBytes(file, std::vector<std::uint8_t>(text.begin(), text.end()));
        TMP3In input;
        input.SetFileName(file);
        EXPECT_EQ(Convert(input, folder.File("out.wav")), "Cannot decode file " + file) << text;
    }
    EXPECT_TRUE(server.Requests().empty());
}

// A Matroska file of 0.1 s of audio whose header claims `seconds`.
std::vector<std::uint8_t> ClaimingLength(const std::string& made, double seconds) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(made);
    const std::uint8_t durationElement[] = {0x44, 0x89, 0x88};  // a float of 8 bytes
    const auto at = std::search(bytes.begin(), bytes.end(), std::begin(durationElement),
                                std::end(durationElement));
    EXPECT_NE(at, bytes.end());
    const double milliseconds = seconds * 1000;  // the file's time scale
    std::uint64_t bits = 0;
    std::memcpy(&bits, &milliseconds, 8);
    for (int b = 0; b < 8; ++b) {
        at[3 + b] = static_cast<std::uint8_t>(bits >> (56 - 8 * b));
    }
    return bytes;
}

// A length no 64-bit count of 100 ns, frames or bytes can hold counts as
// unknown; the audio itself still plays, and seeking to the last frame of a
// long one stays in range.
TEST(WmIn, LengthsTooLongToCountAreUnknown) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder folder;
    struct Case {
        int Rate;
        double Seconds;  // claimed
        bool DurationKnown;
        bool FramesKnown;
    };
    const Case cases[] = {
        {8000, 1e12, false, false},    // 10^19 x 100 ns
        {4000000, 9e11, true, false},  // 3.6 x 10^18 frames of 4 bytes
        {192000, 9e11, true, true},    // duration x rate is beyond 64 bits, frames are not
        {8000, 1e11, true, true},
    };
    for (const Case& c : cases) {
        const std::string made = folder.File("made.mka");
        ASSERT_EQ(
            RunCommand("ffmpeg -v error -y -f lavfi -i sine=sample_rate=" + std::to_string(c.Rate) +
                       ":duration=0.1 -ac 2 -c:a pcm_s16le '" + made + "'")
                .Status,
            0);
        AuMemoryStream stream(ClaimingLength(made, c.Seconds));
        TMP3In input;
        input.SetStream(&stream);
        const double duration = c.DurationKnown ? c.Seconds * 1e7 : 0;
        EXPECT_NEAR(static_cast<double>(input.Duration()), duration, duration * 1e-12) << c.Rate;
        const double frames = c.FramesKnown ? c.Seconds * c.Rate : -1;
        EXPECT_NEAR(static_cast<double>(input.TotalSamples()), frames, std::abs(frames) * 1e-12)
            << c.Rate;
        EXPECT_EQ(ReadPass(input).size(), static_cast<std::size_t>(c.Rate / 10 * 4)) << c.Rate;
        if (c.FramesKnown) {
            input.Init();
            EXPECT_TRUE(input.Seek(input.TotalSamples() - 1)) << c.Rate;
            const std::uint8_t* buffer = nullptr;
            std::size_t bytes = 4096;
            input.GetData(buffer, bytes);
            EXPECT_LE(bytes, 4u) << c.Rate;
            input.Flush();
        }
        input.SetStream(nullptr);
    }
}

}  // namespace

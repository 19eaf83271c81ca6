// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/file_converter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "settings/app_paths.h"
#include "settings/options_setting.h"
#include "support/audio/run_output.h"
#include "tool_test_support.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Stands in for the window: queues the posted messages, answers the
// overwrite question by a set of declined paths, and records what it is
// shown.
class ScriptedView final : public FileConverterView {
public:
    void PostNextFile(int word) override { Posted.push_back(word); }
    void ShowInputFile(const std::string& name, int completed) override {
        Shown.push_back(name + "@" + std::to_string(completed));
    }
    void ShowOutputFile(const std::string&) override {}
    void ShowProgress(int) override {}
    bool AskOverwrite(const std::string& outputPath) override {
        Asked.push_back(outputPath);
        return Declined.count(outputPath) == 0;
    }
    void ReportFailure(const std::string& inputName, const std::string& reason) override {
        Failures.push_back(inputName + ": " + reason);
    }
    void CloseWindow() override {
        Closed = true;
        Batch->FormClose();
    }

    // Delivers the posted messages until the batch closes the window.
    void RunBatch() {
        while (!Closed) {
            ASSERT_TRUE(PumpUntil([this] { return !Posted.empty(); }, std::chrono::seconds(120)))
                << "the batch stands still";
            const int word = Posted.front();
            Posted.pop_front();
            Batch->NextFile(word);
        }
    }

    FileConverterBatch* Batch = nullptr;
    std::deque<int> Posted;
    std::set<std::string> Declined;
    std::vector<std::string> Shown;
    std::vector<std::string> Asked;
    std::vector<std::string> Failures;
    bool Closed = false;
};

class FileConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"sox", "lame", "ffmpeg", "ffprobe", "flac", "oggdec"}) {
            SKIP_WITHOUT_PROGRAM(program);
        }
        fs::create_directory(m_out);
    }

    // Converts the files of one kind into the output folder, to the end.
    void Convert(int kind, const std::vector<std::string>& files,
                 const std::string& folder = std::string(),
                 const std::set<std::string>& declined = {}, const TTagRecord& discTags = {}) {
        TOptionsSetting settings = DefaultSettings();
        settings.CommonOptions.OutputFolder = folder.empty() ? m_out : folder;
        m_view = ScriptedView{};
        m_view.Declined = declined;
        m_batch = std::make_unique<FileConverterBatch>(kind, files, settings, discTags, m_view);
        m_view.Batch = m_batch.get();
        m_view.RunBatch();
    }

    // The settings of a first start (no "options.ini" yet).
    TOptionsSetting DefaultSettings() const {
        TOptionsSetting settings;
        LoadOptions(settings, TAppPaths(m_folder.File("program"), m_folder.File("config")));
        return settings;
    }

    std::string In(const std::string& name) const { return m_folder.File(name); }
    std::string Out(const std::string& name) const { return m_out + "/" + name; }

    // Two seconds of CD-format audio, or of the format of sox's options.
    std::string Wav(const std::string& name, const std::string& format = "-r 44100 -b 16 -c 2") {
        MakeWav(In(name), format, 2.0);
        return In(name);
    }
    std::string Mp3(const std::string& name, const std::string& lameOptions) {
        const std::string wav = Wav(name + ".src.wav");
        Shell("lame --quiet " + lameOptions + " '" + wav + "' '" + In(name) + "'");
        return In(name);
    }
    std::string Wma(const std::string& name, const std::string& metadata = std::string()) {
        const std::string wav = Wav(name + ".src.wav");
        Shell("ffmpeg -v error -i '" + wav + "' -c:a wmav2 -b:a 128k " + metadata + " '" +
              In(name) + "'");
        return In(name);
    }

    std::string Source(const std::string& name, const std::string& options) {
        if (name.ends_with(".mp3")) {
            return Mp3(name, options);
        }
        if (name.ends_with(".wma")) {
            return Wma(name, options);
        }
        return options.empty() ? Wav(name) : Wav(name, options);
    }

    TestFolder m_folder;
    const std::string m_out = m_folder.File("out");
    ScriptedView m_view;
    std::unique_ptr<FileConverterBatch> m_batch;
};

// Seconds of audio in a file as an independent decoder delivers them.
double DecodedSeconds(const std::string& decodeToWav, const std::string& wav) {
    Shell(decodeToWav);
    const SoundInfo info = Soxi(wav);
    return static_cast<double>(info.Frames) / info.SampleRate;
}

std::string FfmpegToWav(const std::string& path) {
    return "ffmpeg -v error -y -i '" + path + "' '" + path + ".dec.wav'";
}

TEST(ConvertedFilePathTest, FolderNameAndExtension) {
    const struct {
        std::string folder, input, extension, expected;
    } cases[] = {
        {"/out", "/music/a.b.wav", ".mp3", "/out/a.b.mp3"},
        {"/out/", "/music/a.b.wav", ".mp3", "/out/a.b.mp3"},
        {"/out", "/mu.sic/noextension", ".ogg", "/out/noextension.ogg"},
        {"/out", "/music/x.WAV", ".flac", "/out/x.flac"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertedFilePath(c.folder, c.input, c.extension), c.expected) << c.input;
    }
}

TEST(TrackNumberTest, OnlyPlainNumbersCount) {
    const struct {
        std::u16string text;
        int expected;
    } cases[] = {{u"3", 3},    {u"0003", 3}, {u"255", 255}, {u"99999999999", 0},
                 {u"3/12", 0}, {u"", 0},     {u" 3", 0},    {u"256", 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(TrackNumberOf(c.text), c.expected);
    }
}

// Each kind on a real file of its source format; the output is decoded by
// another program and must hold the source's length (lossless outputs: the
// very samples).
TEST_F(FileConverterTest, EveryKindConvertsRealFiles) {
    const struct {
        int kind;
        std::string source;   // made by sox (.wav), lame (.mp3) or ffmpeg (.wma)
        std::string options;  // of the maker; for sox the format (empty: CD audio)
        std::string output;
        std::function<std::string(const std::string&)> decode;  // writes <out>.dec.wav
    } kinds[] = {
        {2, "k2.wav", "", "k2.mp3", FfmpegToWav},
        // The MP3 encoder takes 16 bits only: other widths are converted.
        {2, "k2_8bit.wav", "-r 22050 -b 8 -c 1", "k2_8bit.mp3", FfmpegToWav},
        {2, "k2_24bit.wav", "-r 48000 -b 24 -c 2", "k2_24bit.mp3", FfmpegToWav},
        {2, "k2_float.wav", "-r 44100 -e floating-point -b 32 -c 2", "k2_float.mp3", FfmpegToWav},
        {3, "k3.wav", "", "k3.ogg",
         [](const std::string& p) { return "oggdec -Q -o '" + p + ".dec.wav' '" + p + "'"; }},
        {4, "k4.wav", "", "k4.wma", FfmpegToWav},
        {5, "k5.wav", "", "k5.flac",
         [](const std::string& p) { return "flac -d -s -f -o '" + p + ".dec.wav' '" + p + "'"; }},
        {6, "k6.wav", "", "k6.ape", FfmpegToWav},
        {7, "k7.mp3", "-m m --resample 22.05", "k7.wav", FfmpegToWav},
        {8, "k8.wma", "", "k8.wav", FfmpegToWav},
        {9, "k9.mp3", "--tt Title9 --ta Artist9 --tl Album9", "k9.wma", FfmpegToWav},
        {10, "k10.wma", "", "k10.mp3", FfmpegToWav},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.source);
        const std::string source = Source(k.source, k.options);
        Convert(k.kind, {source});
        EXPECT_EQ(m_view.Failures, std::vector<std::string>{});
        const std::string output = Out(k.output);
        ASSERT_TRUE(fs::exists(output));
        EXPECT_NEAR(DecodedSeconds(k.decode(output), output + ".dec.wav"), 2.0, 0.1);
        if (k.kind == 5 || k.kind == 6) {
            EXPECT_EQ(RawAudio(output + ".dec.wav"), RawAudio(source));
        }
    }
    // The WAV output keeps the reader's format: 16-bit PCM, mono, 22050 Hz.
    const SoundInfo k7 = Soxi(Out("k7.wav"));
    EXPECT_EQ(k7.SampleRate, 22050);
    EXPECT_EQ(k7.Channels, 1);
    EXPECT_EQ(k7.Bits, 16);
    EXPECT_EQ(k7.Encoding, "Signed Integer PCM");
    // Kind 9 carries the MP3's tags into the Windows Media file.
    for (const std::string tag : {"title=Title9", "artist=Artist9", "album=Album9"}) {
        EXPECT_EQ(Shell("ffprobe -v error -show_entries format_tags=" +
                        tag.substr(0, tag.find('=')) + " -of default=nw=1 '" + Out("k9.wma") + "'"),
                  "TAG:" + tag);
    }
}

// Kind 10 tags the MP3 from the Windows Media file's attributes: the genre
// by its name in the genre list, the track only when it is a plain number.
TEST_F(FileConverterTest, WmaToMp3WritesId3v1FromTheSourceTags) {
    const struct {
        std::string name, genre, track;
        int genreByte, trackByte;
    } cases[] = {
        {"a", "rock", "3/12", 17, 0},
        {"b", "Unknown", "7", 255, 7},
        {"c", "Vocal", "12", 28, 12},
    };
    std::vector<std::string> files;
    for (const auto& c : cases) {
        files.push_back(Wma(c.name + ".wma", "-metadata title=Title_" + c.name +
                                                 " -metadata artist=Artist -metadata genre=" +
                                                 c.genre + " -metadata track=" + c.track));
    }
    Convert(10, files);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes mp3 = ReadFileBytes(Out(c.name + ".mp3"));
        ASSERT_GT(mp3.size(), 128U);
        const Bytes tag(mp3.end() - 128, mp3.end());
        EXPECT_EQ(std::string(tag.begin(), tag.begin() + 3), "TAG");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag[3])), "Title_" + c.name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&tag[33])), "Artist");
        EXPECT_EQ(tag[127], c.genreByte);
        EXPECT_EQ(tag[126], c.trackByte);
    }
}

// Every output carries its source's tags and cover, and the main window's
// disc fields where the source has none; the ID3v1 tag of kind 10 stays as
// the source's attributes give it.
TEST_F(FileConverterTest, SourceTagsAndCoverCarryIntoTheOutput) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    Shell("ffmpeg -v error -f lavfi -i testsrc=size=32x24 -frames:v 1 '" + In("cover.jpg") + "'");
    const std::string tagged =
        " -metadata title=Sourcé -metadata album_artist=Various -metadata disc=1/2 "
        "-metadata track=3 ";
    const std::string mp3 = In("covered.mp3");
    Shell("ffmpeg -v error -i '" + Wav("covered.src.wav") + "' -i '" + In("cover.jpg") +
          "' -map 0:a -map 1:v -c:v copy -disposition:v attached_pic" + tagged + " '" + mp3 + "'");
    const struct {
        int kind;
        std::string source;
        std::string output;
        std::vector<std::string> lines;  // as mutagen prints them
        bool cover;
    } cases[] = {
        {9,
         mp3,
         "covered.wma",
         {"Title=Sourcé", "WM/AlbumArtist=Various", "WM/PartOfSet=1/2", "Author=Disc Artist",
          "WM/AlbumTitle=Disc Album"},
         true},
        {10,
         Wma("plain.wma", tagged),
         "plain.mp3",
         {"TIT2=Sourcé", "TPE2=Various", "TPOS=1/2", "TRCK=3", "TPE1=Disc Artist",
          "TALB=Disc Album", "COMM==eng=Disc note"},
         false},
        {3, Wav("info.wav"), "info.ogg", {"artist=Disc Artist", "comment=Disc note"}, false},
    };
    const TTagRecord disc{.Artist = "Disc Artist", .Album = "Disc Album", .Comment = "Disc note"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        Convert(c.kind, {c.source}, {}, {}, disc);
        EXPECT_EQ(m_view.Failures, std::vector<std::string>{});
        const std::string printed = Shell(
            "/usr/bin/python3 -c 'import mutagen, sys; "
            "print(mutagen.File(sys.argv[1]).tags.pprint())' '" +
            Out(c.output) + "'");
        for (const std::string& line : c.lines) {
            EXPECT_NE(("\n" + printed + "\n").find("\n" + line + "\n"), std::string::npos)
                << line << "\n"
                << printed;
        }
        const std::string picture = Out(c.output) + ".jpg";
        Shell("ffmpeg -v error -i '" + Out(c.output) + "' -map 0:v -c copy -f image2 '" + picture +
              "' 2>/dev/null || true");
        EXPECT_EQ(fs::exists(picture) && ReadFileBytes(picture) == ReadFileBytes(In("cover.jpg")),
                  c.cover);
    }
    // The ID3v1 tag at the end is still the source's: its title, no artist.
    const Bytes id3v1 = ReadFileBytes(Out("plain.mp3"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&id3v1[id3v1.size() - 125])), "Sourc\xe9");
    EXPECT_EQ(id3v1[id3v1.size() - 95], 0);
}

// A declined overwrite and a broken source each skip their file and leave
// the existing output untouched (not tagged either); the batch goes on.
TEST_F(FileConverterTest, SkippedAndBrokenFilesLeaveOtherFilesAlone) {
    const std::string declined = Wma("declined.wma", "-metadata title=New");
    const std::string broken = In("broken.wma");
    WriteText(broken, "not a media file at all");
    const std::string good = Wma("good.wma", "-metadata title=Good");
    WriteText(Out("declined.mp3"), "existing declined");
    WriteText(Out("broken.mp3"), "existing broken");
    Convert(10, {declined, broken, good}, m_out, {Out("declined.mp3")});
    const ScriptedView& view = m_view;
    EXPECT_EQ(view.Asked, (std::vector<std::string>{Out("declined.mp3"), Out("broken.mp3")}));
    EXPECT_EQ(view.Shown,
              (std::vector<std::string>{"declined.wma@0", "broken.wma@1", "good.wma@2"}));
    ASSERT_EQ(view.Failures.size(), 1U);
    EXPECT_EQ(view.Failures[0].rfind("broken.wma: ", 0), 0U) << view.Failures[0];
    for (const std::string name : {"declined", "broken"}) {
        const Bytes existing = ReadFileBytes(Out(name + ".mp3"));
        EXPECT_EQ(std::string(existing.begin(), existing.end()), "existing " + name);
    }
    const Bytes mp3 = ReadFileBytes(Out("good.mp3"));
    ASSERT_GT(mp3.size(), 128U);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&mp3[mp3.size() - 125])), "Good");
}

// A file that is not audio in the middle of a batch is reported and
// skipped, never encoded; the files around it convert.
TEST_F(FileConverterTest, BrokenFileInTheMiddleIsReportedAndSkipped) {
    const std::string first = Wav("first.wav");
    const std::string broken = In("broken.wav");
    WriteText(broken, "RIFF....WAVEjunk");
    const std::string last = Wav("last.wav");
    // The folder with a trailing separator names the same files.
    Convert(5, {first, broken, last}, m_out + "/");
    ASSERT_EQ(m_view.Failures.size(), 1U);
    EXPECT_EQ(m_view.Failures[0].rfind("broken.wav: ", 0), 0U) << m_view.Failures[0];
    EXPECT_FALSE(fs::exists(Out("broken.flac")));
    for (const std::string name : {"first", "last"}) {
        const std::string flac = Out(name + ".flac");
        Shell("flac -d -s -f -o '" + flac + ".dec.wav' '" + flac + "'");
        EXPECT_EQ(RawAudio(flac + ".dec.wav"), RawAudio(In(name + ".wav"))) << name;
    }
}

// Closing the window stops the running writer of every kind; the file it
// cut short is removed and named in the report.
TEST_F(FileConverterTest, ClosingStopsTheWriterAndRemovesItsPartialFile) {
    MakeWav(In("long.wav"), "-r 44100 -b 16 -c 2", 60.0);
    const struct {
        int kind;
        std::string extension;
    } cases[] = {{3, ".ogg"}, {5, ".flac"}, {2, ".mp3"}};
    for (const auto& [kind, extension] : cases) {
        SCOPED_TRACE(kind);
        TOptionsSetting settings = DefaultSettings();
        settings.CommonOptions.OutputFolder = m_out;
        ScriptedView view;
        auto batch = std::make_unique<FileConverterBatch>(kind, std::vector{In("long.wav")},
                                                          settings, TTagRecord{}, view);
        view.Batch = batch.get();
        batch->NextFile(view.Posted.front());
        ASSERT_TRUE(batch->Running());
        batch->FormClose();
        EXPECT_FALSE(batch->Running());
        const std::string output = Out("long" + extension);
        EXPECT_FALSE(fs::exists(output));
        EXPECT_EQ(
            view.Failures,
            (std::vector<std::string>{"long.wav: the conversion was stopped; its partial file " +
                                      output + " was removed."}));
        batch.reset();
    }
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The tags of ripped files end to end: a disc image of three tracks of
// different loudness ripped without a window into every tagged format, each
// file read back by mutagen, the ReplayGain values measured again by ffmpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "audio/core/au_sync_queue.h"
#include "audio/tags/id3v1_genres.h"
#include "audio/tags/id3v1_tags.h"
#include "audio/wav/wave_in.h"
#include "cd/queued_rip_view.h"
#include "cd/rip_job.h"
#include "disc/file_stem.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "settings/app_paths.h"
#include "support/audio/loudness_oracle.h"
#include "support/audio/mutagen_tags.h"
#include "support/audio/pcm_bytes.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

// The kind of tag mutagen reads from a file of the format.
TMutagenKind MutagenKindOf(TOutputFormat format) {
    switch (format) {
        case ofMP3:
            return TMutagenKind::Id3v2;
        case ofAPE:
            return TMutagenKind::Apev2;
        case ofWMA:
            return TMutagenKind::Asf;
        default:
            return TMutagenKind::Vorbis;
    }
}

// Takes a gain ("-5.17 dB") or peak ("0.251189") out of the tags, as dB.
std::optional<double> TakeLevel(TTags& tags, TOutputFormat format, const std::string& name) {
    const std::string key = (format == ofMP3 ? "TXXX:" : "") + name;
    const auto found = tags.find(key);
    if (found == tags.end()) {
        return std::nullopt;
    }
    const double value = std::stod(found->second);
    tags.erase(found);
    return name.ends_with("PEAK") ? 20 * std::log10(value) : value;
}

// The file's audio as ffmpeg decodes it to 16-bit PCM; empty on an error.
Bytes DecodedByFfmpeg(const std::string& file) {
    const std::string pcm = file + ".pcm";
    const bool decoded = RunCommand("ffmpeg -nostdin -v error -xerror -i " + ShellQuote(file) +
                                    " -f s16le -y " + ShellQuote(pcm))
                             .Ok();
    return decoded ? ReadFileBytes(pcm) : Bytes();
}

// What the MP3 row's own output makes of a WAV file with the settings,
// untagged.
Bytes UntaggedEncoding(const fs::path& wav, const std::string& mp3,
                       const TOptionsSetting& settings) {
    const TOutputFormatRow& row = *FindOutputFormat(ofMP3);
    const std::unique_ptr<TAuFileOut> output = row.MakeOutput();
    TWaveIn input;
    input.SetFileName(wav.string());
    output->SetInput(&input);
    output->SetFileName(mp3);
    row.Setup(*output, settings);
    EXPECT_EQ(RunToEnd(*output), "");
    return ReadFileBytes(mp3);
}

// Every format's file of a rip carries the disc's and the track's fields,
// the cover, each track's ReplayGain as ffmpeg measures it and, when the
// whole disc was ripped, the album's, the same in every file; fields the
// disc does not know are left out, never written empty. An MP3 file is the
// untagged encoding (a VBR one with its header frame) between an
// ID3v2 tag and the ID3v1 record of the disc's fields, and decodes as the
// untagged one does.
TEST(RipTagsTest, EveryFormatCarriesTheDiscsFieldsCoverAndGains) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    SKIP_WITHOUT_PROGRAM("sox");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SyncQueue::Instance().BindGuiThread();
    struct Case {
        const char* name;
        TOutputFormat format;
        int id3v2Version;
        std::vector<int> tracks;  // ripped
        bool fullDisc;            // everything known, else only the titles
        bool vbr;                 // MP3: VBR, the encoder reserving its header frame
        TTags extra;              // what else mutagen shows in every file
    };
    const std::vector<int> all = {1, 2, 3};
    const Case cases[] = {
        {"MP3, ID3v2.4", ofMP3, 4, all, true, false, {{"version", "2.4"}, {"encodings", "3"}}},
        {"MP3, ID3v2.3, VBR",
         ofMP3,
         3,
         all,
         true,
         true,
         {{"version", "2.3"}, {"encodings", "0,1"}}},
        {"Ogg Vorbis", ofOGG, 4, all, true, false, {}},
        {"FLAC", ofFLAC, 4, all, true, false, {}},
        {"APE", ofAPE, 4, all, true, false, {}},
        // The stream's comment as its copyright (FFmpeg's muxer writes
        // "copyright" twice); Rating and the other fields of the content
        // description are always there.
        {"WMA",
         ofWMA,
         4,
         all,
         true,
         false,
         {{"Copyright", "Three levels"}, {"copyright", "Three levels"}, {"Rating", ""}}},
        {"FLAC, tracks 1 and 3", ofFLAC, 4, {1, 3}, true, false, {}},
        {"MP3, titles only", ofMP3, 4, all, false, false, {{"version", "2.4"}, {"encodings", "3"}}},
        {"Ogg Vorbis, titles only", ofOGG, 4, all, false, false, {}},
        {"APE, titles only", ofAPE, 4, all, false, false, {}},
        {"WMA, titles only",
         ofWMA,
         4,
         all,
         false,
         false,
         {{"Author", ""}, {"Copyright", ""}, {"Description", ""}, {"Rating", ""}}},
    };
    const std::string effects[] = {"synth 4 sine 440 vol -12dB", "synth 4 sine 1000 vol -24dB",
                                   "synth 4 pinknoise lowpass 6000 vol 0.3"};
    const std::string titles[] = {"Ἐν ἀρχῇ ἦν ὁ λόγος — a title over thirty characters", "Second",
                                  "Third"};
    TestFolder folder;
    std::vector<Bytes> tracks;
    std::vector<FfmpegLoudness> trackLoudness;
    std::string join = "sox";
    for (std::size_t k = 0; k < std::size(effects); ++k) {
        const std::string wav = folder.File(std::to_string(k + 1) + ".wav");
        SoxWav(wav, 2, 44100, effects[k]);
        TWaveIn input;
        input.SetFileName(wav);
        tracks.push_back(ReadPass(input));
        trackLoudness.push_back(FfmpegEbur128(wav));
        join += " " + ShellQuote(wav);
    }
    ASSERT_TRUE(RunCommand(join + " " + ShellQuote(folder.File("album.wav"))).Ok());
    const FfmpegLoudness albumLoudness = FfmpegEbur128(folder.File("album.wav"));
    const fs::path cue = folder / "disc.cue";
    ASSERT_TRUE(discimage::WriteDiscImage(cue, tracks).ok);
    const std::string cover = folder.File("cover.jpg");
    ASSERT_TRUE(RunCommand("ffmpeg -nostdin -v error -f lavfi -i color=c=teal:s=24x16 "
                           "-frames:v 1 -y " +
                           ShellQuote(cover))
                    .Ok());

    DiscInfo full{
        .Artist = "Various Artists",
        .Album = "Ἀνθολογία of levels",
        .AlbumArtist = "Various Artists",
        .Year = "2001-05-14",
        .GenrePosition = GenreListPosition("Rock"),
        .Comment = "Three levels",
        .DiscNumber = 1,
        .DiscTotal = 2,
        .Barcode = "5099902987224",
        .ReleaseId = "8a4f1f3e-5c2b-4d9e-9a4b-000000000001",
        .ReleaseGroupId = "8a4f1f3e-5c2b-4d9e-9a4b-000000000002",
        .DiscId = "lwHl8fGzJyLXQR33ug60E8jhf4k-",
        .Cover = ReadFileBytes(cover),
        .CoverType = "image/jpeg",
    };
    const std::string artists[] = {"Björk Guðmundsdóttir", "Дмитрий Шостакович", "坂本龍一"};
    for (int n = 1; n <= 3; ++n) {
        const std::string id = "8a4f1f3e-5c2b-4d9e-9a4b-00000000001" + std::to_string(n);
        full.Tracks.push_back({.Number = n,
                               .Title = titles[n - 1],
                               .Artist = artists[n - 1],
                               .Isrc = "GBAYE01000" + std::to_string(n) + "0",
                               .RecordingId = id + "a",
                               .TrackId = id + "b"});
    }
    DiscInfo titlesOnly;
    for (const TrackInfo& track : full.Tracks) {
        titlesOnly.Tracks.push_back({.Number = track.Number, .Title = track.Title});
    }

    std::set<std::string> albumGains;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path out = folder / c.name;
        fs::create_directory(out);
        TOptionsSetting settings;
        LoadOptions(settings, TAppPaths(out / "program", out / "config"));
        settings.CommonOptions.OutputFolder = out.string();
        settings.CommonOptions.OutputFormat = c.format;
        settings.Metadata.Id3v2Version = c.id3v2Version;
        settings.Mp3Options.IsSelectVBR = c.vbr;
        settings.Mp3Options.IsVBRHead = c.vbr;
        settings.Verify.AccurateRip = false;
        settings.Verify.AccurateRipServer = "http://127.0.0.1:9";
        settings.Verify.DecodeCheck = true;
        settings.CommonOptions.IsKeepWav = true;  // for the MP3 encoded again untagged
        std::vector<std::string> items;
        for (const int n : c.tracks) {
            items.push_back("0" + std::to_string(n) + titles[n - 1]);
        }
        const TCDHandle handle = OpenImageDrive(cue);
        ASSERT_NE(handle, 0U);
        QueuedRipView view;
        {
            RipJob job(handle, items, settings, c.fullDisc ? full : titlesOnly, view);
            job.Start();
            EXPECT_TRUE(PumpUntil([&] { return view.Deliver(job); }));
            job.Close();
        }
        CloseCDHandle(handle);
        EXPECT_EQ(view.Errors(), std::vector<std::string>());

        const bool wholeDisc = c.tracks.size() == 3;
        for (const int n : c.tracks) {
            SCOPED_TRACE(n);
            const std::string file =
                (out / (FileStemOf(titles[n - 1], n) + FindOutputFormat(c.format)->Extension))
                    .string();
            TTags tags = MutagenTags(file, cover);
            const FfmpegLoudness& oracle = trackLoudness[static_cast<std::size_t>(n - 1)];
            EXPECT_NEAR(TakeLevel(tags, c.format, "REPLAYGAIN_TRACK_GAIN").value_or(99),
                        -18 - oracle.loudness, 0.1);
            EXPECT_NEAR(TakeLevel(tags, c.format, "REPLAYGAIN_TRACK_PEAK").value_or(99),
                        oracle.peakDb, 0.1);
            const std::optional<double> albumGain =
                TakeLevel(tags, c.format, "REPLAYGAIN_ALBUM_GAIN");
            const std::optional<double> albumPeak =
                TakeLevel(tags, c.format, "REPLAYGAIN_ALBUM_PEAK");
            ASSERT_EQ(albumGain.has_value(), wholeDisc);
            ASSERT_EQ(albumPeak.has_value(), wholeDisc);
            if (wholeDisc) {
                EXPECT_NEAR(*albumGain, -18 - albumLoudness.loudness, 0.1);
                EXPECT_NEAR(*albumPeak, albumLoudness.peakDb, 0.1);
                albumGains.insert(std::to_string(*albumGain) + " " + std::to_string(*albumPeak));
            }

            const std::string number = std::to_string(n);
            TTags expected = {
                {"TITLE", titles[n - 1]}, {"TRACKNUMBER", number}, {"TRACKTOTAL", "3"}};
            if (c.fullDisc) {
                const TrackInfo& track = full.Tracks[static_cast<std::size_t>(n - 1)];
                expected.insert({{"ARTIST", track.Artist},
                                 {"ALBUM", full.Album},
                                 {"ALBUMARTIST", "Various Artists"},
                                 {"DATE", full.Year},
                                 {"GENRE", "Rock"},
                                 {"COMMENT", full.Comment},
                                 {"DISCNUMBER", "1"},
                                 {"DISCTOTAL", "2"},
                                 {"ISRC", track.Isrc},
                                 {"BARCODE", full.Barcode},
                                 {"MUSICBRAINZ_ALBUMID", full.ReleaseId},
                                 {"MUSICBRAINZ_RELEASEGROUPID", full.ReleaseGroupId},
                                 {"MUSICBRAINZ_TRACKID", track.RecordingId},
                                 {"MUSICBRAINZ_RELEASETRACKID", track.TrackId},
                                 {"MUSICBRAINZ_DISCID", full.DiscId},
                                 {"PICTURE:3:image/jpeg", "same"}});
            }
            expected = InMutagenNames(expected, MutagenKindOf(c.format));
            expected.insert(c.extra.begin(), c.extra.end());
            EXPECT_EQ(tags, expected);

            if (c.format != ofMP3) {
                continue;
            }
            const Bytes bytes = ReadFileBytes(file);
            ASSERT_GT(bytes.size(), 10 + kId3v1RecordSize);
            const DiscInfo& shown = c.fullDisc ? full : titlesOnly;
            const auto id3v1 = RenderId3v1Record(
                {titles[n - 1], shown.Artist, shown.Album, shown.Year.substr(0, 4), shown.Comment,
                 static_cast<std::uint8_t>(n), c.fullDisc ? std::uint8_t{17} : kId3NoGenre});
            EXPECT_TRUE(std::equal(id3v1.begin(), id3v1.end(), bytes.end() - kId3v1RecordSize));
            // Between the ID3v2 tag (a syncsafe size after "ID3", flags) and
            // the ID3v1 record lie the encoder's bytes, unchanged.
            ASSERT_TRUE(bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3');
            const std::size_t id3v2 =
                10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
            const std::string plain = (out / ("plain" + number + ".mp3")).string();
            const Bytes untagged =
                UntaggedEncoding(out / (FileStemOf(titles[n - 1], n) + ".wav"), plain, settings);
            EXPECT_TRUE(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(id3v2),
                              bytes.end() - kId3v1RecordSize) == untagged);
            const Bytes decoded = DecodedByFfmpeg(file);
            EXPECT_FALSE(decoded.empty());
            EXPECT_TRUE(decoded == DecodedByFfmpeg(plain));
        }
    }
    EXPECT_EQ(albumGains.size(), 1U);
}

}  // namespace

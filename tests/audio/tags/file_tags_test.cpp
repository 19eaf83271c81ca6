// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/file_tags.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "audio/codecs/mac_out.h"
#include "audio/tags/id3v1_tags.h"
#include "support/audio/memory_input.h"
#include "support/audio/mutagen_tags.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

// A record's fields and cover as the oracle's map, so that differences print.
TTags FieldsOf(const TTagRecord& record) {
    TTags fields;
    for (const TTagField& field : TagFieldsOf(record, TNumberStyle::SeparateTotal)) {
        fields[field.Name] = field.Value;
    }
    if (!record.Cover.empty()) {
        fields["cover"] = record.CoverType + ", " + std::to_string(record.Cover.size()) + " bytes";
    }
    return fields;
}

bool RunQuietly(const std::string& command) {
    return RunCommand(command + " >/dev/null 2>&1").Ok();
}

// One second of a stereo tone as a WAV file and as raw PCM.
void MakeTone(const TestFolder& dir) {
    ASSERT_TRUE(
        RunQuietly("ffmpeg -nostdin -f lavfi -i sine=frequency=440:duration=1 -ac 2 -ar 44100 "
                   "-fflags +bitexact -f s16le -y " +
                   dir.File("tone.pcm")));
    ASSERT_TRUE(RunQuietly("ffmpeg -nostdin -f s16le -ac 2 -ar 44100 -i " + dir.File("tone.pcm") +
                           " -fflags +bitexact -y " + dir.File("tone.wav")));
}

// An untagged file of each kind: as our outputs make them (LAME with its
// Info frame and our ID3v1 record at the end, libvorbis, libFLAC with its
// padding, our own APE compressor, the ASF muxer with the stream's tags).
std::string MakeFile(const TestFolder& dir, TTaggedFileKind kind) {
    const std::string wav = dir.File("tone.wav");
    switch (kind) {
        case TTaggedFileKind::Mp3: {
            const std::string mp3 = dir.File("tone.mp3");
            EXPECT_TRUE(RunQuietly("lame --silent -b 128 " + wav + " " + mp3));
            std::vector<std::uint8_t> bytes = ReadFileBytes(mp3);
            const auto id3v1 = RenderId3v1Record({"Old title", "Old artist", "", "1987", "", 3});
            bytes.insert(bytes.end(), id3v1.begin(), id3v1.end());
            WriteFileBytes(mp3, bytes);
            return mp3;
        }
        case TTaggedFileKind::OggVorbis:
            EXPECT_TRUE(RunQuietly("oggenc -Q -o " + dir.File("tone.ogg") + " " + wav));
            return dir.File("tone.ogg");
        case TTaggedFileKind::Flac:
            EXPECT_TRUE(RunQuietly("flac -s -f -o " + dir.File("tone.flac") + " " + wav));
            return dir.File("tone.flac");
        case TTaggedFileKind::Ape: {
            MemoryInput input(ReadFileBytes(dir / "tone.pcm"), {16, 2, 44100});
            TMACOut out;
            out.SetInput(&input);
            out.SetFileName(dir.File("tone.ape"));
            EXPECT_EQ(RunToEnd(out), "");
            return dir.File("tone.ape");
        }
        case TTaggedFileKind::Wma:
            EXPECT_TRUE(
                RunQuietly("ffmpeg -nostdin -i " + wav +
                           " -c:a wmav2 -b:a 128k -fflags +bitexact -metadata title=Old "
                           "-metadata artist=Old -metadata album=Old -metadata genre=Pop "
                           "-metadata copyright=Mine -metadata track=7 -metadata WM/Track=6 -y " +
                           dir.File("tone.wma")));
            return dir.File("tone.wma");
    }
    return {};
}

TTagRecord FullRecord() {
    TTagRecord record;
    record.Title = "Ἐν ἀρχῇ ἦν ὁ λόγος — Заглавие длиннее тридцати";
    record.Artist = "Björk Guðmundsdóttir";
    record.Album = "Album Name";
    record.AlbumArtist = "Various Artists";
    record.Date = "1987-04-01";
    record.Genre = "Rock";
    record.Comment = "A comment";
    record.TrackNumber = 3;
    record.TrackTotal = 12;
    record.DiscNumber = 1;
    record.DiscTotal = 2;
    record.Isrc = "GBAYE0000351";
    record.Barcode = "5099902987224";
    record.MusicBrainzReleaseId = "0c27d2b5-a8b1-4d8b-9b2b-0a0a0a0a0a01";
    record.MusicBrainzReleaseGroupId = "0c27d2b5-a8b1-4d8b-9b2b-0a0a0a0a0a02";
    record.MusicBrainzRecordingId = "0c27d2b5-a8b1-4d8b-9b2b-0a0a0a0a0a03";
    record.MusicBrainzTrackId = "0c27d2b5-a8b1-4d8b-9b2b-0a0a0a0a0a04";
    record.MusicBrainzDiscId = "lwHl8fGzJyLXQR33ug60E8jhf4k-";
    record.TrackGain = TReplayGain{-7.23, 0.988525};
    record.AlbumGain = TReplayGain{-6.5, 1.021};
    // A 5 MB cover: over every 64 KiB and 16-bit limit of the formats.
    record.Cover.resize(5 * 1024 * 1024);
    for (std::size_t i = 0; i < record.Cover.size(); ++i) {
        record.Cover[i] = static_cast<std::uint8_t>((i * 31) ^ (i >> 11));
    }
    record.Cover[0] = 0xFF;
    record.Cover[1] = 0xD8;
    record.CoverType = "image/jpeg";
    return record;
}

// What another tagger reads from a file tagged with FullRecord, under the
// names mutagen gives; `albumGain` the album gain.
TTags Expected(TTaggedFileKind kind, const TTagRecord& r, const std::string& albumGain) {
    const TTags fields = {{"TITLE", r.Title},
                          {"ARTIST", r.Artist},
                          {"ALBUM", r.Album},
                          {"ALBUMARTIST", r.AlbumArtist},
                          {"DATE", r.Date},
                          {"GENRE", r.Genre},
                          {"COMMENT", r.Comment},
                          {"TRACKNUMBER", "3"},
                          {"TRACKTOTAL", "12"},
                          {"DISCNUMBER", "1"},
                          {"DISCTOTAL", "2"},
                          {"ISRC", r.Isrc},
                          {"BARCODE", r.Barcode},
                          {"MUSICBRAINZ_ALBUMID", r.MusicBrainzReleaseId},
                          {"MUSICBRAINZ_RELEASEGROUPID", r.MusicBrainzReleaseGroupId},
                          {"MUSICBRAINZ_TRACKID", r.MusicBrainzRecordingId},
                          {"MUSICBRAINZ_RELEASETRACKID", r.MusicBrainzTrackId},
                          {"MUSICBRAINZ_DISCID", r.MusicBrainzDiscId},
                          {"REPLAYGAIN_TRACK_GAIN", "-7.23 dB"},
                          {"REPLAYGAIN_TRACK_PEAK", "0.988525"},
                          {"REPLAYGAIN_ALBUM_GAIN", albumGain},
                          {"REPLAYGAIN_ALBUM_PEAK", "1.021000"},
                          {"PICTURE:3:image/jpeg", "same"}};
    switch (kind) {
        case TTaggedFileKind::Mp3:
            return InMutagenNames(fields, TMutagenKind::Id3v2);
        case TTaggedFileKind::Ape:
            return InMutagenNames(fields, TMutagenKind::Apev2);
        case TTaggedFileKind::Wma:
            return InMutagenNames(fields, TMutagenKind::Asf);
        case TTaggedFileKind::OggVorbis:
        case TTaggedFileKind::Flac:
            return fields;
    }
    return {};
}

struct TMergeCase {
    const char* Name;
    TTaggedFileKind Kind;
    int Id3v2Version;
    TTags Extra;        // what else the oracle reads
    bool AlbumInPlace;  // a later merge of the album gain keeps the file's size
};

// The size of the ID3v2 tag at the start of `bytes`, header included.
std::size_t Id3v2Size(const std::vector<std::uint8_t>& bytes) {
    return 10 + ((bytes[6] << 21) | (bytes[7] << 14) | (bytes[8] << 7) | bytes[9]);
}

TEST(FileTagsTest, FullRecordReadsBackInOtherToolsAndAlbumGainMergesLater) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    SKIP_WITHOUT_PROGRAM("lame");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("oggenc");
    SKIP_WITHOUT_PROGRAM("flac");
    // Text frames in UTF-8 (3) for ID3v2.4 and UTF-16 (1) for ID3v2.3, where
    // TagLib writes the date as TYER and TDAT, digits in Latin-1 (0).
    const TMergeCase cases[] = {
        {"ID3v2.4", TTaggedFileKind::Mp3, 4, {{"version", "2.4"}, {"encodings", "3"}}, true},
        {"ID3v2.3", TTaggedFileKind::Mp3, 3, {{"version", "2.3"}, {"encodings", "0,1"}}, true},
        {"Ogg Vorbis", TTaggedFileKind::OggVorbis, 4, {}, false},
        {"FLAC", TTaggedFileKind::Flac, 4, {}, true},
        {"APE", TTaggedFileKind::Ape, 4, {}, true},
        // The stream's own copyright is kept (FFmpeg's muxer writes it twice);
        // Rating is a fixed field of the content description.
        {"WMA",
         TTaggedFileKind::Wma,
         4,
         {{"Copyright", "Mine"}, {"copyright", "Mine"}, {"Rating", ""}},
         false},
    };
    const TTagRecord record = FullRecord();
    for (const TMergeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TestFolder dir;
        MakeTone(dir);
        const std::string file = MakeFile(dir, c.Kind);
        const std::string cover = dir.File("cover.jpg");
        WriteFileBytes(cover, record.Cover);
        const std::vector<std::uint8_t> untagged = ReadFileBytes(file);

        // An empty record writes nothing at all.
        EXPECT_EQ(MergeFileTags(file, c.Kind, {}, {c.Id3v2Version}), std::nullopt);
        EXPECT_EQ(ReadFileBytes(file), untagged);

        ASSERT_EQ(MergeFileTags(file, c.Kind, record, {c.Id3v2Version}), std::nullopt);
        TTags expected = Expected(c.Kind, record, "-6.50 dB");
        expected.insert(c.Extra.begin(), c.Extra.end());
        EXPECT_EQ(MutagenTags(file, cover), expected);

        TTagRecord readBack = record;
        if (c.Kind == TTaggedFileKind::Wma) {
            readBack.TrackTotal = 0;  // WM/TrackNumber holds no total
        }
        const TTagRecord read = ReadFileTags(file);
        EXPECT_EQ(FieldsOf(read), FieldsOf(readBack));
        EXPECT_TRUE(read.Cover == record.Cover);

        const std::vector<std::uint8_t> tagged = ReadFileBytes(file);
        if (c.Kind == TTaggedFileKind::Mp3) {
            // The tag goes before the untouched stream: LAME's Info frame,
            // the audio and our ID3v1 record at the end.
            ASSERT_GT(tagged.size(), untagged.size());
            EXPECT_EQ(
                std::vector(tagged.begin() + static_cast<long>(Id3v2Size(tagged)), tagged.end()),
                untagged);
            for (const auto& [key, value] : TTags{{"title", record.Title},
                                                  {"track", "3/12"},
                                                  {"album_artist", record.AlbumArtist}}) {
                EXPECT_EQ(RunCommand("ffprobe -v error -show_entries format_tags=" + key +
                                     " -of default=nw=1:nk=1 " + file)
                              .Output,
                          value + "\n");
            }
        }

        // The album's gain after the last track: earlier fields stay.
        TTagRecord album;
        album.AlbumGain = TReplayGain{-8.0, 1.021};
        ASSERT_EQ(MergeFileTags(file, c.Kind, album, {c.Id3v2Version}), std::nullopt);
        expected = Expected(c.Kind, record, "-8.00 dB");
        expected.insert(c.Extra.begin(), c.Extra.end());
        EXPECT_EQ(MutagenTags(file, cover), expected);
        if (c.AlbumInPlace) {
            EXPECT_EQ(std::filesystem::file_size(file), tagged.size());
        }
    }
}

}  // namespace

TEST(FileTagsTest, BrokenOrForeignFilesGiveAReasonAndStayAsTheyWere) {
    SKIP_WITHOUT_PROGRAM("lame");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("oggenc");
    SKIP_WITHOUT_PROGRAM("flac");
    TestFolder dir;
    MakeTone(dir);
    using K = TTaggedFileKind;
    const auto prefix = [&](K kind, std::size_t bytes) {
        std::vector<std::uint8_t> whole = ReadFileBytes(MakeFile(dir, kind));
        whole.resize(std::min(whole.size(), bytes));
        return whole;
    };
    const std::vector<std::uint8_t> text(5000, 'x');
    const struct {
        const char* Name;
        K Kind;
        std::optional<std::vector<std::uint8_t>> Contents;  // none: no file
        std::string Reason;
    } cases[] = {
        {"missing", K::Mp3, std::nullopt, "the file cannot be read"},
        {"empty", K::Flac, std::vector<std::uint8_t>(), "this is not a FLAC file"},
        {"text as MP3", K::Mp3, text, "this is not an MP3 file"},
        {"text as APE", K::Ape, text, "this is not an APE file"},
        {"FLAC cut in its header", K::Flac, prefix(K::Flac, 30), "this is not a FLAC file"},
        {"WMA cut in its header", K::Wma, prefix(K::Wma, 300), "this is not a WMA file"},
        {"Ogg cut in its header", K::OggVorbis, prefix(K::OggVorbis, 100),
         "this is not an Ogg Vorbis file"},
        {"APE cut in its header", K::Ape, prefix(K::Ape, 40), "this is not an APE file"},
        {"FLAC as MP3", K::Mp3, prefix(K::Flac, 1 << 20), "this is not an MP3 file"},
        {"MP3 as APE", K::Ape, prefix(K::Mp3, 1 << 20), "this is not an APE file"},
        {"Ogg Vorbis as WMA", K::Wma, prefix(K::OggVorbis, 1 << 20), "this is not a WMA file"},
        {"WMA as FLAC", K::Flac, prefix(K::Wma, 1 << 20), "this is not a FLAC file"},
        {"MP3 as Ogg Vorbis", K::OggVorbis, prefix(K::Mp3, 1 << 20),
         "this is not an Ogg Vorbis file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string file = dir.File("broken");
        std::filesystem::remove(file);
        if (c.Contents) {
            WriteFileBytes(file, *c.Contents);
        }
        EXPECT_EQ(MergeFileTags(file, c.Kind, FullRecord(), {}), c.Reason);
        EXPECT_EQ(std::filesystem::exists(file), c.Contents.has_value());
        if (c.Contents) {
            EXPECT_EQ(ReadFileBytes(file), *c.Contents);
        }
    }
}

TEST(FileTagsTest, SourceTagsWrittenByFfmpegReadAsARecord) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder dir;
    MakeTone(dir);
    const std::string cover = dir.File("cover.png");
    ASSERT_TRUE(
        RunQuietly("ffmpeg -nostdin -f lavfi -i color=red:s=16x16 -frames:v 1 -y " + cover));
    const std::string tags =
        " -metadata title='Ἐν ἀρχῇ ἦν ὁ λόγος — long' -metadata artist=Artist -metadata "
        "album=Album -metadata album_artist=Various -metadata date=1987 -metadata genre=Rock "
        "-metadata comment=Words -metadata track=3/12 -metadata disc=1/2 -fflags +bitexact -y ";
    const std::string title = "Ἐν ἀρχῇ ἦν ὁ λόγος — long";
    const std::string png = std::to_string(ReadFileBytes(cover).size());
    const struct {
        const char* Name;
        std::string Command;
        TTags Fields;
    } cases[] = {
        {"MP3 with a cover",
         "-i " + cover + " -map 0 -map 1 -c:a libmp3lame -c:v copy" + tags + dir.File("s.mp3"),
         {{"TITLE", title},
          {"ARTIST", "Artist"},
          {"ALBUM", "Album"},
          {"ALBUMARTIST", "Various"},
          {"DATE", "1987"},
          {"GENRE", "Rock"},
          {"COMMENT", "Words"},
          {"TRACKNUMBER", "3"},
          {"TRACKTOTAL", "12"},
          {"DISCNUMBER", "1"},
          {"DISCTOTAL", "2"},
          {"cover", "image/png, " + png + " bytes"}}},
        {"WMA",
         "-c:a wmav2" + tags + dir.File("s.wma"),
         {{"TITLE", title},
          {"ARTIST", "Artist"},
          {"ALBUM", "Album"},
          {"ALBUMARTIST", "Various"},
          {"DATE", "1987"},
          {"GENRE", "Rock"},
          {"COMMENT", "Words"},
          {"TRACKNUMBER", "3"},
          {"TRACKTOTAL", "12"},
          {"DISCNUMBER", "1"},
          {"DISCTOTAL", "2"}}},
        {"WAV with RIFF INFO",
         tags + dir.File("s.wav"),
         {{"TITLE", title},
          {"ARTIST", "Artist"},
          {"ALBUM", "Album"},
          {"DATE", "1987"},
          {"GENRE", "Rock"},
          {"COMMENT", "Words"},
          {"TRACKNUMBER", "3"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_TRUE(RunQuietly("ffmpeg -nostdin -i " + dir.File("tone.wav") + " " + c.Command));
        const std::string file = c.Command.substr(c.Command.rfind(' ') + 1);
        const TTagRecord record = ReadFileTags(file);
        EXPECT_EQ(FieldsOf(record), c.Fields);
        if (!record.Cover.empty()) {
            EXPECT_EQ(record.Cover, ReadFileBytes(cover));
        }
    }
    EXPECT_EQ(FieldsOf(ReadFileTags(dir.File("none.mp3"))), TTags{});
}

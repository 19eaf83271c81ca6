// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "audio/tags/file_tags.h"
#include "settings/encoders/output_formats.h"
#include "support/audio/memory_input.h"
#include "support/audio/pcm_bytes.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

// Every picture mutagen finds in an Ogg Vorbis or FLAC file (FLAC's PICTURE
// blocks and METADATA_BLOCK_PICTURE comments), one line each: type, MIME
// type, width x height x depth, and whether its bytes equal the file given
// second; then the title.
constexpr const char* kPictures = R"(
import base64, sys, mutagen
from mutagen.flac import Picture
f, cover = mutagen.File(sys.argv[1]), open(sys.argv[2], 'rb').read()
pictures = [Picture(base64.b64decode(v)) for k, v in f.tags if k.upper() == 'METADATA_BLOCK_PICTURE']
for p in pictures + getattr(f, 'pictures', []):
    print(p.type, p.mime, '%dx%dx%d' % (p.width, p.height, p.depth), p.data == cover)
print(f.tags['TITLE'][0])
)";

enum class TCover { None, Jpeg, Png, BeyondABlock };

// The cover's bytes: a small JPEG, a 5 MB PNG of noise (both made by
// ffmpeg), or 16 MiB of bytes, more than a FLAC block can hold.
std::vector<std::uint8_t> MakeCover(TCover cover, const TestFolder& folder) {
    const auto ffmpeg = [&](const std::string& input, const std::string& name) {
        EXPECT_TRUE(RunCommand("ffmpeg -nostdin -v error " + input + " -frames:v 1 -y " +
                               folder.File(name) + " 2>&1")
                        .Ok());
        return ReadFileBytes(folder.File(name));
    };
    switch (cover) {
        case TCover::None:
            return {};
        case TCover::Jpeg:
            return ffmpeg("-f lavfi -i testsrc=s=64x48", "cover.jpg");
        case TCover::Png: {
            std::vector<std::uint8_t> noise(std::size_t{1400} * 1300 * 3);
            std::mt19937 random(7);
            for (std::uint8_t& byte : noise) {
                byte = static_cast<std::uint8_t>(random());
            }
            WriteFileBytes(folder.File("noise.rgb"), noise);
            return ffmpeg("-f rawvideo -pix_fmt rgb24 -s 1400x1300 -i " + folder.File("noise.rgb"),
                          "cover.png");
        }
        case TCover::BeyondABlock:
            return std::vector<std::uint8_t>(std::size_t{1} << 24, 0xA5);
    }
    return {};
}

// The FLAC file's metadata block types in order, "!" after the last one.
std::string FlacBlocks(const std::string& file) {
    return RunCommand("metaflac --list '" + file +
                      "' | awk '/^METADATA block/{getline; t=t $2} /is last: true/{t=t \"!\"} "
                      "END{print t}'")
        .Output;
}

// A record with a cover, encoded by the real outputs of the format table,
// carries it in its stream as other tools read it; the audio stays intact,
// and a FLAC file takes the album's gain later without growing.
TEST(StreamCover, OggAndFlacCarryTheRecordsCover) {
    SKIP_WITHOUT_PYTHON_MODULE("mutagen");
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    SKIP_WITHOUT_PROGRAM("flac");
    SKIP_WITHOUT_PROGRAM("metaflac");
    SKIP_WITHOUT_PROGRAM("oggdec");
    const struct {
        const char* Name;
        TOutputFormat Format;
        TCover Cover;
        const char* Mime;
        std::string Pictures;  // the oracle's picture lines
        std::string Blocks;    // FLAC: see FlacBlocks
    } cases[] = {
        {"Ogg, JPEG", ofOGG, TCover::Jpeg, "image/jpeg", "3 image/jpeg 64x48x24 True\n", ""},
        {"Ogg, 5 MB PNG", ofOGG, TCover::Png, "image/png", "3 image/png 1400x1300x24 True\n", ""},
        {"Ogg, none", ofOGG, TCover::None, "", "", ""},
        {"FLAC, JPEG", ofFLAC, TCover::Jpeg, "image/jpeg", "3 image/jpeg 64x48x24 True\n",
         "0461!\n"},
        {"FLAC, 5 MB PNG", ofFLAC, TCover::Png, "", "3 image/png 1400x1300x24 True\n", "0461!\n"},
        {"FLAC, none", ofFLAC, TCover::None, "", "", "041!\n"},
        {"FLAC, beyond a block", ofFLAC, TCover::BeyondABlock, "image/jpeg", "", "041!\n"},
    };
    std::vector<std::int16_t> samples(30011 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(20000 * std::sin(static_cast<double>(i) / 9));
    }
    const std::vector<std::uint8_t> pcm = AsBytes(samples);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TestFolder folder;
        const TOutputFormatRow& row = *FindOutputFormat(c.Format);
        const std::string file = folder.File(std::string("out") + row.Extension);
        TTagRecord record;
        record.Title = "Cover test";
        record.Cover = MakeCover(c.Cover, folder);
        WriteFileBytes(folder.File("cover"), record.Cover);
        record.CoverType = c.Mime;
        const std::unique_ptr<TAuFileOut> output = row.MakeOutput();
        row.StreamTags(*output, record);
        MemoryInput input(pcm, {16, 2, 44100}, 5000);
        output->SetInput(&input);
        output->SetFileName(file);
        ASSERT_EQ(RunToEnd(*output), "");

        const CommandResult read = RunPython(kPictures, {file, folder.File("cover")});
        ASSERT_TRUE(read.Ok());
        EXPECT_EQ(read.Output, c.Pictures + "Cover test\n");
        const std::string raw = folder.File("decoded.raw");
        if (c.Format == ofOGG) {
            ASSERT_TRUE(RunCommand("oggdec -Q -R -o '" + raw + "' '" + file + "'").Ok());
            EXPECT_EQ(ReadFileBytes(raw).size(), pcm.size());
            continue;
        }
        EXPECT_EQ(FlacBlocks(file), c.Blocks);
        ASSERT_TRUE(RunCommand("flac -d -s -f --force-raw-format --endian=little --sign=signed "
                               "-o '" +
                               raw + "' '" + file + "'")
                        .Ok());
        EXPECT_TRUE(ReadFileBytes(raw) == pcm);
        // The signature is known only when encoding ends: the library's final
        // rewrite of the stream information landed on it.
        EXPECT_EQ(RunCommand("metaflac --show-md5sum '" + file + "'").Output,
                  RunCommand("md5sum < '" + raw + "' | cut -c1-32").Output);

        const auto size = std::filesystem::file_size(file);
        TTagRecord album;
        album.AlbumGain = TReplayGain{-8.0, 1.021};
        ASSERT_EQ(MergeFileTags(file, TTaggedFileKind::Flac, album, {}), std::nullopt);
        EXPECT_EQ(std::filesystem::file_size(file), size);
        EXPECT_EQ(RunCommand("metaflac --show-tag=REPLAYGAIN_ALBUM_GAIN '" + file + "'").Output,
                  "REPLAYGAIN_ALBUM_GAIN=-8.00 dB\n");
        EXPECT_TRUE(RunCommand("flac -t -s '" + file + "'").Ok());
    }
}

}  // namespace

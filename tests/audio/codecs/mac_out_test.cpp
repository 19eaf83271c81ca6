// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/mac_out.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "support/audio/memory_input.h"
#include "support/audio/run_output.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

namespace {

std::vector<uint8_t> Ramp(size_t bytes) {
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<uint8_t>((i * 7) ^ (i >> 9));
    }
    return data;
}

std::vector<uint8_t> DecodeWithFfmpeg(const std::string& ape, const char* sampleFormat) {
    const std::string raw = ape + ".raw";
    const std::string command = "ffmpeg -nostdin -v error -err_detect crccheck+explode -i '" + ape +
                                "' -f " + sampleFormat + " -y '" + raw + "'";
    if (!RunCommand(command).Ok()) {
        return {};
    }
    return ReadFileBytes(raw);
}

TEST(MACOutTest, CompressionLevelKeepsTheFourLevelsAndStores2000Otherwise) {
    TMACOut out;
    EXPECT_EQ(out.CompressionLevel(), 2000);
    EXPECT_EQ(out.MaxAudioBytes(), -1);
    out.SetCompressionLevel(3000);
    EXPECT_EQ(out.CompressionLevel(), 3000);
    out.SetCompressionLevel(5000);
    EXPECT_EQ(out.CompressionLevel(), 2000);
    out.SetCompressionLevel(4000);
    out.SetCompressionLevel(1500);
    EXPECT_EQ(out.CompressionLevel(), 2000);
}

TEST(MACOutTest, ErrorTextsIncludingUnknownCodes) {
    EXPECT_STREQ(EAPEException(1003).what(), "MACDll error: invalid output file");
    EXPECT_STREQ(EAPEException(6000).what(), "MACDll error: APE compress too much data");
    EXPECT_STREQ(EAPEException(7).what(), "MACDll error: undefined (7)");
}

TEST(MACOutTest, HundredThousandBytesGoInTwoBlocksAndDecodeExactly) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder dir;
    const std::vector<uint8_t> pcm = Ramp(100000);
    MemoryInput input(pcm, {16, 2, 44100});
    TMACOut out;
    out.SetInput(&input);
    out.SetFileName(dir.File("ramp.ape"));
    ASSERT_EQ(RunToEnd(out), "");
    // 65536, then 65536 asked giving 34464, the rest asked giving 0: end.
    EXPECT_EQ(input.Requests, (std::vector<size_t>{65536, 65536, 31072}));
    EXPECT_EQ(DecodeWithFfmpeg(dir.File("ramp.ape"), "s16le"), pcm);
}

TEST(MACOutTest, TwentyFourBitStereoBlocksHoldWholeFrames) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder dir;
    const std::vector<uint8_t> pcm = Ramp(6 * 30000);
    MemoryInput input(pcm, {24, 2, 44100});
    TMACOut out;
    out.SetCompressionLevel(3000);
    out.SetInput(&input);
    out.SetFileName(dir.File("wide.ape"));
    ASSERT_EQ(RunToEnd(out), "");
    ASSERT_FALSE(input.Requests.empty());
    EXPECT_EQ(input.Requests.front(), 65532U);
    EXPECT_EQ(DecodeWithFfmpeg(dir.File("wide.ape"), "s24le"), pcm);
}

// The process's thread count, from /proc.
int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Threads:", 0) == 0) {
            return std::stoi(line.substr(8));
        }
    }
    return -1;
}

// Notes the most threads the process has while the output reads its input.
class ThreadCountingInput final : public MemoryInput {
public:
    using MemoryInput::MemoryInput;
    int first = 0;
    int most = 0;

protected:
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override {
        const int now = ThreadCount();
        first = first == 0 ? now : first;
        most = std::max(most, now);
        MemoryInput::GetDataInternal(buffer, bytes);
    }
};

TEST(MACOutTest, ADelayThatSleepsEncodesOneFrameAtATime) {
    SKIP_WITHOUT_PROGRAM("ffmpeg");
    TestFolder dir;
    // Eight frames of 73728 stereo blocks.
    const std::vector<uint8_t> pcm = Ramp(8 * 73728 * 4);
    ThreadCountingInput input(pcm, {16, 2, 44100});
    TMACOut out;
    out.SetDelay(6);
    out.SetInput(&input);
    out.SetFileName(dir.File("throttled.ape"));
    ASSERT_EQ(RunToEnd(out), "");
    // With one frame slot each frame is encoded and written before the next
    // is read: no frame thread is left running while the input is read.
    EXPECT_EQ(input.most, input.first);
    EXPECT_EQ(DecodeWithFfmpeg(dir.File("throttled.ape"), "s16le"), pcm);
}

TEST(MACOutTest, StartErrorsNameTheCodeText) {
    struct Case {
        const char* file;
        int bits;
        const char* message;
    };
    const Case cases[] = {
        {"missing/out.ape", 16, "Error starting APECompress.\r\ninvalid output file"},
        {"deep.ape", 32, "Error starting APECompress.\r\ninput file unsupported bit depth"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TestFolder dir;
        MemoryInput input(Ramp(4000), {c.bits, 2, 44100});
        TMACOut out;
        out.SetInput(&input);
        out.SetFileName(dir.File(c.file));
        EXPECT_EQ(RunToEnd(out), c.message);
    }
}

TEST(MACOutTest, MissingFileNameAndEmptyInputFail) {
    TestFolder dir;
    MemoryInput input({}, {16, 2, 44100});
    TMACOut out;
    out.SetInput(&input);
    EXPECT_EQ(RunToEnd(out), "File name is not assigned.");
    out.SetFileName(dir.File("empty.ape"));
    EXPECT_EQ(RunToEnd(out), "MACDll error: input file too small");
    EXPECT_FALSE(std::filesystem::exists(dir.File("empty.ape")));
}

}  // namespace

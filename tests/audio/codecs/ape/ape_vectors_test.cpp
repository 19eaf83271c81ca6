// SPDX-License-Identifier: GPL-3.0-or-later
// Byte-exact files for small inputs, checked against files that the reference
// encoder and decoders agree on.
#include <gtest/gtest.h>

#include "ape_test_support.h"

namespace ape_test {
namespace {

std::vector<uint8_t> Pcm16(std::initializer_list<int16_t> samples) {
    std::vector<uint8_t> pcm;
    for (const int16_t s : samples) {
        pcm.push_back(static_cast<uint8_t>(s));
        pcm.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return pcm;
}

struct Vector {
    const char* name;
    int channels;
    int level;
    std::vector<uint8_t> pcm;
    const char* file;
};

class ApeVectors : public testing::TestWithParam<Vector> {};

TEST_P(ApeVectors, FileMatchesByteForByte) {
    const Vector& vector = GetParam();
    TestFolder dir;
    const auto path = dir.Path() / "v.ape";
    ASSERT_EQ(EncodeApe(path, vector.pcm, {vector.channels, 16}, vector.level), 0);
    EXPECT_EQ(ReadFile(path), FromHex(vector.file));
}

INSTANTIATE_TEST_SUITE_P(
    Reference, ApeVectors,
    testing::Values(Vector{"StereoOneBlock", 2, 2000, Pcm16({1000, -2000}),
                           "4D 41 43 20 96 0F 00 00 34 00 00 00 18 00 00 00"
                           "04 00 00 00 00 00 00 00 10 00 00 00 00 00 00 00"
                           "00 00 00 00 CF D6 A4 21 F2 C9 7C CF B1 D2 E2 43"
                           "DE F3 47 01 D0 07 20 00 00 20 01 00 01 00 00 00"
                           "01 00 00 00 10 00 02 00 44 AC 00 00 50 00 00 00"
                           "27 A2 74 2E 50 9E FF 00 00 00 00 5F 00 00 00 00"},
                    Vector{"StereoSilence", 2, 1000, Pcm16({0, 0, 0, 0, 0, 0, 0, 0}),
                           "4D 41 43 20 96 0F 00 00 34 00 00 00 18 00 00 00"
                           "04 00 00 00 00 00 00 00 10 00 00 00 00 00 00 00"
                           "00 00 00 00 D4 3A 51 59 6A 53 24 82 FC 03 4E C0"
                           "67 31 0F 00 E8 03 20 00 00 20 01 00 04 00 00 00"
                           "01 00 00 00 10 00 02 00 44 AC 00 00 50 00 00 00"
                           "AA A5 5D F6 07 00 00 00 00 00 01 00 00 00 00 00"},
                    Vector{"MonoThreeSamples", 1, 1000, Pcm16({0, 1, -1}),
                           "4D 41 43 20 96 0F 00 00 34 00 00 00 18 00 00 00"
                           "04 00 00 00 00 00 00 00 10 00 00 00 00 00 00 00"
                           "00 00 00 00 41 3E 9F 21 E6 38 10 AF 8B 5C EC 16"
                           "65 33 44 79 E8 03 20 00 00 20 01 00 03 00 00 00"
                           "01 00 00 00 10 00 01 00 44 AC 00 00 50 00 00 00"
                           "1C 6A AC 5B 05 00 00 00 00 00 0D E7 00 00 00 00"},
                    Vector{"PseudoStereo", 2, 3000, Pcm16({5, 5, -7, -7}),
                           "4D 41 43 20 96 0F 00 00 34 00 00 00 18 00 00 00"
                           "04 00 00 00 00 00 00 00 10 00 00 00 00 00 00 00"
                           "00 00 00 00 97 EF C4 B0 7A 90 FA 43 54 45 11 25"
                           "B2 AA 3A C5 B8 0B 20 00 00 20 01 00 02 00 00 00"
                           "01 00 00 00 10 00 02 00 44 AC 00 00 50 00 00 00"
                           "03 CC 42 E8 04 00 00 00 CB 58 01 00 00 00 00 00"},
                    Vector{"TwoSilentFramesSecondMidWord", 2, 2000,
                           std::vector<uint8_t>(73729 * 4, 0),
                           "4D 41 43 20 96 0F 00 00 34 00 00 00 18 00 00 00"
                           "08 00 00 00 00 00 00 00 1C 00 00 00 00 00 00 00"
                           "00 00 00 00 D3 5A BD CB 03 77 81 89 34 B7 61 3F"
                           "CA F8 2A DB D0 07 20 00 00 20 01 00 01 00 00 00"
                           "02 00 00 00 10 00 02 00 44 AC 00 00 54 00 00 00"
                           "61 00 00 00 8C 62 1C 8D 07 00 00 00 00 00 01 00"
                           "6F A2 90 00 00 00 00 8E 00 01 00 07 00 00 00 00"}),
    [](const testing::TestParamInfo<Vector>& info) { return info.param.name; });

}  // namespace
}  // namespace ape_test

// SPDX-License-Identifier: GPL-3.0-or-later
// Careful reading and read offset correction on real BIN/CUE images.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "image_fixture.h"

namespace {

using CDReadModeTest = ImageFixture;

// pcm as a drive needing correction offset delivers it once corrected:
// sample i is pcm's sample i + offset, silence outside.
discimage::Pcm Shifted(const discimage::Pcm& pcm, std::int64_t offset) {
    discimage::Pcm shifted(pcm.size(), 0);
    const auto samples = static_cast<std::int64_t>(pcm.size() / 4);
    for (std::int64_t i = 0; i < samples; ++i) {
        if (i + offset >= 0 && i + offset < samples) {
            std::memcpy(&shifted[i * 4], &pcm[(i + offset) * 4], 4);
        }
    }
    return shifted;
}

// Each 16-bit sample with its bytes the other way round.
discimage::Pcm ByteSwapped(discimage::Pcm pcm) {
    for (std::size_t i = 0; i + 1 < pcm.size(); i += 2) {
        std::swap(pcm[i], pcm[i + 1]);
    }
    return pcm;
}

TEST_F(CDReadModeTest, ReadsGiveTheDiscShiftedByTheOffsetCarefullyOrNot) {
    // Audio that looks smoother byte-swapped, so a reader guessing the byte
    // order from it swaps every sample; three tracks of 52 sectors.
    auto tracks = ThreeTracks();
    tracks[0] = ByteSwapped(discimage::SineTone(441.7, tracks[0].size() / 4, 0.5));
    const auto all = DiscBytes(tracks);
    const auto layout = MakeImage(tracks);
    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);
    for (const bool careful : {false, true}) {
        // Within a sector, whole sectors, and up to five sectors either way.
        for (const std::int32_t offset : {0, 48, -48, 588, 667, -1164, 2939, -2939}) {
            SCOPED_TRACE(testing::Message() << "careful " << careful << ", offset " << offset);
            ASSERT_EQ(SetCDReadMode(handle, {careful, 20, offset}), 1);
            EXPECT_TRUE(ReadInRipSteps(handle, 0, layout.leadOut) == Shifted(all, offset));
            // A read starting inside a track, as a rip of track 2 does.
            const discimage::Pcm track2 = ReadInRipSteps(handle, 31, 39);
            EXPECT_TRUE(std::equal(track2.begin(), track2.end(),
                                   Shifted(all, offset).begin() + 31 * kCDSectorBytes));
        }
        TCDReadQuality quality;
        ASSERT_EQ(GetCDReadQuality(handle, &quality), 1);
        EXPECT_EQ(quality, TCDReadQuality{});
    }
}

TEST_F(CDReadModeTest, CarefulReadingFollowsAnImageReplacedWhileTheHandleIsOpen) {
    MakeImage(ThreeTracks());
    const TCDHandle handle = OpenLastDrive();
    TCDDriveIdentity identity;
    ASSERT_EQ(GetCDDriveIdentity(handle, &identity), 1);
    EXPECT_EQ(identity, (TCDDriveIdentity{"Image", "disc.cue", "", true}));
    ASSERT_EQ(SetCDReadMode(handle, {true, 20, 0}), 1);
    ASSERT_FALSE(ReadInRipSteps(handle, 0, 10).empty());

    std::filesystem::remove(m_dir / "disc.bin");
    ASSERT_EQ(CDMediaChanged(handle), 1);
    // A longer disc of other audio under the same name.
    auto longer = ThreeTracks();
    longer.push_back(discimage::BytePattern(kCDSectorBytes * 40, 4));
    const auto layout = MakeImage(longer);
    ASSERT_EQ(CDMediaChanged(handle), 1);
    TTOC toc;
    ASSERT_EQ(ReadTOC(handle, &toc), 1);
    const auto all = DiscBytes(longer);
    EXPECT_TRUE(ReadInRipSteps(handle, 52, layout.leadOut) ==
                discimage::Pcm(all.begin() + 52 * kCDSectorBytes, all.end()));
}

}  // namespace

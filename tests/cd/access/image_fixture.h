// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Disc images made in a test's own temp folder and offered to the CD access
// module through BRISKLARK_DISC_IMAGES.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "support/common/test_folder.h"

class ImageFixture : public ::testing::Test {
protected:
    void TearDown() override {
        for (TCDHandle h = 1; h <= kMaxCDHandles; ++h) {
            CloseCDHandle(h);
        }
        ::unsetenv("BRISKLARK_DISC_IMAGES");
    }

    // Writes name.cue/.bin from tracks and lists the image as the only one.
    discimage::DiscLayout MakeImage(const std::vector<discimage::Pcm>& tracks,
                                    const std::string& name = "disc") {
        const auto result = discimage::WriteDiscImage(Cue(name), tracks);
        EXPECT_TRUE(result.ok) << result.message;
        ::setenv("BRISKLARK_DISC_IMAGES", Cue(name).c_str(), 1);
        return result.layout;
    }

    std::filesystem::path Cue(const std::string& name = "disc") const {
        return m_dir / (name + ".cue");
    }

    // The position of the last drive of the list (the image made last).
    static int LastPosition() {
        TCDList list;
        EXPECT_EQ(GetCDList(&list), 1);
        return list.Num - 1;
    }

    // A handle on the last drive of the list.
    TCDHandle OpenLastDrive() {
        TCDList list;
        EXPECT_EQ(GetCDList(&list), 1);
        EXPECT_GT(list.Num, 0);
        const TCDDriveInfo& drive = list.Drives[list.Num - 1];
        TGetCDHandle request;
        request.Adapter = drive.Adapter;
        request.Target = drive.Target;
        request.Lun = drive.Lun;
        return GetCDHandle(&request);
    }

    TestFolder m_dir;
};

// Three tracks of distinct patterns, none a whole number of sectors long.
inline std::vector<discimage::Pcm> ThreeTracks() {
    return {discimage::BytePattern(2352 * 30 + 1000, 1), discimage::BytePattern(2352 * 7 + 4, 2),
            discimage::BytePattern(2352 * 12 + 2000, 3)};
}

// The bytes a whole-disc rip returns: every track padded to whole sectors.
inline discimage::Pcm DiscBytes(const std::vector<discimage::Pcm>& tracks) {
    discimage::Pcm all;
    for (const auto& track : tracks) {
        const auto padded = discimage::PadToSectors(track);
        all.insert(all.end(), padded.begin(), padded.end());
    }
    return all;
}

// The bytes of sectors [start, end) read as the rip thread reads them, ten
// sectors a call; empty after a failed read.
inline discimage::Pcm ReadInRipSteps(TCDHandle handle, std::uint32_t start, std::uint32_t end) {
    discimage::Pcm all;
    for (std::uint32_t sector = start; sector < end; sector += 10) {
        TTrackBuf buffer = MakeTrackBuf(sector, std::min(10u, end - sector));
        if (ReadCDAudioLBA(handle, &buffer) != 1) {
            return {};
        }
        all.insert(all.end(), buffer.Buf.begin(), buffer.Buf.begin() + buffer.Len);
    }
    return all;
}

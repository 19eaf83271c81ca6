// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/close_cd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace {

TEST(CloseCDTest, ClosesOpenHandlesAndReportsOthers) {
    TestFolder temp;
    const auto cue = temp.Path() / "disc.cue";
    const auto image = discimage::WriteDiscImage(cue, {discimage::BytePattern(2352 * 10, 1)});
    ASSERT_TRUE(image.ok) << image.message;
    const TCDHandle handle = OpenImageDrive(cue);
    ASSERT_NE(handle, 0u);

    EXPECT_TRUE(CloseCD(0));  // nothing to close
    EXPECT_TRUE(CloseCD(handle));
    EXPECT_FALSE(CloseCD(handle));  // already closed
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/close_cd.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "temp_folder.h"

namespace {

// Opens the last drive of the list: the disc image just made.
TCDHandle OpenLastDrive() {
    TCDList list;
    if (GetCDList(&list) != 1 || list.Num == 0) {
        return 0;
    }
    const TCDDriveInfo& drive = list.Drives[list.Num - 1];
    TGetCDHandle request;
    request.Adapter = drive.Adapter;
    request.Target = drive.Target;
    request.Lun = drive.Lun;
    return GetCDHandle(&request);
}

TEST(CloseCDTest, ClosesOpenHandlesAndReportsOthers) {
    TTempFolder temp;
    const auto cue = temp.Path() / "disc.cue";
    const auto image = discimage::WriteDiscImage(cue, {discimage::BytePattern(2352 * 10, 1)});
    ASSERT_TRUE(image.ok) << image.message;
    ::setenv("BRISKLARK_DISC_IMAGES", cue.c_str(), 1);

    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);

    EXPECT_TRUE(CloseCD(0));  // nothing to close
    EXPECT_TRUE(CloseCD(handle));
    EXPECT_FALSE(CloseCD(handle));  // already closed
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

}  // namespace

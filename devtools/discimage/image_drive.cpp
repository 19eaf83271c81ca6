// SPDX-License-Identifier: GPL-3.0-or-later
#include "discimage/image_drive.h"

#include <stdlib.h>

#include <string_view>

TCDHandle OpenImageDrive(const std::filesystem::path& cue) {
    ::setenv("BRISKLARK_DISC_IMAGES", cue.c_str(), 1);
    TCDList list;
    if (GetCDList(&list) != 1) {
        return 0;
    }
    for (int i = list.Num - 1; i >= 0; --i) {
        const TCDDriveInfo& drive = list.Drives[i];
        if (std::string_view(drive.Vendor).starts_with("Image")) {
            TGetCDHandle request;
            request.Adapter = drive.Adapter;
            request.Target = drive.Target;
            request.Lun = drive.Lun;
            return GetCDHandle(&request);
        }
    }
    return 0;
}

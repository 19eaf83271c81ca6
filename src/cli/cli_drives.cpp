// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_drives.h"

#include <cstddef>
#include <iostream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_common.h"

namespace {

struct DriveState {
    TCDDriveIdentity Identity{};
    bool Opened = false;
    bool AudioDisc = false;
};

// Asks the drive itself; a drive that does not open keeps the vendor and
// model of the list.
DriveState StateOf(const CliDrive& drive) {
    DriveState state;
    state.Identity.Vendor = drive.Info.Vendor;
    state.Identity.Model = drive.Info.Product;
    const ScopedDriveHandle handle(drive.Info);
    if (handle.Get() == 0) {
        return state;
    }
    state.Opened = true;
    TCDDriveIdentity identity;
    if (GetCDDriveIdentity(handle.Get(), &identity) == 1) {
        state.Identity = identity;
    }
    state.AudioDisc = CDHasAudioTrack(handle.Get()) == 1;
    return state;
}

std::string DiscText(const DriveState& state) {
    if (!state.Opened) {
        return "cannot be opened";
    }
    return state.AudioDisc ? "audio disc" : "no audio disc";
}

void PrintText(std::size_t number, const CliDrive& drive, const DriveState& state) {
    std::cout << number << ": " << state.Identity.Vendor << ' ' << state.Identity.Model;
    if (!state.Identity.Revision.empty()) {
        std::cout << ' ' << state.Identity.Revision;
    }
    std::cout << " (" << drive.Path << "), " << DiscText(state) << '\n';
}

void PrintJson(std::size_t number, const CliDrive& drive, const DriveState& state) {
    PrintJsonLine({{"drive", number},
                   {"path", drive.Path},
                   {"vendor", state.Identity.Vendor},
                   {"model", state.Identity.Model},
                   {"revision", state.Identity.Revision},
                   {"image", state.Identity.Image},
                   {"opened", state.Opened},
                   {"audio_disc", state.AudioDisc}});
}

}  // namespace

int RunDrives(const DrivesOptions& options) {
    const std::vector<CliDrive> drives = ListDrives();
    if (drives.empty()) {
        return Failure("no CD drive or disc image found");
    }
    for (std::size_t number = 0; number < drives.size(); ++number) {
        const DriveState state = StateOf(drives[number]);
        if (options.Json) {
            PrintJson(number, drives[number], state);
        } else {
            PrintText(number, drives[number], state);
        }
    }
    return kExitSuccess;
}

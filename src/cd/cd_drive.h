// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Opening a CD drive, recognising an audio disc and deriving the disc key
// under which "cd.dat" caches the disc's titles. Called on the GUI thread;
// the functions touch no window: the status text goes back to the caller.

#include <cstdint>
#include <string>

#include "cd/access/cd_access.h"

inline constexpr const char* kNoCDDevicesText = "Can not find CD devices!";
inline constexpr const char* kBadDrivePositionText =
    "CD device information error in your configration!";
inline constexpr const char* kNoTOCText = "Can not get CD device information!";
inline constexpr const char* kNoAudioCDText = "Can not find audio CD in your CD device.";

inline constexpr std::size_t kDriveDescriptionLength = 26;

struct TOpenCDResult {
    TCDHandle handle = 0;
    // Vendor and product of the drive joined, cut to kDriveDescriptionLength;
    // empty when the position names no drive.
    std::string driveDescription;
    std::string statusText;  // the description, or why there is no handle
};

// Opens the drive at a position of the drive list. When no handle is free it
// closes handles 1..kMaxCDHandles in turn (handles left open earlier) and, at
// the first close that succeeds, asks once more.
[[nodiscard]] TOpenCDResult OpenCDDevice(int position);

// Whether the first drive of the list holds a disc with an audio track,
// whichever drive the program has open.
[[nodiscard]] bool FirstCDDriveHasAudioCD();

// The CDDB disc id of a minute/second/frame table, every track counted.
[[nodiscard]] std::uint32_t CddbDiscIdOf(const TTOC& toc);

// The CDDB disc id of the disc behind the handle, as signed 32-bit decimal
// text; empty when the table of contents cannot be read or has no audio track.
[[nodiscard]] std::string DiscKeyOf(TCDHandle handle);

// DiscKeyOf the first drive of the list whose disc has an audio track; empty
// when there is none.
[[nodiscard]] std::string GetDiscKey();

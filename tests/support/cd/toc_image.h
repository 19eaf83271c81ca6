// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "cd/access/cd_access.h"

// Writes a BIN/CUE image in folder with audio tracks starting at the given
// frames (counted from the start of the disc, the first at 150 or later) and
// the lead-out at leadOut, and opens its drive. The data file is sparse, so
// a full-length disc costs no disk space; its samples are silence. Returns 0
// when the drive does not open; the caller owns the handle.
[[nodiscard]] TCDHandle OpenTocImageDrive(const std::filesystem::path& folder,
                                          const std::vector<std::uint32_t>& trackStarts,
                                          std::uint32_t leadOut);

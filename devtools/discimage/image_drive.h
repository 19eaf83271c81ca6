// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

#include "cd/access/cd_access.h"

// Makes the disc image `cue` a drive of the list and opens it (the last
// drive whose vendor is "Image"). Returns 0 when no such drive opens; the
// caller owns the handle.
[[nodiscard]] TCDHandle OpenImageDrive(const std::filesystem::path& cue);

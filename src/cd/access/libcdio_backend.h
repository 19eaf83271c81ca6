// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The backend on libcdio: the CD-ROM drives libcdio finds, then the disc
// images (BIN/CUE, cdrdao TOC, NRG) named in BRISKLARK_DISC_IMAGES.

#include <memory>

#include "cd/access/cd_backend.h"

// The environment variable naming disc images, paths separated by ':'.
inline constexpr const char* kDiscImagesVariable = "BRISKLARK_DISC_IMAGES";

[[nodiscard]] std::unique_ptr<CDBackend> MakeLibcdioBackend();

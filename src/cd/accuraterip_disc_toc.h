// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A drive's table of contents in the form the AccurateRip ids and sums are
// made from. Any thread that may use the handle.

#include <optional>

#include "cd/access/cd_access.h"
#include "verify/accuraterip_disc.h"

// The table of a minute/second/frame ReadTOC in logical sectors (00:02:00 is
// sector 0), data tracks marked by their control bit; nothing when a start
// lies before 00:02:00.
[[nodiscard]] std::optional<TArToc> AccurateRipTocOf(const TTOC& toc);

// Switches the handle to minute/second/frame form and reads its table;
// nothing when the drive gives none, it lists no track, or a start lies
// before 00:02:00.
[[nodiscard]] std::optional<TArToc> ReadAccurateRipToc(TCDHandle handle);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A drive's table of contents in the form the MusicBrainz disc id is made
// from. Any thread that may use the handle.

#include <optional>

#include "cd/access/cd_access.h"
#include "cddb/musicbrainz/musicbrainz_toc.h"

// The table of a minute/second/frame ReadTOC: every track's start and the
// lead-out in frames from the start of the disc (a first track at 00:02:00
// starts at 150), data tracks marked by their control bit.
[[nodiscard]] TMbDiscToc MusicBrainzTocOf(const TTOC& toc);

// Switches the handle to minute/second/frame form and reads its table;
// nothing when the drive gives none or it lists no track.
[[nodiscard]] std::optional<TMbDiscToc> ReadMusicBrainzToc(TCDHandle handle);

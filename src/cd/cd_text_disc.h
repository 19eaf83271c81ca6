// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The titles a disc carries (CD-Text) as a lookup's answer for
// DiscSession::Apply. Any thread.

#include "cd/access/cd_access.h"
#include "disc/disc_info.h"

// Album = the disc's title, artist = its performer; one track per track
// with a title (an untitled one would blank the title Apply keeps), its
// artist only where its performer differs from the disc's.
[[nodiscard]] DiscInfo DiscInfoFromCDText(const TCDText& text);

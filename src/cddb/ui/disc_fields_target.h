// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the CDDB dialogs may change in the program's disc while applying an
// answer. GUI thread.

#include "disc/disc_info.h"

class DiscFieldsTarget {
public:
    virtual ~DiscFieldsTarget() = default;
    // Empties artist, album, year, genre and comment; the titles stay.
    virtual void ClearDiscFields() = 0;
    // Takes the answer into the disc (DiscSession::Apply) and shows it.
    virtual void ApplyDiscInfo(const DiscInfo& found) = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// brisklark-cli toc: a disc's table of contents, its ids at the CDDB,
// AccurateRip and MusicBrainz services, and its CD-Text.

struct TocOptions {
    int Drive = 0;      // position in the drive list
    bool Json = false;  // one JSON object
};

// The exit status: kExitFailure when there is no such drive or no audio disc
// in it.
[[nodiscard]] int RunToc(const TocOptions& options);

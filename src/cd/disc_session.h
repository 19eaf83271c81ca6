// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The disc the program works on: the opened drive, the layout of its disc
// (one row per track of the table of contents) and the current DiscInfo,
// whose tracks match the layout's rows one to one. A disc read from the
// drive takes its fields and titles from the disc cache; Save writes them
// back. The main window shows the session and puts the user's edits into
// it. GUI thread.

#include <filesystem>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "cd/cd_drive.h"
#include "cd/track_list.h"
#include "disc/disc_info.h"
#include "settings/settings_result.h"

class DiscSession {
public:
    explicit DiscSession(std::filesystem::path cacheFile);
    // Closes the drive still open.
    ~DiscSession();
    DiscSession(const DiscSession&) = delete;
    DiscSession& operator=(const DiscSession&) = delete;

    // Opens the drive at this position of the drive list; a drive open
    // before must have been closed (CloseDrive).
    TOpenCDResult OpenDrive(int position);
    // Closes the opened drive: true when none was open or the close succeeded.
    [[nodiscard]] bool CloseDrive();
    [[nodiscard]] TCDHandle Handle() const { return m_handle; }
    // Vendor and product of the opened drive (TOpenCDResult).
    [[nodiscard]] const std::string& DriveDescription() const { return m_driveDescription; }
    // The cache key of the disc in the opened drive; empty without one.
    [[nodiscard]] std::string DiscKey() const;

    // Reads the disc's table of contents into the layout, with the titles and
    // fields cached for it (the current ones when the disc has no key). On a
    // failure, or a table without tracks, the layout is empty and the disc
    // fields stay.
    TTrackListRead ReadDisc();
    // The medium went away: no layout, no tracks; the disc fields stay.
    void ForgetTracks();
    // Writes the disc to the cache; without tracks nothing is written, as an
    // empty layout says nothing about the disc's titles.
    [[nodiscard]] TSettingsResult Save() const;

    // True when the disc last read had a record in the cache: what the user
    // kept for it, which lookups must not replace unasked.
    [[nodiscard]] bool DiscWasCached() const { return m_cached; }

    [[nodiscard]] const std::vector<TTrackRow>& Layout() const { return m_layout; }
    [[nodiscard]] const DiscInfo& Disc() const { return m_disc; }

    // The user's edits. Rows outside the layout are ignored.
    void SetArtist(std::string text) { m_disc.Artist = std::move(text); }
    void SetAlbum(std::string text) { m_disc.Album = std::move(text); }
    void SetYear(std::string text) { m_disc.Year = std::move(text); }
    void SetComment(std::string text) { m_disc.Comment = std::move(text); }
    void SetGenre(int position, std::string text);
    void SetTrackTitle(int row, std::string title);
    void SetTicked(int row, bool ticked);

    // Empties artist, album, year, genre and comment; titles and the rest stay.
    void ClearDiscFields();

    // The one place a lookup's answer (cache aside) enters the disc. Of the
    // disc's values, every text the answer holds (not empty) replaces the
    // current one; a genre it names (a text or a list position) replaces
    // both genre values; a disc number or total it knows (not 0) and a
    // cover (with its type) replace theirs. Each of its tracks whose Number
    // is a track of the layout replaces that track's title as given, and its
    // artist, ISRC and ids when given. Ticks stay the user's; tracks not on
    // the disc are ignored. An answer naming a release other than the disc's
    // first drops what the previous release gave beyond texts and titles:
    // barcode, release group, disc number and total, cover, and the tracks'
    // artists, ISRCs and ids.
    void Apply(const DiscInfo& found);

private:
    void ForgetRelease();
    TrackInfo* TrackAt(int row);

    std::filesystem::path m_cacheFile;
    TCDHandle m_handle = 0;
    std::string m_driveDescription;
    std::vector<TTrackRow> m_layout;
    DiscInfo m_disc;
    bool m_cached = false;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/disc_session.h"

#include <charconv>
#include <utility>

#include "cd/close_cd.h"
#include "disc/disc_records.h"

namespace {

void ReplaceIfGiven(std::string& value, const std::string& found) {
    if (!found.empty()) {
        value = found;
    }
}

// The titles of the disc by track number, as the track list reads them.
TCDInfo TitlesByNumber(const DiscInfo& disc) {
    TCDInfo record;
    for (const TrackInfo& track : disc.Tracks) {
        if (track.Number >= 1 && track.Number <= kMaxTrackTitles) {
            record.Titles[track.Number] = track.Title;
        }
    }
    return record;
}

int NumberOf(const TTrackRow& row) {
    int number = 0;
    std::from_chars(row.caption.data(), row.caption.data() + row.caption.size(), number);
    return number;
}

void ApplyTrack(TrackInfo& track, const TrackInfo& found) {
    track.Title = found.Title;
    ReplaceIfGiven(track.Artist, found.Artist);
    ReplaceIfGiven(track.Isrc, found.Isrc);
    ReplaceIfGiven(track.RecordingId, found.RecordingId);
    ReplaceIfGiven(track.TrackId, found.TrackId);
}

}  // namespace

DiscSession::DiscSession(std::filesystem::path cacheFile) : m_cacheFile(std::move(cacheFile)) {}

DiscSession::~DiscSession() {
    (void)CloseDrive();
}

TOpenCDResult DiscSession::OpenDrive(int position) {
    TOpenCDResult opened = OpenCDDevice(position);
    m_handle = opened.handle;
    m_driveDescription = opened.driveDescription;
    return opened;
}

bool DiscSession::CloseDrive() {
    const bool closed = CloseCD(m_handle);
    m_handle = 0;
    return closed;
}

std::string DiscSession::DiscKey() const {
    return m_handle == 0 ? std::string() : DiscKeyOf(m_handle);
}

TTrackListRead DiscSession::ReadDisc() {
    const std::string key = DiscKey();
    m_cached = DiscIsCached(key, m_cacheFile);
    DiscInfo found = key.empty() ? m_disc : LoadCachedDisc(key, m_cacheFile);
    TCDInfo titles = TitlesByNumber(found);
    TTrackListRead read = ReadTrackList(m_handle, titles);
    m_layout.clear();
    m_disc.Tracks.clear();
    if (!read.ok || read.rows.empty()) {
        return read;
    }
    found.Tracks.clear();
    for (const TTrackRow& row : read.rows) {
        found.Tracks.push_back(
            {.Number = NumberOf(row), .Title = row.title, .Ticked = row.checked});
    }
    m_disc = std::move(found);
    m_layout = read.rows;
    return read;
}

void DiscSession::ForgetTracks() {
    m_cached = false;
    m_layout.clear();
    m_disc.Tracks.clear();
}

TSettingsResult DiscSession::Save() const {
    if (m_disc.Tracks.empty()) {
        return {};
    }
    return SaveCachedDisc(m_disc, DiscKey(), m_cacheFile);
}

void DiscSession::SetGenre(int position, std::string text) {
    m_disc.GenrePosition = position;
    m_disc.Genre = std::move(text);
}

TrackInfo* DiscSession::TrackAt(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= m_disc.Tracks.size()) {
        return nullptr;
    }
    return &m_disc.Tracks[static_cast<std::size_t>(row)];
}

void DiscSession::SetTrackTitle(int row, std::string title) {
    if (TrackInfo* track = TrackAt(row)) {
        track->Title = std::move(title);
    }
}

void DiscSession::SetTicked(int row, bool ticked) {
    if (TrackInfo* track = TrackAt(row)) {
        track->Ticked = ticked;
    }
}

void DiscSession::ClearDiscFields() {
    m_disc.Artist.clear();
    m_disc.Album.clear();
    m_disc.Year.clear();
    SetGenre(-1, {});
    m_disc.Comment.clear();
}

// Values that belong to one release: an answer for another release brings
// its own or none, never the previous release's.
void DiscSession::ForgetRelease() {
    m_disc.Barcode.clear();
    m_disc.ReleaseGroupId.clear();
    m_disc.DiscNumber = 0;
    m_disc.DiscTotal = 0;
    m_disc.Cover.clear();
    m_disc.CoverType.clear();
    for (TrackInfo& track : m_disc.Tracks) {
        track.Artist.clear();
        track.Isrc.clear();
        track.RecordingId.clear();
        track.TrackId.clear();
    }
}

void DiscSession::Apply(const DiscInfo& found) {
    if (!found.ReleaseId.empty() && found.ReleaseId != m_disc.ReleaseId) {
        ForgetRelease();
    }
    for (auto [value, given] : {std::pair{&m_disc.Artist, &found.Artist},
                                {&m_disc.Album, &found.Album},
                                {&m_disc.AlbumArtist, &found.AlbumArtist},
                                {&m_disc.Year, &found.Year},
                                {&m_disc.Comment, &found.Comment},
                                {&m_disc.Barcode, &found.Barcode},
                                {&m_disc.ReleaseId, &found.ReleaseId},
                                {&m_disc.ReleaseGroupId, &found.ReleaseGroupId},
                                {&m_disc.DiscId, &found.DiscId}}) {
        ReplaceIfGiven(*value, *given);
    }
    if (!found.Genre.empty() || found.GenrePosition >= 0) {
        SetGenre(found.GenrePosition, found.Genre);
    }
    if (found.DiscNumber != 0) {
        m_disc.DiscNumber = found.DiscNumber;
    }
    if (found.DiscTotal != 0) {
        m_disc.DiscTotal = found.DiscTotal;
    }
    if (!found.Cover.empty()) {
        m_disc.Cover = found.Cover;
        m_disc.CoverType = found.CoverType;
    }
    for (const TrackInfo& given : found.Tracks) {
        for (TrackInfo& track : m_disc.Tracks) {
            if (track.Number == given.Number) {
                ApplyTrack(track, given);
            }
        }
    }
}

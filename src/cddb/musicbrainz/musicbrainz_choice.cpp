// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/musicbrainz_choice.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <utility>

#include "audio/tags/id3v1_genres.h"

namespace {

std::string NormalGenreName(std::string_view name) {
    std::string normal;
    for (const char c : name) {
        if (c == '&') {
            normal += "and";
        } else if (std::isalnum(static_cast<unsigned char>(c)) != 0) {
            normal += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    return normal;
}

std::string Join(const std::vector<std::string>& texts, std::string_view separator) {
    std::string joined;
    for (const std::string& text : texts) {
        joined += (joined.empty() ? "" : std::string(separator)) + text;
    }
    return joined;
}

int GenrePositionOf(const std::vector<TMbGenre>& genres) {
    for (const TMbGenre& genre : genres) {
        const int position = MusicBrainzGenrePosition(genre.name);
        if (position > 0) {
            return position;
        }
    }
    return -1;
}

TrackInfo TrackOf(const TMbTrack& track, const std::string& releaseArtist, int firstTrack) {
    TrackInfo info;
    info.Number = firstTrack + track.position - 1;
    info.Title = track.title;
    if (track.artist != releaseArtist) {
        info.Artist = track.artist;
    }
    if (!track.isrcs.empty()) {
        info.Isrc = track.isrcs.front();
    }
    info.RecordingId = track.recordingId;
    info.TrackId = track.id;
    return info;
}

// Smaller ranks first: media with the disc's track count, official
// releases, earlier dates, dated before undated ("2007" < "2007-03" as text).
std::tuple<bool, bool, bool, std::string> RankOf(const TMbRelease& release, const TMbMedium& medium,
                                                 int audioTrackCount) {
    return {medium.trackCount != audioTrackCount, release.status != "Official",
            release.date.empty(), release.date};
}

}  // namespace

int MusicBrainzGenrePosition(std::string_view genre) {
    static constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
        {"alternativerock", "Alt. Rock"}, {"rhythmandblues", "R&B"},
        {"indierock", "Indie"},           {"indiepop", "Indie"},
        {"electronica", "Electronic"},
    };
    const std::string normal = NormalGenreName(genre);
    if (normal.empty()) {
        return -1;
    }
    for (const auto& [alias, listName] : kAliases) {
        if (normal == alias) {
            return GenreListPosition(listName);
        }
    }
    const auto names = GenreListNames();
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (NormalGenreName(names[i]) == normal) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::vector<TMbCandidate> MusicBrainzCandidates(const TMbAnswer& answer, std::string_view discId,
                                                int audioTrackCount) {
    std::vector<TMbCandidate> candidates;
    for (std::size_t r = 0; r < answer.releases.size(); ++r) {
        const TMbRelease& release = answer.releases[r];
        for (std::size_t m = 0; m < release.media.size(); ++m) {
            const TMbMedium& medium = release.media[m];
            const bool exact = std::ranges::find(medium.discIds, discId) != medium.discIds.end();
            if (!exact && medium.trackCount != audioTrackCount) {
                continue;
            }
            candidates.push_back({r, m, exact, release.artist, release.title, release.country,
                                  release.date, Join(release.labels, ", "), medium.format,
                                  medium.position, static_cast<int>(release.media.size()),
                                  medium.trackCount});
        }
    }
    if (std::ranges::any_of(candidates, &TMbCandidate::exact)) {
        std::erase_if(candidates, [](const TMbCandidate& c) { return !c.exact; });
    }
    std::ranges::stable_sort(candidates, {}, [&](const TMbCandidate& c) {
        const TMbRelease& release = answer.releases[c.release];
        return RankOf(release, release.media[c.medium], audioTrackCount);
    });
    return candidates;
}

DiscInfo MusicBrainzDiscInfo(const TMbAnswer& answer, const TMbCandidate& candidate,
                             std::string_view discId, int firstTrack) {
    const TMbRelease& release = answer.releases.at(candidate.release);
    const TMbMedium& medium = release.media.at(candidate.medium);
    DiscInfo disc;
    disc.Artist = release.artist;
    disc.Album = release.title;
    const std::string& date = release.date.empty() ? release.releaseGroupDate : release.date;
    disc.Year = date.substr(0, 4);
    disc.GenrePosition = GenrePositionOf(release.genres);
    if (disc.GenrePosition > 0) {
        disc.Genre = GenreListNames()[static_cast<std::size_t>(disc.GenrePosition)];
    }
    disc.DiscNumber = medium.position;
    disc.DiscTotal = static_cast<int>(release.media.size());
    disc.Barcode = release.barcode;
    disc.ReleaseId = release.id;
    disc.ReleaseGroupId = release.releaseGroupId;
    disc.DiscId = discId;
    for (const TMbTrack& track : medium.tracks) {
        disc.Tracks.push_back(TrackOf(track, release.artist, firstTrack));
    }
    std::ranges::stable_sort(disc.Tracks, {}, &TrackInfo::Number);
    return disc;
}

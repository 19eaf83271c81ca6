// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The MusicBrainz web service's JSON answers to a disc id lookup, parsed into
// plain records. All texts are untrusted: control characters become spaces
// and each is cut to kMbMaxTextBytes (at a UTF-8 character boundary); lists
// beyond their caps are ignored. Any thread.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kMbMaxAnswerBytes = 8 * 1024 * 1024;
inline constexpr std::size_t kMbMaxTextBytes = 1024;
inline constexpr std::size_t kMbMaxReleases = 100;
inline constexpr std::size_t kMbMaxMedia = 100;
inline constexpr std::size_t kMbMaxTracks = 99;
inline constexpr std::size_t kMbMaxListItems = 20;  // genres, labels, disc ids, ISRCs

struct TMbGenre {
    std::string name{};
    long long count = 0;  // votes
};

struct TMbTrack {
    int position = 0;  // 1-based on its medium
    std::string id{};
    std::string title{};   // the track's title, not the recording's
    std::string artist{};  // credited names with their join phrases
    std::string recordingId{};
    std::vector<std::string> isrcs{};
};

struct TMbMedium {
    int position = 0;  // disc number within the release
    std::string title{};
    std::string format{};
    int trackCount = 0;  // audio tracks
    std::vector<std::string> discIds{};
    std::vector<TMbTrack> tracks{};
};

struct TMbRelease {
    std::string id{};
    std::string title{};
    std::string artist{};  // credited names with their join phrases
    std::string date{};    // "YYYY", "YYYY-MM", "YYYY-MM-DD" or empty
    std::string country{};
    std::string barcode{};
    std::string status{};  // "Official", "Promotion", "Bootleg", ... or empty
    std::vector<std::string> labels{};
    std::string releaseGroupId{};
    std::string releaseGroupDate{};  // first release date of the group
    std::vector<TMbGenre> genres{};  // the release's, then its group's
    std::vector<TMbMedium> media{};
    bool hasFrontCover = false;  // the Cover Art Archive holds a front image of it
};

enum class TMbAnswerKind {
    Disc,         // the disc id is known: the releases holding it
    Stub,         // an anonymously entered CD stub, as one release with one medium
    ReleaseList,  // no such disc id: releases with media like the table of contents
    NotFound,     // the service knows nothing like the disc
    Error,        // an error answer or a malformed one; see message
};

struct TMbAnswer {
    TMbAnswerKind kind = TMbAnswerKind::Error;
    std::vector<TMbRelease> releases{};
    std::string message{};  // for Error
};

// Parses an answer body; the kind follows from its shape, never from the URL.
[[nodiscard]] TMbAnswer ParseMusicBrainzAnswer(std::string_view body);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fetches the front cover of a MusicBrainz release from a Cover Art Archive
// server, which redirects each image to the host that stores it.
//
// Threads: any but the GUI thread; a fetch blocks until it has the image, a
// limit passes or the stop token is triggered, which ends it at once.

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

// A larger image fails the fetch: covers are kept with the disc and written
// beside the files, and 500 pixels a side take far less.
inline constexpr std::size_t kMaxCoverBytes = 1 << 20;

struct TCoverArtResult {
    std::vector<std::uint8_t> jpeg{};
    std::string reason{};  // why there is no cover, for the user; empty on success
};

// The 500-pixel JPEG front cover of the release at
// <server>/release/<releaseId>/front-500. The server is an http or https URL
// as for the lookup; the release id must be a MusicBrainz id (lower-case
// UUID), otherwise nothing is requested. Only a 200 answer whose body starts
// like a JPEG file counts.
[[nodiscard]] TCoverArtResult FetchFrontCover(std::string_view server, std::string_view releaseId,
                                              std::stop_token stop);

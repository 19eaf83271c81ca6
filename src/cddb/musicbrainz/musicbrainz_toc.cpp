// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/musicbrainz_toc.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>

#include "cddb/musicbrainz/sha1.h"

namespace {

constexpr int kMaxTrackNumber = 99;
// Lead-out, lead-in and pregap of a second session: (60 + 90 + 2) s.
constexpr std::uint32_t kSessionGapFrames = 11400;
constexpr std::uint32_t kLeadInFrames = 150;

// Copy-protected discs may report a track at 0, inside the lead-in; it is
// taken to start where the first track can.
std::uint32_t StartOf(const TMbDiscTrack& track) {
    return track.start == 0 ? kLeadInFrames : track.start;
}

std::string Base64WithUrlSafeSwap(const std::array<std::uint8_t, 20>& bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._";
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, bytes.size() - i);
        std::uint32_t group = std::uint32_t{bytes[i]} << 16;
        if (count > 1)
            group |= std::uint32_t{bytes[i + 1]} << 8;
        if (count > 2)
            group |= bytes[i + 2];
        for (std::size_t k = 0; k < 4; ++k) {
            text += k <= count ? kAlphabet[(group >> (18 - 6 * k)) & 0x3F] : '-';
        }
    }
    return text;
}

std::string JoinToc(const TMbIdToc& toc, char separator) {
    std::string text = std::to_string(toc.first) + separator + std::to_string(toc.last) +
                       separator + std::to_string(toc.leadOut);
    for (const std::uint32_t start : toc.starts) {
        text += separator + std::to_string(start);
    }
    return text;
}

}  // namespace

std::optional<TMbIdToc> MusicBrainzIdToc(const TMbDiscToc& toc) {
    const auto lastAudio = std::find_if(toc.tracks.rbegin(), toc.tracks.rend(),
                                        [](const TMbDiscTrack& track) { return !track.data; });
    if (lastAudio == toc.tracks.rend()) {
        return std::nullopt;
    }
    auto end = lastAudio.base();  // one past the last audio track
    std::uint32_t leadOut = toc.leadOut;
    if (end != toc.tracks.end() && StartOf(*end) > kSessionGapFrames) {
        leadOut = StartOf(*end) - kSessionGapFrames;
    }
    // A lead-out before a track (copy-protected discs again) ends the disc there.
    while (end != toc.tracks.begin() && StartOf(*std::prev(end)) >= leadOut) {
        --end;
    }
    TMbIdToc id;
    id.first = toc.firstTrack;
    for (auto track = toc.tracks.begin(); track != end; ++track) {
        id.starts.push_back(StartOf(*track));
    }
    id.last = id.first + static_cast<int>(id.starts.size()) - 1;
    id.leadOut = leadOut;
    if (id.starts.empty() || id.first < 1 || id.last > kMaxTrackNumber) {
        return std::nullopt;
    }
    return id;
}

std::string MusicBrainzDiscId(const TMbIdToc& toc) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%02X%02X", toc.first, toc.last);
    std::string text = hex;
    for (int slot = 0; slot <= kMaxTrackNumber; ++slot) {
        std::uint32_t value = 0;
        if (slot == 0) {
            value = toc.leadOut;
        } else if (slot >= toc.first && slot <= toc.last &&
                   static_cast<std::size_t>(slot - toc.first) < toc.starts.size()) {
            value = toc.starts[static_cast<std::size_t>(slot - toc.first)];
        }
        std::snprintf(hex, sizeof hex, "%08X", value);
        text += hex;
    }
    return Base64WithUrlSafeSwap(Sha1(text));
}

std::string MusicBrainzTocString(const TMbIdToc& toc) {
    return JoinToc(toc, ' ');
}

std::string MusicBrainzLookupPath(const TMbIdToc& toc) {
    return "/ws/2/discid/" + MusicBrainzDiscId(toc) + "?toc=" + JoinToc(toc, '+') +
           "&inc=artist-credits+recordings+labels+release-groups+isrcs+genres&fmt=json";
}

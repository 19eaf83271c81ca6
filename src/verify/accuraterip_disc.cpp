// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/accuraterip_disc.h"

#include <cstdio>

#include "cddb/protocol/cddb_toc.h"

namespace {

// Lead-out, lead-in and pregap of an enhanced CD's data session.
constexpr std::uint32_t kDataSessionGapSectors = 11400;
// Logical sector 0 is 150 sectors (two seconds) after the start of the disc.
constexpr std::uint32_t kLeadInSectors = 150;

bool RisesToLeadOut(const TArToc& toc) {
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        const std::uint32_t next =
            i + 1 < toc.tracks.size() ? toc.tracks[i + 1].startSector : toc.leadOut;
        if (toc.tracks[i].startSector >= next) {
            return false;
        }
    }
    return true;
}

// Where audio track i ends: at the next track, before an enhanced CD's data
// session, or at the lead-out.
std::uint32_t AudioEnd(const TArToc& toc, std::size_t i) {
    if (i + 1 == toc.tracks.size()) {
        return toc.leadOut;
    }
    const TArTocTrack& next = toc.tracks[i + 1];
    if (next.data && next.startSector > toc.tracks[i].startSector + kDataSessionGapSectors) {
        return next.startSector - kDataSessionGapSectors;
    }
    return next.startSector;
}

std::uint32_t CddbId(const TArToc& toc) {
    TCddbToc cddb;
    for (const TArTocTrack& track : toc.tracks) {
        cddb.trackStarts.push_back(track.startSector + kLeadInSectors);
    }
    cddb.leadOut = toc.leadOut + kLeadInSectors;
    return CddbDiscId(cddb);
}

}  // namespace

std::optional<TArDisc> AccurateRipDisc(const TArToc& toc) {
    if (toc.tracks.empty() || toc.tracks.size() > kArMaxTracks || !RisesToLeadOut(toc)) {
        return std::nullopt;
    }
    TArDisc disc;
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        if (toc.tracks[i].data) {
            continue;
        }
        const std::uint32_t start = toc.tracks[i].startSector;
        disc.tracks.push_back({.number = static_cast<int>(i + 1),
                               .startSector = start,
                               .sectors = AudioEnd(toc, i) - start});
    }
    if (disc.tracks.empty()) {
        return std::nullopt;
    }
    const std::size_t count = disc.tracks.size();
    std::uint32_t id1 = 0;
    std::uint32_t id2 = 0;
    for (std::size_t ordinal = 1; ordinal <= count; ++ordinal) {
        TArTrack& track = disc.tracks[ordinal - 1];
        id1 += track.startSector;
        id2 += std::max<std::uint32_t>(track.startSector, 1) * static_cast<std::uint32_t>(ordinal);
        if (static_cast<std::size_t>(track.number) <= count) {
            track.slot = static_cast<std::size_t>(track.number) - 1;
        }
    }
    id1 += toc.leadOut;
    id2 += std::max<std::uint32_t>(toc.leadOut, 1) * static_cast<std::uint32_t>(count + 1);
    disc.tracks.front().first = true;
    disc.tracks.back().last = true;
    disc.ids = {.audioTracks = count, .id1 = id1, .id2 = id2, .cddbId = CddbId(toc)};
    return disc;
}

std::string AccurateRipPath(const TArIds& ids) {
    const auto digit = [&](int place) {
        return "0123456789abcdef"[(ids.id1 >> (4 * place)) & 0xF];
    };
    char path[80];
    std::snprintf(path, sizeof path, "/accuraterip/%c/%c/%c/dBAR-%s.bin", digit(0), digit(1),
                  digit(2), AccurateRipIdText(ids).c_str());
    return path;
}

std::string AccurateRipIdText(const TArIds& ids) {
    char text[40];
    std::snprintf(text, sizeof text, "%03zu-%08x-%08x-%08x", ids.audioTracks, ids.id1, ids.id2,
                  ids.cddbId);
    return text;
}

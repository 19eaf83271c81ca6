// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/read_offset_finder.h"

#include <algorithm>
#include <optional>
#include <span>

#include "cd/accuraterip_disc_toc.h"
#include "cd/scoped_read_mode.h"
#include "verify/accuraterip_answer.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_fetch.h"
#include "verify/accuraterip_sums.h"

namespace {

// Sectors per read: a stop waits at most this long a read.
constexpr std::int64_t kBlockSectors = 25;

std::span<const TArTrack> TracksToCheck(const TArDisc& disc) {
    const std::size_t count =
        disc.tracks.size() == 1 ? 1 : std::min(disc.tracks.size() - 1, kReadOffsetMaxTracks);
    return std::span(disc.tracks).first(count);
}

// Feeds the scanner count sectors from first on in blocks, silence outside
// 0..audioEnd-1. Nothing when all were fed; else the outcome that ended it.
std::optional<TReadOffsetSearch> FeedSectors(TCDHandle handle, std::int64_t first,
                                             std::int64_t count, std::int64_t audioEnd,
                                             TArOffsetScanner& scanner,
                                             const std::stop_token& stop) {
    for (std::int64_t block = first; block < first + count; block += kBlockSectors) {
        if (stop.stop_requested()) {
            return TReadOffsetSearch{.outcome = TReadOffsetOutcome::Stopped};
        }
        const std::int64_t blockEnd = std::min(block + kBlockSectors, first + count);
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(blockEnd - block) * kCDSectorBytes,
                                        0);
        const std::int64_t readFirst = std::max<std::int64_t>(block, 0);
        const std::int64_t readEnd = std::min(blockEnd, audioEnd);
        if (readFirst < readEnd) {
            TTrackBuf buffer = MakeTrackBuf(static_cast<std::uint32_t>(readFirst),
                                            static_cast<std::uint32_t>(readEnd - readFirst));
            if (ReadCDAudioLBA(handle, &buffer) != 1 || buffer.Len != buffer.MaxLen ||
                std::uint64_t{buffer.StartOffset} + buffer.Len > buffer.Buf.size()) {
                return TReadOffsetSearch{.outcome = TReadOffsetOutcome::ReadFailed,
                                         .reason = "sectors " + std::to_string(readFirst) + " to " +
                                                   std::to_string(readEnd - 1) +
                                                   " could not be read"};
            }
            std::ranges::copy(std::span(buffer.Buf).subspan(buffer.StartOffset, buffer.Len),
                              bytes.begin() + (readFirst - block) * kCDSectorBytes);
        }
        scanner.Update(bytes);
    }
    return std::nullopt;
}

}  // namespace

TReadOffsetSearch FindReadOffset(TCDHandle handle, std::string_view server, std::stop_token stop) {
    TReadOffsetSearch search;
    if (GetCDDriveIdentity(handle, &search.drive) != 1) {
        return search;
    }
    if (search.drive.Image) {
        search.outcome = TReadOffsetOutcome::Image;
        return search;
    }
    const std::optional<TArToc> toc = ReadAccurateRipToc(handle);
    const std::optional<TArDisc> disc = toc ? AccurateRipDisc(*toc) : std::nullopt;
    if (!disc) {
        return search;
    }
    const TArFetchResult answer = FetchAccurateRip(server, disc->ids, stop);
    switch (answer.kind) {
        case TArFetchKind::Answer:
            break;
        case TArFetchKind::DiscNotPresent:
            search.outcome = TReadOffsetOutcome::DiscNotPresent;
            return search;
        case TArFetchKind::Failed:
            search.outcome = TReadOffsetOutcome::LookupFailed;
            search.reason = answer.reason;
            return search;
        case TArFetchKind::Stopped:
            search.outcome = TReadOffsetOutcome::Stopped;
            return search;
    }

    const TArTrack& lastAudio = disc->tracks.back();
    const std::int64_t audioEnd = std::int64_t{lastAudio.startSector} + lastAudio.sectors;
    constexpr std::int64_t kMargin = kArScanMarginSectors;
    std::vector<TArRippedTrack> scanned;
    // Plain reading with no correction, so that the sums see the drive as
    // it is.
    ScopedCDReadMode mode(handle);
    mode.Set({false, mode.Mode().Retries, 0});
    for (const TArTrack& track : TracksToCheck(*disc)) {
        TArOffsetScanner scanner(std::uint64_t{track.sectors} * kArSamplesPerSector, track.first,
                                 track.last);
        if (std::optional<TReadOffsetSearch> end =
                FeedSectors(handle, std::int64_t{track.startSector} - kMargin,
                            std::int64_t{track.sectors} + 2 * kMargin, audioEnd, scanner, stop)) {
            end->drive = search.drive;
            end->checkedTracks = search.checkedTracks;
            return *end;
        }
        scanned.push_back({track.slot, {}, scanner.Finish()});
        search.checkedTracks.push_back(track.number);
    }
    // A track's sum at shift s is that of the audio s samples after what the
    // drive delivered, which is the read offset correction (TCDReadMode).
    const std::optional<int> shift = AccurateRipDiscShift(answer.chunks, scanned);
    search.outcome = shift ? TReadOffsetOutcome::Found : TReadOffsetOutcome::NoOffset;
    search.offset = shift.value_or(0);
    return search;
}

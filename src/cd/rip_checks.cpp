// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_checks.h"

#include <algorithm>
#include <filesystem>

#include "settings/settings_helpers.h"

std::vector<TArVerdict> RipVerdicts(const TArFetchResult& answer, const TArDisc& disc,
                                    std::span<const TRipTrackReport> reports, int readOffset) {
    std::vector<TArVerdict> verdicts(reports.size());
    std::vector<TArRippedTrack> ripped;
    std::vector<std::size_t> rippedIndex;  // of each ripped track's report
    for (std::size_t i = 0; i < reports.size(); ++i) {
        const auto track = std::ranges::find(disc.tracks, reports[i].Number, &TArTrack::number);
        if (reports[i].Sums && track != disc.tracks.end()) {
            ripped.push_back({track->slot, *reports[i].Sums, reports[i].ShiftedSums});
            rippedIndex.push_back(i);
        }
    }
    std::vector<TArVerdict> found;
    if (answer.kind == TArFetchKind::Answer) {
        found = AccurateRipVerdicts(answer.chunks, ripped, readOffset);
    } else if (answer.kind == TArFetchKind::DiscNotPresent) {
        found.assign(ripped.size(), {TArResult::DiscNotPresent, 0, 0, 0, {}});
    }
    for (std::size_t k = 0; k < found.size(); ++k) {
        verdicts[rippedIndex[k]] = found[k];
    }
    return verdicts;
}

std::string TrackCheckLine(const TRipTrackReport& report, const TArVerdict* verdict) {
    std::string checks;
    if (verdict != nullptr) {
        checks = AccurateRipResultText(*verdict);
    }
    if (report.DecodeCheck) {
        checks += (checks.empty() ? "" : "; ") + std::string("decode check ") +
                  report.DecodeCheck->LogText;
    }
    return checks.empty() ? checks : "Track " + TwoDigits(report.Number) + ": " + checks;
}

TRipLogTrack RipLogTrackOf(const TRipTrackReport& report, const TArVerdict& verdict) {
    TRipLogTrack track;
    track.number = report.Number;
    track.fileName = std::filesystem::u8path(report.File).filename().string();
    const TCDReadQuality& quality = report.ReadQuality;
    track.quality = {quality.ReadErrors, quality.SkippedSectors, quality.JitterFixes,
                     quality.DriftFixes, quality.DroppedFixes,   quality.DuplicatedFixes};
    if (report.Sums) {
        track.peak = report.Sums->peak;
        track.crc32 = report.Sums->crc32;
        track.v1 = report.Sums->v1;
        track.v2 = report.Sums->v2;
    }
    track.verdict = verdict;
    if (report.DecodeCheck) {
        track.decodeCheck = report.DecodeCheck->LogText;
    }
    return track;
}

std::vector<TRipLogTocRow> RipLogTocOf(const TArToc& toc) {
    std::vector<TRipLogTocRow> rows;
    for (std::size_t i = 0; i < toc.tracks.size(); ++i) {
        const std::uint32_t start = toc.tracks[i].startSector;
        const std::uint32_t end =
            i + 1 < toc.tracks.size() ? toc.tracks[i + 1].startSector : toc.leadOut;
        rows.push_back({static_cast<int>(i + 1), start, end - start, toc.tracks[i].data});
    }
    return rows;
}

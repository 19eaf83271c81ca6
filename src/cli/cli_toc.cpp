// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_toc.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cd/accuraterip_disc_toc.h"
#include "cd/cd_drive.h"
#include "cd/cd_text_disc.h"
#include "cd/msf_toc.h"
#include "cd/musicbrainz_disc_toc.h"
#include "cddb/musicbrainz/musicbrainz_toc.h"
#include "cddb/protocol/cddb_toc.h"
#include "cli/cli_common.h"
#include "verify/accuraterip_disc.h"

namespace {

constexpr std::int32_t kLeadInFrames = 150;  // 00:02:00, logical sector 0
constexpr std::int32_t kFramesPerSecond = 75;

struct TocTrack {
    int Number = 0;
    bool Data = false;
    std::int32_t Start = 0;    // logical sector
    std::int32_t Sectors = 0;  // up to the next track or the lead-out
};

// Everything the command prints, each id made by the function the lookups
// and the rip use.
struct DiscReport {
    std::vector<TocTrack> Tracks;
    std::int32_t LeadOut = 0;  // logical sector
    std::string CddbId;
    std::string AccurateRipId;
    std::string MusicBrainzId;
    std::optional<DiscInfo> CDText;  // none when the disc carries no text
};

std::vector<TocTrack> TracksOf(const TTOC& toc) {
    std::vector<TocTrack> tracks;
    const int count = toc.LastTrack - toc.FirstTrack + 1;
    for (int k = 0; k < count; ++k) {
        const TTOCTrack& entry = toc.Tracks[k];
        const std::int32_t start = AddressFrames(entry) - kLeadInFrames;
        const std::int32_t next = AddressFrames(toc.Tracks[k + 1]) - kLeadInFrames;
        tracks.push_back({toc.FirstTrack + k, IsDataTrack(entry), start, next - start});
    }
    return tracks;
}

std::optional<DiscInfo> CDTextOf(TCDHandle handle) {
    TCDText text;
    if (ReadCDText(handle, &text) != 1 || text.Empty()) {
        return std::nullopt;
    }
    return DiscInfoFromCDText(text);
}

// "mm:ss.ff", ff in CD frames (1/75 s).
std::string MsfText(std::int32_t sectors) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d.%02d", sectors / (60 * kFramesPerSecond),
                  sectors / kFramesPerSecond % 60, sectors % kFramesPerSecond);
    return text;
}

void PrintText(const DiscReport& report) {
    std::printf("Track  Type   Start  Length\n");
    for (const TocTrack& track : report.Tracks) {
        std::printf("%5d  %-5s  %5d  %s\n", track.Number, track.Data ? "data" : "audio",
                    track.Start, MsfText(track.Sectors).c_str());
    }
    std::printf("Lead-out      %5d\n", report.LeadOut);
    std::printf("CDDB disc id: %s\n", report.CddbId.c_str());
    std::printf("AccurateRip disc id: %s\n", report.AccurateRipId.c_str());
    std::printf("MusicBrainz disc id: %s\n", report.MusicBrainzId.c_str());
    if (!report.CDText) {
        return;
    }
    std::printf("CD-Text album: %s\n", report.CDText->Album.c_str());
    std::printf("CD-Text performer: %s\n", report.CDText->Artist.c_str());
    for (const TrackInfo& track : report.CDText->Tracks) {
        std::printf("CD-Text track %d: %s", track.Number, track.Title.c_str());
        if (!track.Artist.empty()) {
            std::printf(" / %s", track.Artist.c_str());
        }
        std::printf("\n");
    }
}

nlohmann::ordered_json CDTextJson(const DiscInfo& text) {
    nlohmann::ordered_json tracks = nlohmann::ordered_json::array();
    for (const TrackInfo& track : text.Tracks) {
        tracks.push_back({{"number", track.Number},
                          {"title", track.Title},
                          {"performer", track.Artist.empty() ? text.Artist : track.Artist}});
    }
    return {{"album", text.Album}, {"performer", text.Artist}, {"tracks", tracks}};
}

void PrintJson(int drive, const DiscReport& report) {
    nlohmann::ordered_json tracks = nlohmann::ordered_json::array();
    for (const TocTrack& track : report.Tracks) {
        tracks.push_back({{"number", track.Number},
                          {"type", track.Data ? "data" : "audio"},
                          {"start", track.Start},
                          {"sectors", track.Sectors},
                          {"length", MsfText(track.Sectors)}});
    }
    PrintJsonLine({{"drive", drive},
                   {"tracks", tracks},
                   {"lead_out", report.LeadOut},
                   {"cddb_id", report.CddbId},
                   {"accuraterip_id", report.AccurateRipId},
                   {"musicbrainz_id", report.MusicBrainzId},
                   {"cd_text", report.CDText ? CDTextJson(*report.CDText) : nullptr}});
}

}  // namespace

int RunToc(const TocOptions& options) {
    const std::vector<CliDrive> drives = ListDrives();
    if (options.Drive >= static_cast<int>(drives.size())) {
        return Failure("no drive " + std::to_string(options.Drive) + " (" +
                       std::to_string(drives.size()) + " found; see brisklark-cli drives)");
    }
    const CliDrive& drive = drives[static_cast<std::size_t>(options.Drive)];
    const ScopedDriveHandle handle(drive.Info);
    if (handle.Get() == 0) {
        return Failure("cannot open drive " + std::to_string(options.Drive) + " (" + drive.Path +
                       ")");
    }
    const std::optional<TTOC> toc = ReadMsfToc(handle.Get());
    if (!toc) {
        return Failure("no disc in drive " + std::to_string(options.Drive));
    }
    const std::optional<TArToc> arToc = AccurateRipTocOf(*toc);
    const std::optional<TArDisc> arDisc = arToc ? AccurateRipDisc(*arToc) : std::nullopt;
    const std::optional<TMbIdToc> mbToc = MusicBrainzIdToc(MusicBrainzTocOf(*toc));
    if (!arDisc || !mbToc) {
        return Failure("no audio disc in drive " + std::to_string(options.Drive));
    }
    DiscReport report;
    report.Tracks = TracksOf(*toc);
    report.LeadOut =
        AddressFrames(toc->Tracks[toc->LastTrack - toc->FirstTrack + 1]) - kLeadInFrames;
    report.CddbId = CddbDiscIdText(CddbDiscIdOf(*toc));
    report.AccurateRipId = AccurateRipIdText(arDisc->ids);
    report.MusicBrainzId = MusicBrainzDiscId(*mbToc);
    report.CDText = CDTextOf(handle.Get());
    if (options.Json) {
        PrintJson(options.Drive, report);
    } else {
        PrintText(report);
    }
    return kExitSuccess;
}

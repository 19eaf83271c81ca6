// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_verification.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <exception>
#include <utility>

#include "base/program_info.h"
#include "cd/accuraterip_disc_toc.h"
#include "cd/rip_checks.h"
#include "cd/rip_protocol.h"
#include "cd/rip_thread.h"
#include "cd/whole_file.h"

namespace {

// "YYYY-MM-DD hh:mm:ss", local time.
std::string LocalDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &local);
    return text.data();
}

}  // namespace

RipVerification::RipVerification(TCDHandle handle, TVerifyOptions options, RipJobView& view)
    : m_handle(handle), m_options(std::move(options)), m_view(view) {}

void RipVerification::Start(const TCDReadMode& mode, TReadOffsetOrigin offsetOrigin,
                            RipAudioObserver* next) {
    m_readMode = mode;
    m_offsetOrigin = offsetOrigin;
    m_toc = ReadAccurateRipToc(m_handle);
    if (m_toc) {
        m_disc = AccurateRipDisc(*m_toc);
    }
    m_verifier = std::make_unique<RipTrackVerifier>(m_handle, m_disc, m_toc ? m_toc->leadOut : 0,
                                                    m_options.AccurateRip, next);
    if (!ChecksAccurateRip()) {
        return;
    }
    // The answer takes a network round trip, or the lookup's time limit:
    // not on the driving thread, and never in the rip's way.
    m_fetch = std::jthread([this, server = m_options.AccurateRipServer,
                            ids = m_disc->ids](std::stop_token stop) {
        m_answer = FetchAccurateRip(server, ids, std::move(stop));
        m_view.Post({WM_RIPPROGRESS, 0, 0,
                     std::make_unique<TProcessInfo>(kPercentAccurateRipAnswered, kRipStatusOk)});
    });
}

void RipVerification::TrackRipped(std::int32_t number, std::string file) {
    TRipTrackReport report = m_verifier->TakeReport();
    report.Number = number;
    report.File = std::move(file);
    m_reports.push_back(std::move(report));
}

void RipVerification::DecodeChecked(const TDecodeCheck& check) {
    m_reports.back().DecodeCheck = check;
}

void RipVerification::TrackComplete() {
    ++m_completeReports;
    ShowTrackChecks();
}

void RipVerification::Answered() {
    m_fetch.join();
    ShowTrackChecks();
}

void RipVerification::StopLookup() {
    m_fetch.request_stop();
    if (m_fetch.joinable()) {
        m_fetch.join();
    }
}

bool RipVerification::ChecksAccurateRip() const {
    return m_options.AccurateRip && m_disc;
}

std::vector<TArVerdict> RipVerification::Verdicts() const {
    if (!ChecksAccurateRip()) {
        return std::vector<TArVerdict>(m_reports.size());
    }
    return RipVerdicts(m_answer, *m_disc, m_reports, m_readMode.OffsetSamples);
}

void RipVerification::ShowTrackChecks() {
    if (Awaiting()) {
        return;  // shown when the answer comes
    }
    const std::vector<TArVerdict> verdicts = Verdicts();
    for (; m_shownChecks < m_completeReports; ++m_shownChecks) {
        const std::string line = TrackCheckLine(
            m_reports[m_shownChecks], ChecksAccurateRip() ? &verdicts[m_shownChecks] : nullptr);
        if (!line.empty()) {
            m_view.ShowTrackCheck(line);
        }
    }
}

std::optional<std::string> RipVerification::Report(const std::string& folder,
                                                   const DiscInfo& disc) {
    if (m_reports.empty()) {
        return std::nullopt;
    }
    ShowTrackChecks();
    const std::vector<TArVerdict> verdicts = Verdicts();
    const auto accurate = std::ranges::count(verdicts, TArResult::Accurate, &TArVerdict::result);
    // Without AccurateRip, "0 of N accurately ripped" would read as a failure.
    std::string summary =
        ChecksAccurateRip()
            ? std::to_string(accurate) + " of " + std::to_string(verdicts.size()) +
                  " tracks accurately ripped"
            : std::to_string(verdicts.size()) + " tracks ripped, not checked with AccurateRip";
    std::optional<std::string> failure;
    if (m_options.WriteLog) {
        const std::string name = RipLogFileName(disc.Artist, disc.Album);
        try {
            const std::string text = RipLogText(LogOf(verdicts));
            failure = WriteFileWhole(
                folder + name,
                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                TExistingFile::Replace);
        } catch (const std::exception& error) {
            failure = error.what();
        }
        if (failure) {
            failure = "The rip log " + folder + name + " could not be written: " + *failure + ".";
        } else {
            summary += "; log: " + name;
        }
    }
    m_view.ShowCheckSummary(summary);
    return failure;
}

TRipLog RipVerification::LogOf(const std::vector<TArVerdict>& verdicts) const {
    TRipLog log;
    log.program = "Brisklark";
    log.version = kProgramVersion;
    log.date = LocalDateTime();
    TCDDriveIdentity identity;
    if (GetCDDriveIdentity(m_handle, &identity) == 1) {
        log.driveVendor = identity.Vendor;
        log.driveModel = identity.Model;
        if (identity.Image && GetCDDrivePath(m_handle, &log.imagePath) != 1) {
            log.imagePath = identity.Model;
        }
    }
    log.careful = m_readMode.Careful;
    log.retries = m_readMode.Retries;
    log.readOffset = m_readMode.OffsetSamples;
    log.readOffsetOrigin = m_offsetOrigin;
    if (m_toc) {
        log.toc = RipLogTocOf(*m_toc);
    }
    if (m_disc) {
        log.cddbId = m_disc->ids.cddbId;
        log.accurateRipId = AccurateRipIdText(m_disc->ids);
    }
    for (std::size_t i = 0; i < m_reports.size(); ++i) {
        log.tracks.push_back(RipLogTrackOf(m_reports[i], verdicts[i]));
    }
    return log;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a rip checks besides the rip itself: each track's record as the rip
// thread writes it (sums, shifted sums, read quality), the disc's
// AccurateRip answer fetched once on a worker, each track's line in the view
// once its record is complete and the answer is in, and at the end the rip
// log and the summary line.
//
// Threads: the driving thread, except the observer's calls (the rip thread)
// and the lookup's worker, which only posts kPercentAccurateRipAnswered
// through the view; its answer is read after joining it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cd/access/cd_access.h"
#include "cd/rip_job_view.h"
#include "cd/rip_track_verifier.h"
#include "disc/disc_info.h"
#include "settings/options_setting.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_fetch.h"
#include "verify/rip_log.h"

class RipVerification {
public:
    RipVerification(TCDHandle handle, TVerifyOptions options, RipJobView& view);
    RipVerification(const RipVerification&) = delete;
    RipVerification& operator=(const RipVerification&) = delete;

    // Reads the disc's table of contents, makes the rip thread's observer
    // (which passes every call on to next) and starts the lookup. mode: what
    // the drive reads with during the rip, for the verdicts and the log.
    void Start(const TCDReadMode& mode, TReadOffsetOrigin offsetOrigin, RipAudioObserver* next);
    // For the rip threads; null before Start.
    [[nodiscard]] RipAudioObserver* Observer() const { return m_verifier.get(); }

    // A track's rip ended: its record begins, under its file's path.
    void TrackRipped(std::int32_t number, std::string file);
    // The decode check of the last track ripped.
    void DecodeChecked(const TDecodeCheck& check);
    // The last track's record is complete: its line is shown once the
    // answer is in.
    void TrackComplete();

    // Whether the lookup still runs, so that the answer's message is to come.
    [[nodiscard]] bool Awaiting() const { return m_fetch.joinable(); }
    // The answer's message arrived: shows the lines that waited for it.
    void Answered();
    // Ends a running lookup at once; its tracks stay "not checked".
    void StopLookup();

    // Once, at the end, when a track's rip ended: shows the lines not yet
    // shown, writes the log into folder when asked for (named after the
    // disc's artist and album) and shows the summary. Why the log could not
    // be written, for the report at the end; nothing when it was or none
    // was asked for.
    [[nodiscard]] std::optional<std::string> Report(const std::string& folder,
                                                    const DiscInfo& disc);

    // One record per track whose rip ended (failed ones included), in rip
    // order.
    [[nodiscard]] const std::vector<TRipTrackReport>& Reports() const { return m_reports; }

private:
    // Whether tracks get AccurateRip verdicts: asked for, and the disc has ids.
    [[nodiscard]] bool ChecksAccurateRip() const;
    [[nodiscard]] std::vector<TArVerdict> Verdicts() const;
    // The lines of the complete records not yet shown, once the answer is in.
    void ShowTrackChecks();
    [[nodiscard]] TRipLog LogOf(const std::vector<TArVerdict>& verdicts) const;

    const TCDHandle m_handle;
    const TVerifyOptions m_options;
    RipJobView& m_view;
    TCDReadMode m_readMode;
    TReadOffsetOrigin m_offsetOrigin = TReadOffsetOrigin::None;
    std::optional<TArToc> m_toc;
    std::optional<TArDisc> m_disc;
    std::unique_ptr<RipTrackVerifier> m_verifier;
    std::vector<TRipTrackReport> m_reports;
    std::size_t m_completeReports = 0;  // of m_reports, decode check done or not run
    std::size_t m_shownChecks = 0;      // of m_reports, whose line was shown
    TArFetchResult m_answer;            // written by the lookup, read after joining it
    // Declared last: joined before anything it uses goes. None when no
    // lookup runs; joined once it has posted.
    std::jthread m_fetch;
};

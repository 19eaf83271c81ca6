// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "base/message_target.h"

// The texts a view shows: the stage of the track (all but
// kRipInitializing) and the text over its progress (all but
// kRipNormalizing).
inline constexpr std::string_view kRipExtracting = "Extracting...";
inline constexpr std::string_view kRipInitializing = "Initializing...";
inline constexpr std::string_view kRipNormalizing = "Normalizing...";
inline constexpr std::string_view kRipEncoding = "Encoding...";

// What a rip job shows, and the queue its messages go through. Post comes
// from any thread (the rip thread, or the driving thread for the job's own
// messages) and must queue the message for the driving thread, which hands
// it to RipJob::HandleMessage; every other call comes on the driving thread.
class RipJobView : public MessageTarget {
public:
    // The track being ripped (its title as typed) and the items done before.
    virtual void ShowTrack(const std::string& title, int completed) = 0;
    // The stage of the track: kRipExtracting, kRipNormalizing, kRipEncoding.
    virtual void ShowHint(std::string_view hint) = 0;
    // The text over the progress: kRipInitializing, kRipExtracting,
    // kRipEncoding.
    virtual void ShowProgressText(std::string_view text) = 0;
    virtual void ShowProgress(int percent) = 0;
    virtual void ShowError(const std::string& text) = 0;
    // How a track whose rip ended checked out, once its checks are done:
    // its AccurateRip verdict and decode check in words, one line.
    virtual void ShowTrackCheck(const std::string& line) = 0;
    // Once per rip, at its end or when it is stopped: how many tracks were
    // accurately ripped and where the log went, one line.
    virtual void ShowCheckSummary(const std::string& line) = 0;
    // The rip is over: the view ends, calling RipJob::Close.
    virtual void CloseView() = 0;
};

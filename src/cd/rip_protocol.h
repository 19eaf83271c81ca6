// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rip window's side of a rip: its items, parsed once from the texts the
// main window hands over, and the messages posted to it (WM_RIPERROR,
// WM_RIPPROGRESS), decoded once into typed events. Any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "cd/message_target.h"

// One track to rip: its 1-based position in the table of contents and its
// title (the name of its files without extension).
struct TRipItem {
    std::int32_t Number = 0;
    std::string Title;
};

// "07Intro" -> {7, "Intro"}: the value of the first two characters (0 when
// they are not digits), then the rest.
[[nodiscard]] TRipItem ParseRipItem(const std::string& item);
[[nodiscard]] std::vector<TRipItem> ParseRipItems(const std::vector<std::string>& items);

enum class TRipEventKind : std::uint8_t {
    None,         // WM_RIPPROGRESS with Percent 0 or below, or no record
    Progress,     // Percent 1..998, 1001..1999 or above 2000: the bar's position
    Normalizing,  // Percent 999
    RipEnded,     // Percent 1000: the rip of the current item ended, with Status
    EncodeEnded,  // Percent 2000: its encoding ended or was skipped, with Status
    DriveError,   // WM_RIPERROR, with the code
};

struct TRipEvent {
    TRipEventKind Kind = TRipEventKind::None;
    std::int32_t Percent = 0;    // Progress
    std::int32_t Status = 0;     // RipEnded, EncodeEnded: a kRipStatus... value
    std::int64_t ErrorCode = 0;  // DriveError: a kRipError... value
};

// The event a message stands for; None for any other message number.
[[nodiscard]] TRipEvent DecodeRipMessage(const PostedMessage& message);

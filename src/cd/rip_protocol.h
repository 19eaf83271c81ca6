// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rip window's side of a rip: its items, parsed once from the texts the
// main window hands over, and the messages posted to it (WM_RIPERROR,
// WM_RIPPROGRESS), decoded once into typed events. Any thread.

#include <cstdint>
#include <string>
#include <vector>

#include "base/message_target.h"

// One track to rip: its 1-based position in the table of contents, its
// title as typed (for the tags) and the name of its files without
// extension.
struct TRipItem {
    std::int32_t Number = 0;
    std::string Title;
    std::string FileStem;
};

// "07Intro" -> {7, "Intro", "Intro"}: the value of the first two characters
// (0 when they are not digits), then the rest; the file stem is the title's
// file name (FileStemOf: "AC/DC" -> "AC-DC", blank -> "Track07").
[[nodiscard]] TRipItem ParseRipItem(const std::string& item);
// The items of one rip. Their files must not overwrite each other: an item
// whose file stem an earlier one has, or another one has as its own, gets
// the first free " (2)", " (3)"... after it.
[[nodiscard]] std::vector<TRipItem> ParseRipItems(const std::vector<std::string>& items);

// Every file a rip of these items writes into folder (with or without a
// trailing separator): each item's WAV file and, unless encodedExtension is
// empty (the rip does not encode), its encoded file.
[[nodiscard]] std::vector<std::string> RipTargetFiles(const std::vector<TRipItem>& items,
                                                      const std::string& folder,
                                                      const std::string& encodedExtension);

enum class TRipEventKind : std::uint8_t {
    None,           // WM_RIPPROGRESS with Percent 0 or below, or no record
    Progress,       // Percent 1..998, 1001..1999, 2001..2999, 3001..3999 or above 4000: the bar's
                    // position
    Normalizing,    // Percent 999
    RipEnded,       // Percent 1000: the rip of the current item ended, with Status
    EncodeEnded,    // Percent 2000: its encoding ended or was skipped, with Status
    DecodeChecked,  // Percent 3000: the decode check of its file ended
    AccurateRipAnswered,  // Percent 4000: the disc's AccurateRip lookup ended
    DriveError,           // WM_RIPERROR, with the code
};

struct TRipEvent {
    TRipEventKind Kind = TRipEventKind::None;
    std::int32_t Percent = 0;    // Progress
    std::int32_t Status = 0;     // RipEnded, EncodeEnded: a kRipStatus... value
    std::int64_t ErrorCode = 0;  // DriveError: a kRipError... value
};

// The event a message stands for; None for any other message number.
[[nodiscard]] TRipEvent DecodeRipMessage(const PostedMessage& message);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_protocol.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "cd/rip_thread.h"
#include "disc/file_stem.h"
#include "settings/settings_helpers.h"

TRipItem ParseRipItem(const std::string& item) {
    TRipItem parsed;
    const char* end = item.data() + std::min<std::size_t>(item.size(), 2);
    std::from_chars(item.data(), end, parsed.Number);
    parsed.Title = item.size() > 2 ? item.substr(2) : std::string();
    parsed.FileStem = FileStemOf(parsed.Title, parsed.Number);
    return parsed;
}

std::vector<TRipItem> ParseRipItems(const std::vector<std::string>& items) {
    std::vector<TRipItem> parsed;
    parsed.reserve(items.size());
    std::set<std::string> ownStems;
    for (const std::string& item : items) {
        parsed.push_back(ParseRipItem(item));
        ownStems.insert(parsed.back().FileStem);
    }
    std::set<std::string> taken;
    for (TRipItem& item : parsed) {
        if (taken.contains(item.FileStem)) {
            const std::string base = item.FileStem;
            for (int copy = 2; taken.contains(item.FileStem) || ownStems.contains(item.FileStem);
                 ++copy) {
                item.FileStem = base + " (" + std::to_string(copy) + ")";
            }
        }
        taken.insert(item.FileStem);
    }
    return parsed;
}

std::vector<std::string> RipTargetFiles(const std::vector<TRipItem>& items,
                                        const std::string& folder,
                                        const std::string& encodedExtension) {
    std::vector<std::string> paths;
    for (const TRipItem& item : items) {
        const std::string stem = IncludeTrailingSeparator(folder) + item.FileStem;
        paths.push_back(stem + ".wav");
        if (!encodedExtension.empty()) {
            paths.push_back(stem + encodedExtension);
        }
    }
    return paths;
}

TRipEvent DecodeRipMessage(const PostedMessage& message) {
    if (message.Number == WM_RIPERROR) {
        return {.Kind = TRipEventKind::DriveError, .ErrorCode = message.LParam};
    }
    const auto* info = dynamic_cast<const TProcessInfo*>(message.Payload.get());
    if (message.Number != WM_RIPPROGRESS || info == nullptr || info->Percent <= 0) {
        return {};
    }
    switch (info->Percent) {
        case kPercentNormalizing:
            return {.Kind = TRipEventKind::Normalizing};
        case kPercentRipEnded:
            return {.Kind = TRipEventKind::RipEnded, .Status = info->Status};
        case kPercentEncodeEnded:
            return {.Kind = TRipEventKind::EncodeEnded, .Status = info->Status};
        case kPercentDecodeChecked:
            return {.Kind = TRipEventKind::DecodeChecked};
        case kPercentAccurateRipAnswered:
            return {.Kind = TRipEventKind::AccurateRipAnswered};
        default:
            return {.Kind = TRipEventKind::Progress, .Percent = info->Percent};
    }
}

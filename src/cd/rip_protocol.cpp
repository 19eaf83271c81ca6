// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/rip_protocol.h"

#include <algorithm>
#include <charconv>

#include "cd/rip_thread.h"

TRipItem ParseRipItem(const std::string& item) {
    TRipItem parsed;
    const char* end = item.data() + std::min<std::size_t>(item.size(), 2);
    std::from_chars(item.data(), end, parsed.Number);
    parsed.Title = item.size() > 2 ? item.substr(2) : std::string();
    return parsed;
}

std::vector<TRipItem> ParseRipItems(const std::vector<std::string>& items) {
    std::vector<TRipItem> parsed;
    parsed.reserve(items.size());
    for (const std::string& item : items) {
        parsed.push_back(ParseRipItem(item));
    }
    return parsed;
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
        default:
            return {.Kind = TRipEventKind::Progress, .Percent = info->Percent};
    }
}

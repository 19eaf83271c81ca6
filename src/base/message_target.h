// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How core code (no Qt) reaches a window: it posts a numbered message, like a
// window message, to a MessageTarget. Windows implement the target by turning
// each message into an event posted to themselves; tests collect them in a
// queue.

#include <cstdint>
#include <memory>

// A record carried by a posted message (for example a TProcessInfo). Created
// by the poster; the receiver owns it once the message is posted.
class MessagePayload {
public:
    virtual ~MessagePayload() = default;
};

struct PostedMessage {
    std::uint32_t Number = 0;  // message number, e.g. WM_RIPPROGRESS
    std::int64_t WParam = 0;   // word parameter
    std::int64_t LParam = 0;   // long parameter when it is a plain number
    std::unique_ptr<MessagePayload> Payload;
};

class MessageTarget {
public:
    virtual ~MessageTarget() = default;

    // Queues the message for the target's own thread and returns without
    // waiting for it to be handled. Called from any thread; implementations
    // must be thread-safe and must not block for long.
    virtual void Post(PostedMessage message) = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A background request for a window: a MusicBrainz lookup (or any other
// blocking job that ends in a record, such as a cover fetch) runs on a thread
// of its own and posts one message with its record to a MessageTarget.
//
// Threads: created, abandoned and destroyed on the target's (GUI) thread;
// the job runs on the worker's thread with its own copies of its inputs.

#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>

#include "base/message_target.h"
#include "cddb/musicbrainz/cover_art.h"
#include "cddb/musicbrainz/musicbrainz_lookup.h"

// The message of a finished lookup: word parameter the request number the
// owner gave, payload a TMbLookupDone.
inline constexpr std::uint32_t kMbLookupMessage = 2132;

// Posted record of kMbLookupMessage; belongs to the receiver.
struct TMbLookupDone final : MessagePayload {
    explicit TMbLookupDone(TMbLookupResult result) : Result(std::move(result)) {}
    TMbLookupResult Result;
};

// The message of a finished cover fetch: word parameter the request number,
// payload a TCoverArtDone.
inline constexpr std::uint32_t kCoverArtMessage = 2133;

// Posted record of kCoverArtMessage; belongs to the receiver.
struct TCoverArtDone final : MessagePayload {
    explicit TCoverArtDone(TCoverArtResult result) : Result(std::move(result)) {}
    TCoverArtResult Result;
};

// Runs job(stop) from construction on and posts {number, request, 0, its
// record} when it returns. Destroying the object (or Abandon) triggers the
// stop token, which must end the job at once, and waits for the thread;
// once Abandon has returned nothing more is posted. A message posted just
// before it may still wait in the target's queue: the request number tells
// the owner whether a record is still wanted.
class TMbWorker {
public:
    using Job = std::function<std::unique_ptr<MessagePayload>(std::stop_token)>;

    TMbWorker(MessageTarget& target, std::uint32_t number, std::int64_t request, Job job);
    ~TMbWorker();
    TMbWorker(const TMbWorker&) = delete;
    TMbWorker& operator=(const TMbWorker&) = delete;

    void Abandon();
    [[nodiscard]] std::int64_t Request() const { return m_request; }

private:
    void Execute(std::stop_token stop);

    MessageTarget& m_target;
    const std::uint32_t m_number;
    const std::int64_t m_request;
    Job m_job;
    std::jthread m_thread;  // last: starts once the members above are set
};

// A worker that looks the disc up and posts kMbLookupMessage with a
// TMbLookupDone.
[[nodiscard]] std::unique_ptr<TMbWorker> StartMusicBrainzLookup(MessageTarget& target,
                                                                std::int64_t request,
                                                                TMbLookupOptions options,
                                                                TMbDiscToc toc);

// A worker that fetches the release's front cover and posts kCoverArtMessage
// with a TCoverArtDone.
[[nodiscard]] std::unique_ptr<TMbWorker> StartCoverArtFetch(MessageTarget& target,
                                                            std::int64_t request,
                                                            std::string server,
                                                            std::string releaseId);

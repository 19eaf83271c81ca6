// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/musicbrainz/musicbrainz_worker.h"

#include <utility>

TMbWorker::TMbWorker(MessageTarget& target, std::uint32_t number, std::int64_t request, Job job)
    : m_target(target),
      m_number(number),
      m_request(request),
      m_job(std::move(job)),
      m_thread([this](std::stop_token stop) { Execute(stop); }) {}

TMbWorker::~TMbWorker() {
    Abandon();
}

void TMbWorker::Abandon() {
    m_thread.request_stop();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void TMbWorker::Execute(std::stop_token stop) {
    std::unique_ptr<MessagePayload> record = m_job(stop);
    if (!stop.stop_requested()) {
        m_target.Post({m_number, m_request, 0, std::move(record)});
    }
}

std::unique_ptr<TMbWorker> StartMusicBrainzLookup(MessageTarget& target, std::int64_t request,
                                                  TMbLookupOptions options, TMbDiscToc toc) {
    return std::make_unique<TMbWorker>(
        target, kMbLookupMessage, request,
        [options = std::move(options), toc = std::move(toc)](std::stop_token stop) {
            return std::make_unique<TMbLookupDone>(LookUpMusicBrainz(options, toc, stop));
        });
}

std::unique_ptr<TMbWorker> StartCoverArtFetch(MessageTarget& target, std::int64_t request,
                                              std::string server, std::string releaseId) {
    return std::make_unique<TMbWorker>(
        target, kCoverArtMessage, request,
        [server = std::move(server), releaseId = std::move(releaseId)](std::stop_token stop) {
            return std::make_unique<TCoverArtDone>(FetchFrontCover(server, releaseId, stop));
        });
}

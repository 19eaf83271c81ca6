// SPDX-License-Identifier: GPL-3.0-or-later
// MusicBrainz lookups against a server on 127.0.0.1 playing the web service.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cddb/musicbrainz/musicbrainz_lookup.h"
#include "cddb/musicbrainz/musicbrainz_worker.h"
#include "net/rate_gate.h"
#include "support/http/loopback_http_server.h"
#include "support/resolver/held_lookup.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

const TMbDiscToc kToc{1, {{150, false}, {20000, false}}, 40000};

std::string DiscId() {
    return MusicBrainzDiscId(*MusicBrainzIdToc(kToc));
}

std::string ExactAnswer() {
    return R"({"id":")" + DiscId() + R"(","offsets":[150,20000],"sectors":40000,"releases":[
        {"id":"rel1","title":"Album","artist-credit":[{"name":"Ann"}],"media":[
         {"position":1,"format":"CD","track-count":2,"discs":[{"id":")" +
           DiscId() + R"("}],"tracks":[{"id":"t1","position":1,"title":"One"},
          {"id":"t2","position":2,"title":"Two"}]}]}]})";
}

// A server answering with the replies in turn, the last one again and again.
class Service {
public:
    explicit Service(std::vector<HttpReply> replies)
        : m_replies(std::move(replies)), m_server([this](const HttpRequest&) {
              const std::size_t turn = m_turn++;
              return m_replies[std::min(turn, m_replies.size() - 1)];
          }) {}

    LoopbackHttpServer& Server() { return m_server; }
    [[nodiscard]] std::string Url() const { return "http://" + m_server.Address(); }

private:
    std::vector<HttpReply> m_replies;
    std::atomic<std::size_t> m_turn{0};
    LoopbackHttpServer m_server;
};

HttpReply Json(int status, std::string body, HttpReply::Headers headers = {}) {
    headers.emplace_back("Content-Type", "application/json");
    return {HttpReply::Kind::Complete, status, std::move(body), std::move(headers)};
}

TEST(MusicBrainzLookupTest, AnswersAndFailures) {
    const int closedPort =
        LoopbackHttpServer([](const HttpRequest&) { return HttpReply{}; }).Port();
    const HttpReply busy = Json(503, R"({"error":"rate limit"})");
    struct Case {
        const char* name;
        std::vector<HttpReply> replies;
        TMbLookupFailure failure;
        std::size_t requests;
        const char* reason = "";  // part of it
        std::string server{};     // instead of the service's
        std::chrono::seconds timeLimit{10};
    };
    const Case cases[] = {
        {"exact", {Json(200, ExactAnswer())}, TMbLookupFailure::None, 1},
        {"404", {Json(404, R"({"error":"Not Found"})")}, TMbLookupFailure::NotFound, 1, "not know"},
        {"503 then 200", {busy, Json(200, ExactAnswer())}, TMbLookupFailure::None, 2},
        {"503 always", {busy}, TMbLookupFailure::RateLimited, 1 + kMbRetries, "try again"},
        {"endless", {{HttpReply::Kind::Flood, 200}}, TMbLookupFailure::Malformed, 1, "longer than"},
        {"malformed",
         {Json(200, R"({"id":"x","releases":{}})")},
         TMbLookupFailure::Malformed,
         1,
         "not understood"},
        {"500", {Json(500, "{}")}, TMbLookupFailure::Failed, 1, "HTTP status 500"},
        {"stall",
         {{HttpReply::Kind::Stall, 200}},
         TMbLookupFailure::TimedOut,
         1,
         "in time",
         {},
         1s},
        {"refused",
         {},
         TMbLookupFailure::Refused,
         0,
         "refused",
         "http://127.0.0.1:" + std::to_string(closedPort)},
        {"unknown host",
         {},
         TMbLookupFailure::HostNotFound,
         0,
         "not found",
         std::string("http://") + kUnknownHost},
        {"not http", {}, TMbLookupFailure::BadServer, 0, "ftp://", "ftp://127.0.0.1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.server.find(kUnknownHost) != std::string::npos && !HeldLookupsRunning()) {
            continue;  // without the test resolver the name would go to a name server
        }
        Service service(c.replies.empty() ? std::vector<HttpReply>{HttpReply{}} : c.replies);
        net::RateGate gate(10ms);
        const TMbLookupOptions options{c.server.empty() ? service.Url() + "/" : c.server,
                                       c.timeLimit, &gate};
        const TMbLookupResult result = LookUpMusicBrainz(options, kToc, {});

        EXPECT_EQ(result.failure, c.failure) << result.reason;
        EXPECT_THAT(result.reason, HasSubstr(c.reason));
        const std::vector<HttpRequest> requests = service.Server().Requests();
        ASSERT_EQ(requests.size(), c.requests);
        if (c.failure == TMbLookupFailure::None) {
            EXPECT_EQ(result.answer.kind, TMbAnswerKind::Disc);
            ASSERT_EQ(result.candidates.size(), 1u);
            const DiscInfo disc = MusicBrainzDiscInfo(result.answer, result.candidates[0],
                                                      result.discId, kToc.firstTrack);
            EXPECT_EQ(disc.Artist + "|" + disc.Album + "|" + disc.ReleaseId, "Ann|Album|rel1");
            ASSERT_EQ(disc.Tracks.size(), 2u);
            EXPECT_EQ(disc.Tracks[1].Title, "Two");
        }
        for (const HttpRequest& request : requests) {
            EXPECT_EQ(request.target, "/ws/2/discid/" + DiscId() +
                                          "?toc=1+2+40000+150+20000&inc=artist-credits+recordings+"
                                          "labels+release-groups+isrcs+genres&fmt=json");
            EXPECT_THAT(request.head,
                        HasSubstr("\r\nUser-Agent: " + MusicBrainzUserAgent() + "\r\n"));
            EXPECT_THAT(request.head, HasSubstr("\r\nAccept: application/json\r\n"));
        }
    }
    EXPECT_THAT(MusicBrainzUserAgent(),
                ::testing::MatchesRegex(R"(Brisklark/[0-9.]+ \( https://.+ \))"));
}

// Stop ends a stalled transfer and the wait a 503 asks for, long before either ends.
TEST(MusicBrainzLookupTest, StopReturnsAtOnce) {
    const HttpReply replies[] = {
        {HttpReply::Kind::Stall, 200},
        Json(503, "{}", {{"Retry-After", "9"}}),
    };
    for (const HttpReply& reply : replies) {
        Service service({reply, Json(200, ExactAnswer())});
        net::RateGate gate(10ms);
        const TMbLookupOptions options{service.Url(), 30s, &gate};
        std::stop_source stop;
        auto running = std::async(
            std::launch::async, [&] { return LookUpMusicBrainz(options, kToc, stop.get_token()); });
        ASSERT_TRUE(service.Server().WaitForRequests(1, 10000));
        std::this_thread::sleep_for(200ms);  // well past the gate's interval
        stop.request_stop();
        ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
        EXPECT_EQ(running.get().failure, TMbLookupFailure::Stopped);
        EXPECT_EQ(service.Server().Requests().size(), 1u);
    }
}

TEST(MusicBrainzLookupTest, LookupsShareTheProgramsGate) {
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    LoopbackHttpServer server([&](const HttpRequest&) {
        const std::lock_guard lock(mutex);
        arrivals.push_back(std::chrono::steady_clock::now());
        return Json(404, "{}");
    });
    const TMbLookupOptions options{"http://" + server.Address()};
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(LookUpMusicBrainz(options, kToc, {}).failure, TMbLookupFailure::NotFound);
    }
    const std::lock_guard lock(mutex);
    ASSERT_EQ(arrivals.size(), 2u);
    EXPECT_GE(arrivals[1] - start, 1s);
}

// Keeps what a worker posts.
class CollectingTarget final : public MessageTarget {
public:
    void Post(PostedMessage message) override {
        const std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
        m_posted.notify_all();
    }
    // The messages once one has come (or after 10 s).
    std::vector<PostedMessage> Take() {
        std::unique_lock lock(m_mutex);
        m_posted.wait_for(lock, 10s, [&] { return !m_messages.empty(); });
        return std::move(m_messages);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::vector<PostedMessage> m_messages;
};

// A finished lookup arrives once with its request number; an abandoned one
// (the server still holding the answer back) ends the transfer and posts
// nothing, though the time limit is an hour away.
TEST(MusicBrainzWorkerTest, PostsTheResultOnceOrNothingOnceAbandoned) {
    for (const bool abandon : {false, true}) {
        SCOPED_TRACE(abandon ? "abandoned" : "finished");
        Service service(
            {abandon ? HttpReply{HttpReply::Kind::Stall, 200} : Json(200, ExactAnswer())});
        net::RateGate gate(10ms);
        CollectingTarget target;
        auto worker = StartMusicBrainzLookup(target, 42, {service.Url(), 3600s, &gate}, kToc);
        if (abandon) {
            ASSERT_TRUE(service.Server().WaitForRequests(1, 10000));
            worker.reset();
            EXPECT_TRUE(target.Take().empty());
            continue;
        }
        std::vector<PostedMessage> posted = target.Take();
        worker.reset();
        ASSERT_EQ(posted.size(), 1u);
        EXPECT_EQ(posted[0].Number, kMbLookupMessage);
        EXPECT_EQ(posted[0].WParam, 42);
        const auto* done = dynamic_cast<const TMbLookupDone*>(posted[0].Payload.get());
        ASSERT_NE(done, nullptr);
        EXPECT_EQ(done->Result.failure, TMbLookupFailure::None);
        EXPECT_EQ(done->Result.discId, DiscId());
        EXPECT_EQ(done->Result.candidates.size(), 1u);
    }
}

}  // namespace

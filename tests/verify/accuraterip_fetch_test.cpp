// SPDX-License-Identifier: GPL-3.0-or-later
// AccurateRip fetches against a server on 127.0.0.1 playing the database.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <vector>

#include "base/program_info.h"
#include "net/rate_gate.h"
#include "support/http/loopback_http_server.h"
#include "verify/accuraterip_fetch.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

const TArIds kIds{2, 0x0001b9a4, 0x00032e57, 0x1a02cd02};

void PutLe(std::string& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) {
        bytes.push_back(static_cast<char>(value >> (8 * i)));
    }
}

// The database's bytes for chunks answering ids.
std::string AnswerBytes(const TArIds& ids, const std::vector<TArChunk>& chunks) {
    std::string bytes;
    for (const TArChunk& chunk : chunks) {
        PutLe(bytes, static_cast<std::uint32_t>(ids.audioTracks), 1);
        PutLe(bytes, ids.id1, 4);
        PutLe(bytes, ids.id2, 4);
        PutLe(bytes, ids.cddbId, 4);
        for (const TArEntry& entry : chunk) {
            PutLe(bytes, entry.confidence, 1);
            PutLe(bytes, entry.sum, 4);
            PutLe(bytes, entry.frame450, 4);
        }
    }
    return bytes;
}

TEST(AccurateRipFetchTest, AnswersAndFailures) {
    const std::vector<TArChunk> chunks{{{7, 0x620b0797, 0x11}, {0, 0, 0}},
                                       {{200, 0xaf8c44c5, 0}, {2, 0xeb6e55b4, 0x22}}};
    const std::string sound = AnswerBytes(kIds, chunks);
    TArIds otherDisc = kIds;
    ++otherDisc.id2;
    const int closedPort =
        LoopbackHttpServer([](const HttpRequest&) { return HttpReply{}; }).Port();
    struct Case {
        const char* name;
        HttpReply reply;
        TArFetchKind kind;
        const char* reason = "";  // part of it
        std::string server{};     // instead of the loopback server's
        bool stopOnRequest = false;
    };
    const Case cases[] = {
        {"sound", {HttpReply::Kind::Complete, 200, sound}, TArFetchKind::Answer},
        {"404", {HttpReply::Kind::Complete, 404, "not here"}, TArFetchKind::DiscNotPresent},
        {"cut off",
         {HttpReply::Kind::Complete, 200, sound.substr(0, sound.size() - 1)},
         TArFetchKind::Failed,
         "not understood: answer cut off at byte 31"},
        {"wrong header",
         {HttpReply::Kind::Complete, 200, AnswerBytes(otherDisc, chunks)},
         TArFetchKind::Failed,
         "not understood: answer for another disc at byte 0"},
        {"500", {HttpReply::Kind::Complete, 500, sound}, TArFetchKind::Failed, "HTTP status 500"},
        {"endless", {HttpReply::Kind::Flood, 200}, TArFetchKind::Failed, "longer than"},
        {"refused",
         {},
         TArFetchKind::Failed,
         "refused",
         "http://127.0.0.1:" + std::to_string(closedPort)},
        {"not http", {}, TArFetchKind::Failed, "not an http", "ftp://127.0.0.1/"},
        {"stopped in a stall",
         {HttpReply::Kind::Stall, 200, sound},
         TArFetchKind::Stopped,
         "",
         {},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackHttpServer server([&](const HttpRequest&) { return c.reply; });
        const std::string serverSetting =
            c.server.empty() ? "http://" + server.Address() + "/mirror/" : c.server;
        net::RateGate gate(10ms);
        std::stop_source stop;
        auto fetching = std::async(std::launch::async, [&] {
            return FetchAccurateRip(serverSetting, kIds, stop.get_token(), &gate);
        });
        if (c.stopOnRequest) {
            ASSERT_TRUE(server.WaitForRequests(1, 10000));
            stop.request_stop();
        }
        ASSERT_EQ(fetching.wait_for(15s), std::future_status::ready);  // not hung
        const TArFetchResult result = fetching.get();

        EXPECT_EQ(result.kind, c.kind) << result.reason;
        EXPECT_THAT(result.reason, HasSubstr(c.reason));
        EXPECT_EQ(result.reason.empty(), c.kind != TArFetchKind::Failed);
        if (c.kind == TArFetchKind::Answer) {
            ASSERT_EQ(result.chunks.size(), 2u);
            EXPECT_EQ(result.chunks[1][0].confidence, 200u);
            EXPECT_EQ(result.chunks[1][1].sum, 0xeb6e55b4u);
            EXPECT_EQ(result.chunks[0][0].frame450, 0x11u);
        } else {
            EXPECT_TRUE(result.chunks.empty());
        }
        const std::vector<HttpRequest> requests = server.Requests();
        ASSERT_EQ(requests.size(), c.server.empty() ? 1u : 0u);
        for (const HttpRequest& request : requests) {
            EXPECT_EQ(request.method, "GET");
            EXPECT_EQ(request.target,
                      "/mirror/accuraterip/4/a/9/dBAR-002-0001b9a4-00032e57-1a02cd02.bin");
            EXPECT_THAT(request.head, HasSubstr(std::string("\r\nUser-Agent: Brisklark/") +
                                                kProgramVersion + " "));
        }
    }
}

}  // namespace

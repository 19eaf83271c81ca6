// SPDX-License-Identifier: GPL-3.0-or-later
// HTTP transfers against real servers on 127.0.0.1.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "net/http_client.h"
#include "net/rate_gate.h"
#include "support/http/loopback_http_server.h"

namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

net::HttpRequest RequestTo(const LoopbackHttpServer& server, const std::string& path) {
    net::HttpRequest request;
    request.url = "http://" + server.Address() + path;
    request.protocols = net::kHttp;
    return request;
}

TEST(HttpClientTest, DeliversStatusHeadersAndRawBytes) {
    const std::string body("{\"a\":\"\xE9\"}\0\xFF", 11);
    LoopbackHttpServer server([&](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Complete,
                         503,
                         body,
                         {{"Content-Type", "application/json"}, {"Retry-After", "7"}}};
    });
    net::HttpRequest request = RequestTo(server, "/ws?x=1");
    request.userAgent = "program/1.0 ( jane@example.org )";
    request.headers = {"Accept: application/json"};
    const net::HttpResponse response = net::Get(request);

    EXPECT_EQ(response.error, net::HttpError::None) << response.errorText;
    EXPECT_EQ(response.status, 503);
    EXPECT_EQ(response.bytes, body);
    EXPECT_EQ(response.contentType, "application/json");
    EXPECT_EQ(response.Header("retry-AFTER"), "7");
    EXPECT_EQ(response.Header("Location"), "");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].target, "/ws?x=1");
    EXPECT_THAT(server.Requests()[0].head,
                HasSubstr("\r\nUser-Agent: program/1.0 ( jane@example.org )\r\n"));
    EXPECT_THAT(server.Requests()[0].head, HasSubstr("\r\nAccept: application/json\r\n"));
}

TEST(HttpClientTest, RedirectsProtocolsCapAndTimeLimit) {
    // "/a" -> "/b" -> "http://<host>/c" (absolute), "/c" answers.
    const auto handler = [](const HttpRequest& request) {
        const std::string& path = request.target;
        if (path == "/a") {
            return RedirectTo("/b", 301);
        }
        if (path == "/b") {
            return RedirectTo("http://" + request.host + "/c");
        }
        if (path == "/to-https") {
            return RedirectTo("https://" + request.host + "/c");
        }
        if (path == "/stall") {
            return HttpReply{HttpReply::Kind::Stall, 200, "begun"};
        }
        if (path == "/flood") {
            return HttpReply{HttpReply::Kind::Flood, 200, ""};
        }
        if (path.starts_with("/bytes/")) {
            return HttpReply{HttpReply::Kind::Complete, 200,
                             std::string(std::stoul(path.substr(7)), 'x')};
        }
        return HttpReply{HttpReply::Kind::Complete, 200, "end"};
    };
    struct Case {
        std::string path;
        int maxRedirects = 0;
        unsigned protocols = net::kHttp;
        net::HttpError error = net::HttpError::None;
        long status = 200;
        std::string expected;      // the body, or part of the error text
        std::size_t requests = 1;  // that reached the server
    };
    const Case cases[] = {
        {.path = "/a", .maxRedirects = 2, .expected = "end", .requests = 3},
        {.path = "/a",
         .maxRedirects = 1,
         .error = net::HttpError::Transfer,
         .expected = "Maximum (1) redirects followed",
         .requests = 2},
        {.path = "/a", .status = 301, .expected = ""},
        {.path = "/to-https",
         .maxRedirects = 5,
         .error = net::HttpError::Transfer,
         .expected = "Protocol \"https\" not supported"},
        {.path = "/c",
         .protocols = net::kHttps,
         .error = net::HttpError::Transfer,
         .expected = "Protocol \"http\" not supported",
         .requests = 0},
        {.path = "/bytes/100", .expected = std::string(100, 'x')},
        {.path = "/bytes/101",
         .error = net::HttpError::TooLong,
         .expected = "longer than 100 bytes"},
        {.path = "/flood", .error = net::HttpError::TooLong, .expected = "longer than 100 bytes"},
        {.path = "/stall", .error = net::HttpError::Transfer, .expected = "timed out"},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server(handler);
        net::HttpRequest request = RequestTo(server, c.path);
        request.maxRedirects = c.maxRedirects;
        request.protocols = c.protocols;
        request.maxBytes = 100;
        request.timeLimit = 1s;
        const net::HttpResponse response = net::Get(request);
        EXPECT_EQ(response.error, c.error) << c.path << ": " << response.errorText;
        if (c.error == net::HttpError::None) {
            EXPECT_EQ(response.status, c.status) << c.path;
            EXPECT_EQ(response.bytes, c.expected) << c.path;
            // Only the headers of the last response remain.
            EXPECT_EQ(response.Header("Location"), c.status == 301 ? "/b" : "") << c.path;
        } else {
            EXPECT_THAT(response.errorText, HasSubstr(c.expected)) << c.path;
            EXPECT_TRUE(response.bytes.empty()) << c.path;
        }
        EXPECT_EQ(server.Requests().size(), c.requests) << c.path;
    }
}

// Stop ends a stalled transfer and a wait at the gate long before any limit.
TEST(HttpClientTest, StopReturnsAtOnce) {
    LoopbackHttpServer server([](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Stall, 200, ""};
    });
    net::RateGate gate(30s);
    ASSERT_TRUE(gate.Pass({}));  // the next request through the gate would wait 30 s
    for (net::RateGate* throughGate : {static_cast<net::RateGate*>(nullptr), &gate}) {
        net::HttpRequest request = RequestTo(server, "/");
        request.timeLimit = 30s;
        request.rateGate = throughGate;
        std::stop_source stop;
        auto running =
            std::async(std::launch::async, [&] { return net::Get(request, stop.get_token()); });
        if (throughGate == nullptr) {
            ASSERT_TRUE(server.WaitForRequests(1, 10000));
        } else {
            std::this_thread::sleep_for(100ms);  // into the wait
        }
        stop.request_stop();
        ASSERT_EQ(running.wait_for(5s), std::future_status::ready);
        EXPECT_EQ(running.get().error, net::HttpError::Stopped);
    }
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(HttpClientTest, RateGateSpacesRequestsAcrossThreads) {
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
    LoopbackHttpServer server([&](const HttpRequest&) {
        const std::lock_guard lock(mutex);
        arrivals.push_back(std::chrono::steady_clock::now());
        return HttpReply{HttpReply::Kind::Complete, 200, "ok"};
    });
    constexpr auto kInterval = 200ms;
    net::RateGate gate(kInterval);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::future<net::HttpResponse>> running;
    for (int i = 0; i < 3; ++i) {
        running.push_back(std::async(std::launch::async, [&] {
            net::HttpRequest request = RequestTo(server, "/");
            request.rateGate = &gate;
            return net::Get(request);
        }));
    }
    for (auto& response : running) {
        EXPECT_EQ(response.get().error, net::HttpError::None);
    }
    const std::lock_guard lock(mutex);
    ASSERT_EQ(arrivals.size(), 3u);
    // The first passes at once, each further one an interval after the one before.
    EXPECT_GE(arrivals[1] - start, kInterval);
    EXPECT_GE(arrivals[2] - start, 2 * kInterval);
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The query worker against a real HTTP server on 127.0.0.1, collecting what
// it posts.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "audio/tags/id3v1_genres.h"
#include "cddb/query_cddb_thread.h"
#include "support/cd/toc_image.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"
#include "support/resolver/held_lookup.h"

namespace {

// Each posted message as text: "clear", "artist=...", "genre=N", "title3=...",
// "notice 7", "notice 7: <why the query failed>".
class CollectingTarget final : public MessageTarget {
public:
    void Post(PostedMessage message) override {
        std::string text;
        if (message.Number == kCddbNoticeMessage) {
            text = "notice " + std::to_string(message.WParam);
            if (const auto* failure = dynamic_cast<const TCddbFailure*>(message.Payload.get())) {
                text += ": " + failure->Reason;
            }
        } else if (const auto* change = dynamic_cast<const TCddbChange*>(message.Payload.get())) {
            static const char* const kNames[] = {"clear", "artist", "album",
                                                 "year",  "genre",  "title"};
            text = kNames[static_cast<int>(change->Kind)];
            if (change->Kind == TCddbChangeKind::TrackTitle) {
                text += std::to_string(change->Number) + "=" + change->Text;
            } else if (change->Kind == TCddbChangeKind::Genre) {
                text += "=" + std::to_string(change->Number);
            } else if (change->Kind != TCddbChangeKind::ClearDiscFields) {
                text += "=" + change->Text;
            }
        }
        std::lock_guard lock(m_mutex);
        m_messages.push_back(text);
        m_changed.notify_all();
    }

    // The messages once a notice has come (or after 10 s).
    std::vector<std::string> UntilNotice() {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] {
            return !m_messages.empty() && m_messages.back().starts_with("notice");
        });
        return m_messages;
    }

    std::vector<std::string> Messages() {
        std::lock_guard lock(m_mutex);
        return m_messages;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_messages;
};

HttpReply Answer(std::string body) {
    return {HttpReply::Kind::Complete, 200, std::move(body)};
}

std::string ReadAnswer(const std::string& entry) {
    return "210 rock 0a0b0c04 CD database entry follows (until terminating `.')\r\n" + entry +
           ".\r\n";
}

class QueryCddbThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Four tracks.
        m_handle = OpenTocImageDrive(m_folder.Path(), {150, 15000, 30000, 45000}, 60000);
        ASSERT_NE(m_handle, 0u);
    }
    void TearDown() override { CloseCDHandle(m_handle); }

    std::vector<std::string> Run(LoopbackHttpServer& server) {
        TQueryCDDB connection{server.Address(), "/~cddb/cddb.cgi", false, "", ""};
        TQueryCDDBThread worker(m_target, 1, 4, m_handle, connection);
        return m_target.UntilNotice();
    }

    TestFolder m_folder;
    TCDHandle m_handle = 0;
    CollectingTarget m_target;
};

TEST_F(QueryCddbThreadTest, ReadsMatchesInOrderUntilOneHasTitles) {
    LoopbackHttpServer server([](const HttpRequest& request) {
        const std::string& target = request.target;
        if (target.find("cddb+query") != std::string::npos) {
            return Answer(
                "211 Found inexact matches, list follows (until terminating `.')\r\n"
                "blues 0a0b0c01 Gone / Entry\r\nfolk 0a0b0c02 First / Pressing\r\n"
                "rock 0a0b0c03 Second / Pressing\r\nmisc 0a0b0c04 Never / Read\r\n.\r\n");
        }
        if (target.find("read+blues") != std::string::npos) {
            return Answer("401 blues 0a0b0c01 No such CD entry in database.\r\n");
        }
        if (target.find("read+folk") != std::string::npos) {
            return Answer(ReadAnswer(
                "DTITLE=First / Pressing\r\nDGENRE=Not A Genre\r\nTTITLE-1=No track\r\n"));
        }
        return Answer(ReadAnswer(
            "# xmcd\r\nDTITLE=Second / Pressing\r\nDYEAR=2001\r\nDGENRE=Rock\r\n"
            "TTITLE0=Opening\r\nTTITLE1=A title long enough to be conti\r\nTTITLE1=nued\r\n"
            "TTITLE3=Fourth\r\nTTITLE4=Beyond the disc\r\n"));
    });
    const std::string rock = std::to_string(GenreListPosition("Rock"));
    EXPECT_EQ(Run(server),
              (std::vector<std::string>{
                  "clear", "artist=First", "album=Pressing", "genre=-1", "artist=Second",
                  "album=Pressing", "year=2001", "genre=" + rock, "title0=Opening",
                  "title1=A title long enough to be continued", "title3=Fourth", "notice 7"}));
    EXPECT_EQ(server.Requests().size(), 4u);  // the query and three reads
}

TEST_F(QueryCddbThreadTest, NoMatchAndFailuresChangeNothingAndFailuresSayWhy) {
    ASSERT_TRUE(HeldLookupsRunning()) << "runs only with the test resolver preloaded";
    const std::string refused = [] {
        const LoopbackHttpServer closed([](const HttpRequest&) { return Answer(""); });
        return closed.Address();
    }();
    struct Case {
        HttpReply reply;
        std::string server;  // empty: the test's server
        std::string notice;  // the whole notice, or its start when it ends in "..."
    };
    const Case cases[] = {
        {Answer("202 No match for disc ID 0a0b0c04.\r\n"), "", "notice 6"},
        {Answer("500 Unknown developer email for program 1.0\r\n"), "",
         "notice 7: 500 Unknown developer email for program 1.0"},
        {{HttpReply::Kind::Complete, 503, ""},
         "",
         "notice 7: The server answered HTTP status 503."},
        {Answer("<html>busy</html>"), "", "notice 7: The answer has no status line."},
        {Answer(""), refused, "notice 7: Failed to connect to 127.0.0.1 port ..."},
        {Answer(""), kUnknownHost, "notice 7: Could not resolve host: unknown-host.invalid"},
    };
    for (const Case& c : cases) {
        CollectingTarget target;
        LoopbackHttpServer server([&](const HttpRequest&) { return c.reply; });
        const std::string address = c.server.empty() ? server.Address() : c.server;
        TQueryCDDB connection{address, "/~cddb/cddb.cgi", false, "", ""};
        TQueryCDDBThread worker(target, 1, 4, m_handle, connection);
        const std::vector<std::string> messages = target.UntilNotice();
        ASSERT_EQ(messages.size(), 1u) << c.notice;
        if (c.notice.ends_with("...")) {
            EXPECT_TRUE(messages[0].starts_with(c.notice.substr(0, c.notice.size() - 3)))
                << messages[0];
        } else {
            EXPECT_EQ(messages[0], c.notice);
        }
    }
}

TEST_F(QueryCddbThreadTest, SpacesAroundTheServerAndProxyAddressesAreIgnored) {
    LoopbackHttpServer origin(
        [](const HttpRequest&) { return Answer("202 No match for disc ID 0a0b0c04.\r\n"); });
    LoopbackHttpServer proxy(
        [&](const HttpRequest& request) { return ForwardToOrigin(request, origin.Port()); });
    // The proxy alone reaches the server's name (.test names never resolve).
    TQueryCDDB connection{" cddb.test ", "/~cddb/cddb.cgi", true, " 127.0.0.1 ",
                          std::to_string(proxy.Port())};
    TQueryCDDBThread worker(m_target, 1, 4, m_handle, connection);
    EXPECT_EQ(m_target.UntilNotice(), std::vector<std::string>{"notice 6"});
    EXPECT_EQ(proxy.Requests().size(), 1u);
}

// The user's address goes into the hello only when it looks like one; the
// server splits the hello at spaces and rejects what it cannot read.
TEST_F(QueryCddbThreadTest, HelloCarriesAPlausibleAddressElseThePlaceholder) {
    const std::string placeholder = "hello=anonymous+localhost+program+1.0&";
    const std::pair<std::string, std::string> cases[] = {
        {"jo.doe@example.org", "hello=jo.doe+example.org+program+1.0&"},
        {" jo@example.org\t", "hello=jo+example.org+program+1.0&"},
        {"", placeholder},
        {"jo.example.org", placeholder},
        {"@example.org", placeholder},
        {"jo@", placeholder},
        {"jo@home@example.org", placeholder},
        {"jo doe@example.org", placeholder},
        {"jo\r\n@example.org", placeholder},
        {"jo\x7f@example.org", placeholder},
        {std::string(250, 'j') + "@example.org", placeholder},
    };
    for (const auto& [address, hello] : cases) {
        LoopbackHttpServer server(
            [](const HttpRequest&) { return Answer("202 No match for disc ID 0a0b0c04.\r\n"); });
        CollectingTarget target;
        {
            TQueryCDDB connection{server.Address(), "/~cddb/cddb.cgi", false, "", ""};
            TQueryCDDBThread worker(target, 1, 4, m_handle, connection, address);
            EXPECT_EQ(target.UntilNotice(), std::vector<std::string>{"notice 6"});
        }
        ASSERT_EQ(server.Requests().size(), 1u) << address;
        EXPECT_NE(server.Requests()[0].target.find(hello), std::string::npos)
            << address << ": " << server.Requests()[0].target;
    }
}

TEST_F(QueryCddbThreadTest, AbandoningAStalledQueryPostsNothing) {
    LoopbackHttpServer server([](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Stall, 200, "200 rock 0a0b0c04 Late / Answer\r\n"};
    });
    {
        TQueryCDDB connection{server.Address(), "/~cddb/cddb.cgi", false, "", ""};
        TQueryCDDBThread worker(m_target, 1, 4, m_handle, connection);
        ASSERT_TRUE(server.WaitForRequests(1, 10000));
    }
    EXPECT_TRUE(m_target.Messages().empty());
}

// libcurl looks names up on a thread of its own and, unless told otherwise,
// waits for that thread when a transfer is abandoned.
TEST_F(QueryCddbThreadTest, AbandoningDoesNotWaitForTheServerNameLookup) {
    const curl_version_info_data* curl = curl_version_info(CURLVERSION_NOW);
    ASSERT_TRUE(curl->features & CURL_VERSION_ASYNCHDNS);
    ASSERT_EQ(curl->ares, nullptr) << "the resolver must be the threaded one, which the "
                                      "test resolver can hold";
    const std::optional<int> heldBefore = HeldLookupsRunning();
    ASSERT_TRUE(heldBefore) << "runs only with the test resolver preloaded";
    {
        TQueryCDDB connection{kHeldHost, "/~cddb/cddb.cgi", false, "", ""};
        TQueryCDDBThread worker(m_target, 1, 4, m_handle, connection);
        for (int waited = 0; HeldLookupsRunning() == heldBefore && waited < 1000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_EQ(HeldLookupsRunning(), *heldBefore + 1) << "the lookup did not reach the resolver";
    }
    // The worker is gone while the lookup, held for a minute, still runs.
    EXPECT_EQ(HeldLookupsRunning(), *heldBefore + 1);
    EXPECT_TRUE(m_target.Messages().empty());
}

TEST(CddbProxyPortTest, NumbersOrEighty) {
    const std::pair<const char*, int> cases[] = {{"8080", 8080}, {"1", 1},    {"65535", 65535},
                                                 {"", 80},       {"abc", 80}, {"81x", 80},
                                                 {" 81", 80},    {"0", 80},   {"70000", 80}};
    for (const auto& [text, port] : cases) {
        EXPECT_EQ(CddbProxyPort(text), port) << text;
    }
}

}  // namespace

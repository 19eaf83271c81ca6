// SPDX-License-Identifier: GPL-3.0-or-later
// The CDDB functions against real HTTP servers on 127.0.0.1, asking about a
// disc image whose table of contents is the protocol notes' worked example.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "cddb/cddb_access.h"
#include "support/cd/toc_image.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"

namespace {

const std::vector<std::uint32_t> kStarts = {150,    28615,  51027,  75835,  102620, 121460,
                                            148977, 175697, 204322, 231082, 268002};
constexpr std::uint32_t kLeadOut = 3826 * 75;
constexpr const char* kHello = "&hello=jane+example.org+program+1.0&proto=6";

HttpReply Answer(std::string body) {
    return {HttpReply::Kind::Complete, 200, std::move(body)};
}

class CddbAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_handle = OpenTocImageDrive(m_folder.Path(), kStarts, kLeadOut);
        ASSERT_NE(m_handle, 0u);
    }
    void TearDown() override { CloseCDHandle(m_handle); }

    // Sets the options for a direct connection to server.
    static void UseServer(const std::string& server, int timeLimit = 0) {
        CDDBSetOption(cdoServer, server.c_str(), 0);
        CDDBSetOption(cdoScript, "/~cddb/cddb.cgi", 0);
        CDDBSetOption(cdoUserEmail, "jane@example.org", 0);
        CDDBSetOption(cdoClient, "program 1.0", 0);
        CDDBSetOption(cdoTimeLimit, "", timeLimit);
        CDDBSetOption(cdoUseProxy, "", 0);
    }

    TestFolder m_folder;
    TCDHandle m_handle = 0;
};

TEST_F(CddbAccessTest, QueryThenReadSendTheDiscAndTheMatch) {
    LoopbackHttpServer server([](const HttpRequest& request) {
        if (request.target.find("cddb+query") != std::string::npos) {
            return Answer("200 misc 920ef00b Some Artist / Some Album\r\n");
        }
        return Answer(
            "210 misc 920ef00b CD database entry follows (until terminating `.')\r\n"
            "# xmcd\r\nDISCID=920ef00b\r\nDTITLE=Some Artist / Some Album\r\n.\r\n");
    });
    UseServer(server.Address());
    TCDDBQuery query;
    ASSERT_EQ(CDDBQuery(m_handle, &query), 1);
    ASSERT_EQ(query.Num, 1u);
    EXPECT_EQ(query.Items[0], (TCddbMatch{"misc", "920ef00b", "Some Artist / Some Album"}));
    std::string entry;
    ASSERT_EQ(CDDBGetDiskInfo(&query.Items[0], &entry, kCDDBEntryMaxLength), 1);
    EXPECT_EQ(entry, "# xmcd\nDISCID=920ef00b\nDTITLE=Some Artist / Some Album\n");

    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target,
              std::string("/~cddb/cddb.cgi?cmd=cddb+query+920ef00b+11+150+28615+51027+75835+"
                          "102620+121460+148977+175697+204322+231082+268002+3826") +
                  kHello);
    EXPECT_EQ(requests[1].target,
              std::string("/~cddb/cddb.cgi?cmd=cddb+read+misc+920ef00b") + kHello);
}

TEST_F(CddbAccessTest, QueryOutcomes) {
    std::string list = "211 Found inexact matches, list follows (until terminating `.')\r\n";
    for (int i = 0; i < 12; ++i) {
        list += "rock 920ef0" + std::to_string(10 + i) + " Disc " + std::to_string(i) + "\r\n";
    }
    list += ".\r\n";
    struct Case {
        HttpReply reply;
        int result;
        std::uint32_t matches;
        int error;
    };
    const Case cases[] = {
        {Answer(list), 1, 10, cdeNoError},
        {Answer("202 No match for disc ID 920ef00b.\r\n"), 1, 0, cdeNoError},
        {Answer("500 Unknown developer email for program 1.0\r\n"), 0, 0, cdeCDDBRefused},
        {Answer("<html>busy</html>"), 0, 0, cdeCDDBMalformed},
        {{HttpReply::Kind::Complete, 404, "200 misc 920ef00b A / B\r\n"}, 0, 0, cdeCDDBTransfer},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server([&](const HttpRequest&) { return c.reply; });
        UseServer(server.Address());
        TCDDBQuery query;
        EXPECT_EQ(CDDBQuery(m_handle, &query), c.result) << c.reply.body;
        EXPECT_EQ(query.Num, c.matches) << c.reply.body;
        EXPECT_EQ(GetAspiLibError(), c.error) << c.reply.body;
    }
    // No server listening at all.
    const std::string gone = [] {
        const LoopbackHttpServer closed([](const HttpRequest&) { return Answer(""); });
        return closed.Address();
    }();
    UseServer(gone);
    TCDDBQuery query;
    EXPECT_EQ(CDDBQuery(m_handle, &query), 0);
    EXPECT_EQ(GetAspiLibError(), cdeCDDBTransfer);
}

TEST_F(CddbAccessTest, ReadDecodesLatin1AndCutsLongEntriesAtWholeLines) {
    std::string longEntry =
        "DTITLE=Ann\xE9"
        "e / X\r\n";
    for (int i = 0; longEntry.size() < 40000; ++i) {
        longEntry += "EXTD=" + std::string(100, 'a' + i % 26) + "\r\n";
    }
    LoopbackHttpServer server([&](const HttpRequest& request) {
        if (request.target.find("read+blues") != std::string::npos) {
            return Answer("401 blues 920ef00b No such CD entry in database.\r\n");
        }
        return Answer("210 misc 920ef00b CD database entry follows\r\n" + longEntry + ".\r\n");
    });
    UseServer(server.Address());
    const TCddbMatch match{"misc", "920ef00b", ""};
    std::string entry;
    ASSERT_EQ(CDDBGetDiskInfo(&match, &entry, kCDDBEntryMaxLength), 1);
    EXPECT_TRUE(
        entry.starts_with("DTITLE=Ann\xC3\xA9"
                          "e / X\n"));
    EXPECT_LE(entry.size(), kCDDBEntryMaxLength);
    EXPECT_GT(entry.size(), kCDDBEntryMaxLength - 110);
    EXPECT_TRUE(entry.ends_with(std::string(100, entry[entry.size() - 2]) + "\n"));

    const TCddbMatch missing{"blues", "920ef00b", ""};
    EXPECT_EQ(CDDBGetDiskInfo(&missing, &entry, kCDDBEntryMaxLength), 0);
    EXPECT_EQ(GetAspiLibError(), cdeCDDBRefused);
}

TEST_F(CddbAccessTest, ThroughAnHttpProxy) {
    LoopbackHttpServer origin(
        [](const HttpRequest&) { return Answer("200 misc 920ef00b Via / Proxy\r\n"); });
    LoopbackHttpServer proxy(
        [&](const HttpRequest& request) { return ForwardToOrigin(request, origin.Port()); });
    // A name only the proxy can reach (.test names never resolve).
    UseServer("cddb.test");
    CDDBSetOption(cdoUseProxy, "", 1);
    CDDBSetOption(cdoProxyPort, "", proxy.Port());
    CDDBSetOption(cdoProxyHost, "127.0.0.1", 0);
    TCDDBQuery query;
    ASSERT_EQ(CDDBQuery(m_handle, &query), 1);
    EXPECT_EQ(query.Items[0].title, "Via / Proxy");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].target.starts_with(
        "http://cddb.test/~cddb/cddb.cgi?cmd=cddb+query+920ef00b+11+150+"));
    EXPECT_EQ(origin.Requests().size(), 1u);
}

TEST_F(CddbAccessTest, StopAbandonsAStalledTransferAtOnce) {
    LoopbackHttpServer server([](const HttpRequest&) {
        return HttpReply{HttpReply::Kind::Stall, 200, ""};
    });
    UseServer(server.Address());
    std::stop_source stop;
    auto running = std::async(std::launch::async, [&] {
        TCDDBQuery query;
        const int result = CDDBQuery(m_handle, &query, stop.get_token());
        return std::pair{result, GetAspiLibError()};
    });
    ASSERT_TRUE(server.WaitForRequests(1, 10000));
    stop.request_stop();
    // The default time limit is 30 s; a stop that waited for it would fail here.
    ASSERT_EQ(running.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(running.get(), std::pair(0, static_cast<int>(cdeCDDBAbandoned)));
}

TEST_F(CddbAccessTest, EndlessAndHugeBodiesAreCutOffWithAnError) {
    struct Case {
        HttpReply reply;
        int error;
        const char* reason;  // part of the error text
    };
    const Case cases[] = {
        {{HttpReply::Kind::Flood, 200, ""}, cdeCDDBTooLong, "longer than 1048576 bytes"},
        {Answer("210 misc 920ef00b list follows\r\n" + std::string(10 << 20, 'x')), cdeCDDBTooLong,
         "longer than 1048576 bytes"},
        // The body starts and then never ends: the time limit (1 s here) ends it.
        {{HttpReply::Kind::Stall, 200, "210 misc 920ef00b entry follows\r\nDTITLE=A\r\n"},
         cdeCDDBTransfer,
         "timed out"},
    };
    for (const Case& c : cases) {
        LoopbackHttpServer server([&](const HttpRequest&) { return c.reply; });
        UseServer(server.Address(), 1);
        const TCddbMatch match{"misc", "920ef00b", ""};
        std::string entry;
        EXPECT_EQ(CDDBGetDiskInfo(&match, &entry, kCDDBEntryMaxLength), 0);
        EXPECT_EQ(GetAspiLibError(), c.error);
        EXPECT_THAT(CDDBErrorText(), ::testing::HasSubstr(c.reason));
        EXPECT_TRUE(entry.empty());
    }
}

TEST_F(CddbAccessTest, OptionsThatWouldBendTheUrlAreRefused) {
    LoopbackHttpServer server([](const HttpRequest&) { return Answer("202 none\r\n"); });
    for (const char* bad : {"evil.example/x?", "user@host", ""}) {
        UseServer(bad);
        TCDDBQuery query;
        EXPECT_EQ(CDDBQuery(m_handle, &query), 0) << bad;
        EXPECT_EQ(GetAspiLibError(), cdeBadArgument) << bad;
    }
    UseServer(server.Address());
    CDDBSetOption(cdoScript, "/cgi?cmd=x", 0);
    TCDDBQuery query;
    EXPECT_EQ(CDDBQuery(m_handle, &query), 0);
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(CDDBSetOption(7, "", 0), 0);
}

}  // namespace

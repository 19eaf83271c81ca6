// SPDX-License-Identifier: GPL-3.0-or-later
// Front covers fetched from servers on 127.0.0.1 playing the Cover Art
// Archive, which redirects every image to another host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

#include "cddb/musicbrainz/cover_art.h"
#include "support/http/loopback_http_server.h"

namespace {

using ::testing::HasSubstr;

constexpr const char* kReleaseId = "0f6b7f4e-9d2c-4a5b-8e1f-3c2d1b0a9e8f";

// The start of a JFIF file and its end marker: all a cover check looks at.
constexpr char kJpegBytes[] =
    "\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xFF\xD9";
const std::string kJpeg(kJpegBytes, sizeof kJpegBytes - 1);

TEST(CoverArtTest, FrontCovers) {
    // The image host, where the archive's redirects lead.
    LoopbackHttpServer images([](const HttpRequest& request) {
        if (request.target == "/images/front.jpg")
            return HttpReply{
                HttpReply::Kind::Complete, 200, kJpeg, {{"Content-Type", "image/jpeg"}}};
        if (request.target == "/images/huge.jpg")
            return HttpReply{HttpReply::Kind::Complete, 200, kJpeg + std::string(1 << 20, 'x')};
        if (request.target == "/images/page.html")
            return HttpReply{HttpReply::Kind::Complete, 200, "<html>no image</html>"};
        return HttpReply{HttpReply::Kind::Stall, 200, std::string(kJpeg, 0, 3)};
    });
    const std::string imageHost = "http://" + images.Address() + "/images/";
    struct Case {
        const char* name;
        HttpReply reply;  // of the archive
        const char* releaseId = kReleaseId;
        const char* reason = "";  // part of it; empty: the cover arrives
        bool stop = false;        // once the image host has the request
    };
    const Case cases[] = {
        {"redirected", RedirectTo(imageHost + "front.jpg", 307)},
        {"no front", HttpReply{HttpReply::Kind::Complete, 404, "Not Found"}, kReleaseId,
         "no front cover"},
        {"not a jpeg", RedirectTo(imageHost + "page.html", 307), kReleaseId, "not a JPEG"},
        {"too large", RedirectTo(imageHost + "huge.jpg", 307), kReleaseId, "too large"},
        {"busy", HttpReply{HttpReply::Kind::Complete, 503, ""}, kReleaseId, "503"},
        {"upper case id", {}, "0F6B7F4E-9D2C-4A5B-8E1F-3C2D1B0A9E8F", "release id"},
        {"path in id", {}, "0f6b7f4e-9d2c-4a5b-8e1f-3c2d1b0a/../x", "release id"},
        {"short id", {}, "0f6b7f4e-9d2c-4a5b-8e1f-3c2d1b0a9e8", "release id"},
        {"stopped", RedirectTo(imageHost + "stall.jpg", 307), kReleaseId, "stopped", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t imageRequests = images.Requests().size();
        LoopbackHttpServer archive([&](const HttpRequest&) { return c.reply; });
        std::stop_source stop;
        auto fetch = std::async(std::launch::async, [&] {
            return FetchFrontCover("http://" + archive.Address() + "/", c.releaseId,
                                   stop.get_token());
        });
        if (c.stop) {
            ASSERT_TRUE(images.WaitForRequests(imageRequests + 1, 10000));
            stop.request_stop();
        }
        const TCoverArtResult result = fetch.get();

        EXPECT_THAT(result.reason, HasSubstr(c.reason));
        EXPECT_EQ(result.reason.empty(), *c.reason == '\0') << result.reason;
        EXPECT_EQ(result.jpeg, result.reason.empty()
                                   ? std::vector<std::uint8_t>(kJpeg.begin(), kJpeg.end())
                                   : std::vector<std::uint8_t>{});
        const std::vector<HttpRequest> requests = archive.Requests();
        if (std::string(c.reason) == "release id") {
            EXPECT_TRUE(requests.empty());  // an id unfit for a URL is never sent
            continue;
        }
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].target, std::string("/release/") + kReleaseId + "/front-500");
        EXPECT_THAT(requests[0].head, HasSubstr("\r\nUser-Agent: Brisklark/"));
    }
    EXPECT_THAT(FetchFrontCover("ftp://127.0.0.1", kReleaseId, {}).reason, HasSubstr("ftp://"));
}

}  // namespace

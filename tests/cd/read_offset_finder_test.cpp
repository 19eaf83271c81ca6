// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/read_offset_finder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "cd/accuraterip_disc_toc.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/cd/late_drive.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"
#include "verify/accuraterip_disc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The search on a four-track disc of noise: found at the drive's true
// correction whatever its sign, with the handle's own read mode back
// afterwards; nothing read when the database cannot help; nothing fetched
// for an image; no offset when the tracks disagree; Stop between reads.
TEST(ReadOffsetFinderTest, FindsTheDrivesCorrectionFromTheFirstTracks) {
    enum class Server { Answers, Disagrees, NotFound, Down };
    struct Case {
        const char* name;
        bool drive;  // the image answers as a real drive
        std::int32_t readsLate;
        Server server;
        bool stop;  // Stop while the first block is read
        TReadOffsetOutcome outcome;
        std::int32_t offset;
        std::vector<int> checked;
        int reads;  // -1: any number
    };
    const std::vector<int> firstThree{1, 2, 3};
    const Case cases[] = {
        {"+48", true, 48, Server::Answers, false, TReadOffsetOutcome::Found, 48, firstThree, -1},
        {"-1164", true, -1164, Server::Answers, false, TReadOffsetOutcome::Found, -1164, firstThree,
         -1},
        {"0", true, 0, Server::Answers, false, TReadOffsetOutcome::Found, 0, firstThree, -1},
        {"+667", true, 667, Server::Answers, false, TReadOffsetOutcome::Found, 667, firstThree, -1},
        {"not in the database",
         true,
         48,
         Server::NotFound,
         false,
         TReadOffsetOutcome::DiscNotPresent,
         0,
         {},
         0},
        {"server down", true, 48, Server::Down, false, TReadOffsetOutcome::LookupFailed, 0, {}, 0},
        {"image", false, 0, Server::Answers, false, TReadOffsetOutcome::Image, 0, {}, 0},
        {"tracks disagree", true, 48, Server::Disagrees, false, TReadOffsetOutcome::NoOffset, 0,
         firstThree, -1},
        {"stop", true, 48, Server::Answers, true, TReadOffsetOutcome::Stopped, 0, {}, 1},
    };
    const std::vector<std::uint32_t> sectors = {20, 15, 20, 12};
    std::vector<Bytes> tracks;
    Bytes image;
    for (std::uint32_t k = 0; k < sectors.size(); ++k) {
        tracks.push_back(
            discimage::BytePattern(std::size_t{sectors[k]} * discimage::kSectorBytes, 31 + k));
        image.insert(image.end(), tracks.back().begin(), tracks.back().end());
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder folder;
        ASSERT_TRUE(discimage::WriteDiscImage(folder / "disc.cue", tracks).ok);
        LateDriveScript script{c.readsLate};
        std::stop_source stop;
        script.stopOnRead = c.stop ? &stop : nullptr;
        const std::shared_ptr<CDBackend> previousBackend =
            c.drive ? SetCDBackend(std::make_shared<LateDriveBackend>(script)) : nullptr;
        const TCDHandle handle = OpenImageDrive(folder / "disc.cue");
        ASSERT_NE(handle, 0U);
        const std::optional<TArDisc> disc = AccurateRipDisc(*ReadAccurateRipToc(handle));
        ASSERT_TRUE(disc.has_value());
        LoopbackHttpServer server([&](const HttpRequest& request) -> HttpReply {
            if (c.server == Server::NotFound || request.target != AccurateRipPath(disc->ids)) {
                return {HttpReply::Kind::Complete, 404};
            }
            const std::vector<int> shifts = {0, c.server == Server::Disagrees ? 100 : 0, 0, 0};
            return {HttpReply::Kind::Complete, 200, AccurateRipAnswerFor(*disc, image, shifts)};
        });
        const std::string address =
            "http://" + (c.server == Server::Down ? "127.0.0.1:9" : server.Address());
        const TCDReadMode ownMode{true, 10, 30};
        ASSERT_EQ(SetCDReadMode(handle, ownMode), 1);

        const TReadOffsetSearch found = FindReadOffset(handle, address, stop.get_token());
        TCDReadMode modeAfter;
        ASSERT_EQ(GetCDReadMode(handle, &modeAfter), 1);
        CloseCDHandle(handle);
        if (c.drive) {
            SetCDBackend(previousBackend);  // null: the libcdio backend, made afresh
        }

        EXPECT_EQ(found.outcome, c.outcome);
        EXPECT_EQ(found.offset, c.offset);
        EXPECT_EQ(found.checkedTracks, c.checked);
        EXPECT_EQ(found.drive.Image, !c.drive);
        EXPECT_EQ(found.drive.Model, c.drive ? "Test Drive" : "disc.cue");
        EXPECT_EQ(found.reason.empty(), c.outcome != TReadOffsetOutcome::LookupFailed);
        EXPECT_EQ(server.Requests().size(), c.drive && c.server != Server::Down ? 1U : 0U);
        if (c.reads >= 0) {
            EXPECT_EQ(script.reads, c.reads);
        }
        EXPECT_FALSE(script.carefulRead);
        EXPECT_EQ(modeAfter, ownMode);
    }
}

}  // namespace

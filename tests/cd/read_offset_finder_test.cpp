// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/read_offset_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "cd/access/libcdio_backend.h"
#include "cd/accuraterip_disc_toc.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/cd/forwarding_device.h"
#include "support/common/test_folder.h"
#include "support/http/loopback_http_server.h"
#include "verify/accuraterip_disc.h"
#include "verify/accuraterip_sums.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the test's drive does and what it saw.
struct DriveScript {
    std::int32_t readsLate = 0;  // the correction the drive needs, in samples
    std::stop_source* stopOnRead = nullptr;
    int reads = 0;
    bool carefulRead = false;
};

// A disc image read as a drive that needs a read offset correction of c
// does: asked for disc sample p, it delivers image sample p - c, silence
// outside the image.
class LateDevice final : public ForwardingDevice {
public:
    LateDevice(std::unique_ptr<CDDevice> inner, DriveScript& script)
        : ForwardingDevice(std::move(inner)), m_script(script) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        // Careful reading's cache-defeating reads come without a buffer.
        Bytes unwanted(dest == nullptr ? std::size_t{count} * kCDSectorBytes : 0);
        dest = dest == nullptr ? unwanted.data() : dest;
        ++m_script.reads;
        if (m_script.stopOnRead != nullptr) {
            m_script.stopOnRead->request_stop();
        }
        const std::int64_t end = std::int64_t{ReadLayout()->readableEnd} * kArSamplesPerSector;
        const std::int64_t first = std::int64_t{start} * kArSamplesPerSector - m_script.readsLate;
        const std::int64_t samples = std::int64_t{count} * kArSamplesPerSector;
        std::fill_n(dest, samples * 4, 0);
        const std::int64_t from = std::max<std::int64_t>(first, 0);
        const std::int64_t to = std::min(first + samples, end);
        if (from >= to) {
            return true;
        }
        const std::int64_t sector = from / kArSamplesPerSector;
        const std::int64_t sectors = (to + kArSamplesPerSector - 1) / kArSamplesPerSector - sector;
        Bytes raw(static_cast<std::size_t>(sectors) * kCDSectorBytes);
        if (!ForwardingDevice::ReadAudio(static_cast<std::uint32_t>(sector),
                                         static_cast<std::uint32_t>(sectors), raw.data())) {
            return false;
        }
        std::memcpy(dest + (from - first) * 4,
                    raw.data() + (from - sector * kArSamplesPerSector) * 4,
                    static_cast<std::size_t>(to - from) * 4);
        return true;
    }
    TCDAccessError ReadAudioCarefully(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                      const CDCarefulRead& how) override {
        m_script.carefulRead = true;
        return ForwardingDevice::ReadAudioCarefully(start, count, dest, how);
    }

private:
    DriveScript& m_script;
};

// Disc images that name themselves as a real drive does and read late.
class LateDriveBackend final : public WrappingBackend {
public:
    explicit LateDriveBackend(DriveScript& script)
        : WrappingBackend(MakeLibcdioBackend(), [&script](std::unique_ptr<CDDevice> device) {
              return std::make_unique<LateDevice>(std::move(device), script);
          }) {}
    std::vector<CDDriveEntry> ListDrives() override {
        std::vector<CDDriveEntry> drives = WrappingBackend::ListDrives();
        for (CDDriveEntry& drive : drives) {
            drive.identity = {"Brisk", "Test Drive", "1.0", false};
        }
        return drives;
    }
};

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>(value >> shift);
    }
}

// The database's answer: a chunk of v1 and one of v2 sums of each track's
// audio taken `shifts[k]` samples into the image (silence outside it).
std::string Answer(const TArDisc& disc, const Bytes& image, const std::vector<int>& shifts) {
    std::string body;
    for (const bool v2 : {false, true}) {
        body += static_cast<char>(disc.ids.audioTracks);
        PutU32(body, disc.ids.id1);
        PutU32(body, disc.ids.id2);
        PutU32(body, disc.ids.cddbId);
        for (std::size_t k = 0; k < disc.tracks.size(); ++k) {
            const TArTrack& track = disc.tracks[k];
            const std::uint64_t samples = std::uint64_t{track.sectors} * kArSamplesPerSector;
            Bytes audio(samples * 4, 0);
            const std::int64_t first =
                std::int64_t{track.startSector} * kArSamplesPerSector + shifts[k];
            for (std::uint64_t s = 0; s < samples; ++s) {
                const std::int64_t at = (first + static_cast<std::int64_t>(s)) * 4;
                if (at >= 0 && static_cast<std::size_t>(at) < image.size()) {
                    std::copy_n(image.begin() + at, 4, audio.begin() + s * 4);
                }
            }
            TArChecksummer sums(samples, track.first, track.last);
            sums.Update(audio);
            body += static_cast<char>(3);
            PutU32(body, v2 ? sums.Finish()->v2 : sums.Finish()->v1);
            PutU32(body, 0);
        }
    }
    return body;
}

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
        DriveScript script{c.readsLate};
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
            return {HttpReply::Kind::Complete, 200, Answer(*disc, image, shifts)};
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

// SPDX-License-Identifier: GPL-3.0-or-later
// Read faults that an image cannot produce, injected through the backend.
#include <gtest/gtest.h>

#include <future>
#include <stop_token>
#include <thread>

#include "cd/access/cd_backend.h"
#include "cd/access/libcdio_backend.h"
#include "image_fixture.h"
#include "support/cd/forwarding_device.h"

namespace {

// A real image device whose reads fail when they touch one sector, and
// then request stopOnFault's stop when one is given.
class FailingSectorDevice : public ForwardingDevice {
public:
    FailingSectorDevice(std::unique_ptr<CDDevice> real, std::uint32_t badSector,
                        std::stop_source* stopOnFault)
        : ForwardingDevice(std::move(real)), m_badSector(badSector), m_stopOnFault(stopOnFault) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        if (start <= m_badSector && m_badSector < start + count) {
            if (m_stopOnFault != nullptr) {
                m_stopOnFault->request_stop();
            }
            return false;
        }
        return ForwardingDevice::ReadAudio(start, count, dest);
    }

private:
    std::uint32_t m_badSector;
    std::stop_source* m_stopOnFault;
};

std::shared_ptr<CDBackend> FailingSectorBackend(std::uint32_t badSector,
                                                std::stop_source* stopOnFault = nullptr) {
    return std::make_shared<WrappingBackend>(
        MakeLibcdioBackend(), [=](std::unique_ptr<CDDevice> device) {
            return std::make_unique<FailingSectorDevice>(std::move(device), badSector, stopOnFault);
        });
}

// A real image device whose reads wait until the test releases them.
class BlockingReadDevice : public ForwardingDevice {
public:
    BlockingReadDevice(std::unique_ptr<CDDevice> real, std::promise<void>& entered,
                       std::shared_future<void> release)
        : ForwardingDevice(std::move(real)), m_entered(entered), m_release(std::move(release)) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        m_entered.set_value();
        m_release.wait();
        return ForwardingDevice::ReadAudio(start, count, dest);
    }

private:
    std::promise<void>& m_entered;
    std::shared_future<void> m_release;
};

// A real image device whose CD-Text is the given raw record, as a drive
// could hand it over: libcdio's cue reader always yields valid UTF-8.
class RawTextDevice : public ForwardingDevice {
public:
    RawTextDevice(std::unique_ptr<CDDevice> real, TCDText text)
        : ForwardingDevice(std::move(real)), m_text(std::move(text)) {}

    std::optional<TCDText> ReadCDText() override { return m_text; }

private:
    TCDText m_text;
};

class CDAccessFaultTest : public ImageFixture {
protected:
    void TearDown() override {
        ImageFixture::TearDown();
        SetCDBackend(std::move(m_previous));
    }
    void UseBackend(std::shared_ptr<CDBackend> backend) {
        m_previous = SetCDBackend(std::move(backend));
    }

    std::shared_ptr<CDBackend> m_previous;
};

TEST_F(CDAccessFaultTest, ReadErrorAtOneSectorFailsOnlyTheReadsCoveringIt) {
    const auto tracks = ThreeTracks();
    MakeImage(tracks);
    UseBackend(FailingSectorBackend(33));
    const TCDHandle handle = OpenLastDrive();
    ASSERT_NE(handle, 0u);

    TTrackBuf covering = MakeTrackBuf(30, 10);
    EXPECT_EQ(ReadCDAudioLBA(handle, &covering), 0);
    EXPECT_EQ(GetAspiLibError(), cdeReadFailed);
    EXPECT_EQ(covering.Len, 0u);

    TTrackBuf before = MakeTrackBuf(23, 10);
    ASSERT_EQ(ReadCDAudioLBA(handle, &before), 1);
    EXPECT_EQ(GetAspiLibError(), cdeNoError);
    const auto all = DiscBytes(tracks);
    EXPECT_TRUE(
        std::equal(before.Buf.begin(), before.Buf.end(), all.begin() + 23 * kCDSectorBytes));
}

TEST_F(CDAccessFaultTest, CarefulReadOverABadSectorEndsAndCountsIt) {
    struct Case {
        int retries;
        int retriesUsed;  // only multiples of 5 ever end the retries
        bool stopAtFault;
    };
    for (const Case c : {Case{1, 5, false}, Case{3, 5, false}, Case{20, 20, false},
                         Case{21, 25, false}, Case{20, 20, true}}) {
        SCOPED_TRACE(testing::Message() << "retries " << c.retries << ", stop " << c.stopAtFault);
        std::stop_source stop;
        UseBackend(FailingSectorBackend(33, c.stopAtFault ? &stop : nullptr));
        MakeImage(ThreeTracks());
        const TCDHandle handle = OpenLastDrive();
        ASSERT_EQ(SetCDReadMode(handle, {true, c.retries, 0}), 1);
        TCDReadMode mode;
        ASSERT_EQ(GetCDReadMode(handle, &mode), 1);
        EXPECT_EQ(mode.Retries, c.retriesUsed);

        TTrackBuf track = MakeTrackBuf(31, 8);
        const int read = ReadCDAudioLBA(handle, &track, stop.get_token());
        const int error = GetAspiLibError();
        TCDReadQuality quality;
        ASSERT_EQ(GetCDReadQuality(handle, &quality), 1);
        if (c.stopAtFault) {
            EXPECT_EQ(read, 0);
            EXPECT_EQ(error, cdeReadStopped);
        } else {
            EXPECT_EQ(read, 1);
            EXPECT_GT(quality.SkippedSectors, 0u);
            // Sectors read together with the bad one are not lost with it.
            const auto all = DiscBytes(ThreeTracks());
            EXPECT_TRUE(std::equal(track.Buf.begin(), track.Buf.begin() + 2 * kCDSectorBytes,
                                   all.begin() + 31 * kCDSectorBytes));
        }
        EXPECT_GT(quality.ReadErrors, 0u);
        EXPECT_FALSE(quality.Clean());

        ASSERT_EQ(ResetCDReadQuality(handle), 1);
        ASSERT_EQ(GetCDReadQuality(handle, &quality), 1);
        EXPECT_EQ(quality, TCDReadQuality{});
        CloseCDHandle(handle);
        SetCDBackend(std::move(m_previous));
    }
}

TEST_F(CDAccessFaultTest, MediaPollAnswersWhileAReadHoldsTheDrive) {
    std::promise<void> entered;
    std::promise<void> release;
    UseBackend(std::make_shared<WrappingBackend>(MakeLibcdioBackend(), [&](auto device) {
        return std::make_unique<BlockingReadDevice>(std::move(device), entered,
                                                    release.get_future().share());
    }));
    MakeImage(ThreeTracks());
    const TCDHandle handle = OpenLastDrive();
    TTrackBuf buffer = MakeTrackBuf(0, 10);
    int read = 0;
    std::thread reader([&] { read = ReadCDAudioLBA(handle, &buffer); });
    entered.get_future().wait();
    EXPECT_EQ(CDMediaChanged(handle), 0);
    release.set_value();
    reader.join();
    EXPECT_EQ(read, 1);
}

TEST_F(CDAccessFaultTest, MalformedCDTextBecomesReplacementCharacters) {
    // A lone continuation byte, a cut sequence, an overlong '/', a surrogate;
    // a 4-byte character straddling the cap is left out whole.
    const std::string capped = std::string(kCDTextMaxBytes - 2, 'x') + "\xF0\x9F\x8E\xB5";
    const TCDText raw{
        "a\x80"
        "b\xC3",
        "\xC0\xAF\xED\xA0\x80",
        {{1, capped, "\t"}, {2, " ", "\xC2\x85"}}};
    UseBackend(std::make_shared<WrappingBackend>(MakeLibcdioBackend(), [&](auto device) {
        return std::make_unique<RawTextDevice>(std::move(device), raw);
    }));
    MakeImage(ThreeTracks());
    TCDText text;
    ASSERT_EQ(ReadCDText(OpenLastDrive(), &text), 1);
    const std::string bad = "\xEF\xBF\xBD";
    EXPECT_EQ(text.Title, "a" + bad + "b" + bad);
    EXPECT_EQ(text.Performer, bad + bad + bad + bad + bad);
    ASSERT_EQ(text.Tracks.size(), 1u);
    EXPECT_EQ(text.Tracks[0], (TCDTextTrack{1, std::string(kCDTextMaxBytes - 2, 'x'), ""}));
}

TEST_F(CDAccessFaultTest, ErrorsAreKeptPerThread) {
    MakeImage(ThreeTracks());
    const TCDHandle handle = OpenLastDrive();
    TTrackBuf outside = MakeTrackBuf(1000, 1);
    ASSERT_EQ(ReadCDAudioLBA(handle, &outside), 0);
    int otherThreadError = -1;
    std::thread([&] { otherThreadError = GetAspiLibError(); }).join();
    EXPECT_EQ(otherThreadError, cdeNoError);
    EXPECT_EQ(GetAspiLibError(), cdeOutOfRange);
}

}  // namespace

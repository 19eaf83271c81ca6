// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/cd_drive.h"

#include <gtest/gtest.h>

#include "access/image_fixture.h"
#include "cd/access/cd_backend.h"
#include "cd/access/libcdio_backend.h"
#include "support/cd/forwarding_device.h"

namespace {

// Counts handle requests; while armed, a request fails as long as the device
// opened last before arming is still open (a handle left open elsewhere).
// With refuseAll every request fails.
class HandleHogBackend : public CDBackend {
public:
    HandleHogBackend() : m_real(MakeLibcdioBackend()) {}

    std::vector<CDDriveEntry> ListDrives() override { return m_real->ListDrives(); }

    std::unique_ptr<CDDevice> Open(const CDDriveEntry& drive) override {
        ++requests;
        if (refuseAll || (armed && !m_lastOpened.expired())) {
            return nullptr;
        }
        auto alive = std::make_shared<int>();
        m_lastOpened = alive;
        return std::make_unique<TrackedDevice>(m_real->Open(drive), std::move(alive));
    }

    bool armed = false;
    bool refuseAll = false;
    int requests = 0;

private:
    // A real device that marks its lifetime through a shared token.
    class TrackedDevice : public ForwardingDevice {
    public:
        TrackedDevice(std::unique_ptr<CDDevice> real, std::shared_ptr<int> alive)
            : ForwardingDevice(std::move(real)), m_alive(std::move(alive)) {}

    private:
        std::shared_ptr<int> m_alive;
    };

    std::unique_ptr<CDBackend> m_real;
    std::weak_ptr<int> m_lastOpened;
};

// A drive list without drives, or one drive with a fixed table of contents.
class FixedLayoutBackend : public CDBackend {
public:
    explicit FixedLayoutBackend(std::optional<CDDiscLayout> layout) : m_layout(std::move(layout)) {}

    std::vector<CDDriveEntry> ListDrives() override {
        if (!m_layout) {
            return {};
        }
        return {CDDriveEntry{TCDDriveInfo{0, 0, 0, "Fixed   ", "Layout"}, "fixed"}};
    }
    std::unique_ptr<CDDevice> Open(const CDDriveEntry&) override {
        return std::make_unique<Device>(*m_layout);
    }

private:
    class Device : public CDDevice {
    public:
        explicit Device(CDDiscLayout layout) : m_layout(std::move(layout)) {}
        std::optional<CDDiscLayout> ReadLayout() override { return m_layout; }
        bool ReadAudio(std::uint32_t, std::uint32_t, std::uint8_t*) override { return false; }
        int MediaChanged() override { return 0; }
        TCDAccessError Eject() override { return cdeUnsupported; }
        TCDAccessError CloseTray() override { return cdeUnsupported; }

    private:
        CDDiscLayout m_layout;
    };

    std::optional<CDDiscLayout> m_layout;
};

class CDDriveTest : public ImageFixture {
protected:
    void TearDown() override {
        ImageFixture::TearDown();
        if (m_previous) {
            SetCDBackend(std::move(m_previous));
        }
    }
    void UseBackend(std::shared_ptr<CDBackend> backend) {
        auto previous = SetCDBackend(std::move(backend));
        if (!m_previous) {
            m_previous = std::move(previous);
        }
    }

    std::shared_ptr<CDBackend> m_previous;
};

TEST_F(CDDriveTest, OpensAnImageDriveAndDescribesIt) {
    MakeImage(ThreeTracks(), "a_rather_long_image_name");
    const TOpenCDResult open = OpenCDDevice(LastPosition());
    ASSERT_NE(open.handle, 0u);
    // The product holds 16 characters of the file name.
    EXPECT_EQ(open.driveDescription, "Image   a_rather_long_im");
    EXPECT_EQ(open.statusText, open.driveDescription);
}

TEST_F(CDDriveTest, PositionOutsideTheListOrNoDrivesGiveNoHandle) {
    MakeImage(ThreeTracks());
    for (int position : {LastPosition() + 1, -1}) {
        const TOpenCDResult open = OpenCDDevice(position);
        EXPECT_EQ(open.handle, 0u);
        EXPECT_EQ(open.statusText, kBadDrivePositionText);
    }
    UseBackend(std::make_shared<FixedLayoutBackend>(std::nullopt));
    const TOpenCDResult none = OpenCDDevice(0);
    EXPECT_EQ(none.handle, 0u);
    EXPECT_EQ(none.statusText, kNoCDDevicesText);
    EXPECT_FALSE(FirstCDDriveHasAudioCD());
    EXPECT_EQ(GetDiscKey(), "");
}

TEST_F(CDDriveTest, RecoveryAsksOnceMoreAfterTheFirstSuccessfulClose) {
    MakeImage(ThreeTracks());
    auto backend = std::make_shared<HandleHogBackend>();
    UseBackend(backend);
    const int position = LastPosition();
    for (TCDHandle expected = 1; expected <= 3; ++expected) {
        ASSERT_EQ(OpenCDDevice(position).handle, expected);
    }
    ASSERT_EQ(CloseCDHandle(1), 1);
    ASSERT_EQ(CloseCDHandle(2), 1);
    backend->armed = true;
    backend->requests = 0;

    // Closing 1 and 2 fails; closing 3 frees the drive.
    const TOpenCDResult open = OpenCDDevice(position);
    EXPECT_EQ(backend->requests, 2);
    EXPECT_EQ(open.handle, 1u);
    EXPECT_EQ(open.statusText, open.driveDescription);
    EXPECT_EQ(CloseCDHandle(3), 0) << "handle 3 was closed by the recovery";
}

TEST_F(CDDriveTest, NoHandleWhenNoCloseSucceeds) {
    MakeImage(ThreeTracks());
    auto backend = std::make_shared<HandleHogBackend>();
    UseBackend(backend);
    backend->refuseAll = true;
    const TOpenCDResult open = OpenCDDevice(LastPosition());
    EXPECT_EQ(backend->requests, 1);
    EXPECT_EQ(open.handle, 0u);
    EXPECT_EQ(open.statusText, kNoCDDevicesText);
}

TEST_F(CDDriveTest, DiscKeyIsTheCddbIdOfTheImage) {
    // Tracks at LBA 150, 1150 and 3150, lead-out 7150: start seconds 2, 15 and 42
    // (digit sums 14), 93 s of play, 3 tracks: 0x0E005D03.
    MakeImage({discimage::Pcm(1000 * 2352, 0), discimage::Pcm(2000 * 2352, 0),
               discimage::Pcm(4000 * 2352, 0)});
    const TOpenCDResult open = OpenCDDevice(LastPosition());
    EXPECT_EQ(DiscKeyOf(open.handle), "234904835");
    EXPECT_EQ(DiscKeyOf(0), "");
}

TEST_F(CDDriveTest, DiscKeyIsSignedAndEmptyWithoutAudioTracks) {
    // Tracks at 2, 59, 159, ..., 859 s (digit sums 164), lead-out at 959 s:
    // 0xA403BD0A, which is negative as a signed 32-bit number.
    CDDiscLayout layout;
    const std::uint32_t seconds[] = {2, 59, 159, 259, 359, 459, 559, 659, 759, 859};
    for (std::uint8_t n = 1; n <= 10; ++n) {
        layout.tracks.push_back({n, true, seconds[n - 1] * 75 - 150});
    }
    layout.leadOut = layout.readableEnd = 959 * 75 - 150;
    UseBackend(std::make_shared<FixedLayoutBackend>(layout));
    EXPECT_TRUE(FirstCDDriveHasAudioCD());
    EXPECT_EQ(GetDiscKey(), "-1543258870");
    layout.tracks.resize(3);  // 2 + 14 + 15 = 31, 957 s, 3 tracks: 0x1F03BD03
    layout.tracks[2].number = 3;
    UseBackend(std::make_shared<FixedLayoutBackend>(layout));
    EXPECT_EQ(GetDiscKey(), "520338691");

    for (auto& track : layout.tracks) {
        track.audio = false;
    }
    UseBackend(std::make_shared<FixedLayoutBackend>(layout));
    EXPECT_FALSE(FirstCDDriveHasAudioCD());
    EXPECT_EQ(GetDiscKey(), "");
}

}  // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// Read faults that an image cannot produce, injected through the backend.
#include <gtest/gtest.h>

#include "cd/access/cd_backend.h"
#include "cd/access/libcdio_backend.h"
#include "image_fixture.h"
#include "support/cd/forwarding_device.h"

namespace {

// A real image device whose reads fail when they touch one sector.
class FailingSectorDevice : public ForwardingDevice {
public:
    FailingSectorDevice(std::unique_ptr<CDDevice> real, std::uint32_t badSector)
        : ForwardingDevice(std::move(real)), m_badSector(badSector) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        if (start <= m_badSector && m_badSector < start + count) {
            return false;
        }
        return ForwardingDevice::ReadAudio(start, count, dest);
    }

private:
    std::uint32_t m_badSector;
};

std::shared_ptr<CDBackend> FailingSectorBackend(std::uint32_t badSector) {
    return std::make_shared<WrappingBackend>(
        MakeLibcdioBackend(), [badSector](std::unique_ptr<CDDevice> device) {
            return std::make_unique<FailingSectorDevice>(std::move(device), badSector);
        });
}

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

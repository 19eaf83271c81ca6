// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Fault injection under the CD access module: a device that passes every
// call to a real one, for tests to override the calls they disturb, and a
// backend that wraps each device another backend opens.

#include <functional>
#include <memory>
#include <vector>

#include "cd/access/cd_backend.h"

class ForwardingDevice : public CDDevice {
public:
    explicit ForwardingDevice(std::unique_ptr<CDDevice> inner) : m_inner(std::move(inner)) {}

    std::optional<CDDiscLayout> ReadLayout() override { return m_inner->ReadLayout(); }
    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        return m_inner->ReadAudio(start, count, dest);
    }
    // The careful read's sectors still come through this device's ReadAudio.
    TCDAccessError ReadAudioCarefully(std::uint32_t start, std::uint32_t count, std::uint8_t* dest,
                                      const CDCarefulRead& how) override {
        return m_inner->ReadAudioCarefully(start, count, dest, how);
    }
    std::optional<TCDText> ReadCDText() override { return m_inner->ReadCDText(); }
    int MediaChanged() override { return m_inner->MediaChanged(); }
    TCDAccessError Eject() override { return m_inner->Eject(); }
    TCDAccessError CloseTray() override { return m_inner->CloseTray(); }

private:
    std::unique_ptr<CDDevice> m_inner;
};

// Lists the drives of `inner` and hands each device it opens to `wrap`.
class WrappingBackend : public CDBackend {
public:
    using Wrap = std::function<std::unique_ptr<CDDevice>(std::unique_ptr<CDDevice>)>;

    WrappingBackend(std::shared_ptr<CDBackend> inner, Wrap wrap)
        : m_inner(std::move(inner)), m_wrap(std::move(wrap)) {}

    std::vector<CDDriveEntry> ListDrives() override { return m_inner->ListDrives(); }
    std::unique_ptr<CDDevice> Open(const CDDriveEntry& drive) override {
        auto device = m_inner->Open(drive);
        return device ? m_wrap(std::move(device)) : nullptr;
    }

private:
    std::shared_ptr<CDBackend> m_inner;
    Wrap m_wrap;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_frame_slot.h"

#include <cassert>
#include <system_error>

namespace ape {

FrameSlot::FrameSlot(const StreamFormat& format, size_t frameBytes)
    : m_encoder(format.level, format.channels, format.bitsPerSample), m_pcm(frameBytes) {}

std::span<uint8_t> FrameSlot::FreeSpace() {
    if (m_encoding) {
        return {};
    }
    return std::span(m_pcm).subspan(m_bytes);
}

void FrameSlot::Add(size_t bytes) {
    assert(!m_encoding && bytes <= m_pcm.size() - m_bytes);
    m_bytes += bytes;
}

void FrameSlot::Truncate(size_t bytes) {
    assert(!m_encoding && bytes <= m_bytes);
    m_bytes = bytes;
}

void FrameSlot::StartEncoding() {
    assert(!m_encoding && m_bytes > 0);
    m_failure = nullptr;
    try {
        m_thread = std::jthread([this] { Encode(); });
    } catch (const std::system_error&) {
        Encode();  // no thread to be had: encode on the caller's
    }
    m_encoding = true;
}

std::span<const uint8_t> FrameSlot::TakeFrame() {
    assert(m_encoding);
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_encoding = false;
    m_bytes = 0;
    if (m_failure) {
        std::rethrow_exception(m_failure);
    }
    return m_frame;
}

// The slot thread (the owner's when none could be started).
void FrameSlot::Encode() noexcept {
    try {
        m_frame.clear();
        m_encoder.Encode(std::span(m_pcm.data(), m_bytes), m_frame);
    } catch (...) {
        m_failure = std::current_exception();
    }
}

}  // namespace ape

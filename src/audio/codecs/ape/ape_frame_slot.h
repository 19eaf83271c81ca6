// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <exception>
#include <span>
#include <thread>
#include <vector>

#include "audio/codecs/ape/ape_file_writer.h"
#include "audio/codecs/ape/ape_frame_encoder.h"

namespace ape {

// One frame's PCM and its encoding on a thread of its own, so that the
// compressor can encode consecutive frames on several cores. Frames are
// independent, so the bytes do not depend on which slot encoded them.
//
// Threads: the owner fills the slot and starts it; from StartEncoding until
// TakeFrame returns, the PCM, the encoder and the frame bytes belong to the
// slot's thread. The destructor waits for a running encoding.
class FrameSlot {
public:
    FrameSlot(const StreamFormat& format, size_t frameBytes);
    ~FrameSlot() = default;
    FrameSlot(const FrameSlot&) = delete;
    FrameSlot& operator=(const FrameSlot&) = delete;

    // The free tail of the PCM buffer; empty while encoding.
    [[nodiscard]] std::span<uint8_t> FreeSpace();
    // Bytes were placed at the start of FreeSpace().
    void Add(size_t bytes);
    // Keeps only the first bytes held (to drop an incomplete block).
    void Truncate(size_t bytes);
    [[nodiscard]] size_t Bytes() const { return m_bytes; }
    [[nodiscard]] bool Full() const { return m_bytes == m_pcm.size(); }
    [[nodiscard]] bool Encoding() const { return m_encoding; }

    // Encodes the PCM held (whole blocks, at least one) in the background,
    // or at once when no thread can be started.
    void StartEncoding();
    // Waits for the encoding, rethrows its failure, and returns the frame's
    // logical bytes (valid until the slot is started again). The PCM buffer
    // is empty afterwards.
    [[nodiscard]] std::span<const uint8_t> TakeFrame();

private:
    void Encode() noexcept;

    FrameEncoder m_encoder;
    std::vector<uint8_t> m_pcm;  // one frame of interleaved PCM
    size_t m_bytes = 0;          // bytes of m_pcm in use
    std::vector<uint8_t> m_frame;
    std::exception_ptr m_failure;
    bool m_encoding = false;
    std::jthread m_thread;  // last member: joined before the buffers go
};

}  // namespace ape

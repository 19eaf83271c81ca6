// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_compressor.h"

#include <algorithm>
#include <thread>

#include "audio/codecs/ape/ape_errors.h"
#include "audio/codecs/ape/ape_format.h"

namespace ape {

ApeCompressor::ApeCompressor() = default;
ApeCompressor::~ApeCompressor() = default;

void ApeCompressor::Start(const std::filesystem::path& target, const StreamFormat& format,
                          int64_t maxAudioBytes) {
    if (m_state != State::kIdle || !IsValidLevel(format.level) || target.empty()) {
        throw ApeError(kErrorBadParameter, "bad parameter");
    }
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16 && format.bitsPerSample != 24) {
        throw ApeError(kErrorUnsupportedBitDepth, "unsupported bit depth");
    }
    if (format.channels != 1 && format.channels != 2) {
        throw ApeError(kErrorUnsupportedChannelCount, "unsupported channel count");
    }
    if (format.sampleRate == 0) {
        throw ApeError(kErrorUnsupportedSampleRate, "unsupported sample rate");
    }
    m_format = format;
    m_blockBytes = static_cast<size_t>(format.channels * format.bitsPerSample / 8);
    m_maxAudioBytes = maxAudioBytes;
    m_writer = std::make_unique<ApeFileWriter>(target, format);
    const size_t frameBytes = BlocksPerFrame(format.level) * m_blockBytes;
    const unsigned wanted = m_maxSlots != 0 ? m_maxSlots : std::thread::hardware_concurrency();
    const unsigned slots = std::clamp(wanted, 1U, kMaxSlots);
    for (unsigned i = 0; i < slots; ++i) {
        m_slots.push_back(std::make_unique<FrameSlot>(format, frameBytes));
    }
    m_state = State::kStarted;
}

std::span<uint8_t> ApeCompressor::LockBuffer() {
    if (m_state != State::kStarted) {
        return {};
    }
    return m_slots[m_current]->FreeSpace();
}

void ApeCompressor::UnlockBuffer(size_t bytes) {
    if (m_state != State::kStarted || bytes > m_slots[m_current]->FreeSpace().size()) {
        throw ApeError(kErrorBadParameter, "bad parameter");
    }
    if (m_maxAudioBytes >= 0 && m_totalBytes + bytes > static_cast<uint64_t>(m_maxAudioBytes)) {
        throw ApeError(kErrorTooMuchData, "more audio than announced");
    }
    m_totalBytes += bytes;
    FrameSlot& slot = *m_slots[m_current];
    slot.Add(bytes);
    if (slot.Full()) {
        slot.StartEncoding();
        m_current = (m_current + 1) % m_slots.size();
        WriteFrameOf(*m_slots[m_current]);
    }
}

void ApeCompressor::Finish() {
    if (m_state != State::kStarted) {
        throw ApeError(kErrorBadParameter, "bad parameter");
    }
    m_state = State::kFinished;
    if (m_totalBytes < m_blockBytes) {
        m_slots.clear();
        m_writer.reset();
        throw ApeError(kErrorInputTooSmall, "no audio to compress");
    }
    // Bytes of an incomplete block at the end are dropped.
    FrameSlot& last = *m_slots[m_current];
    last.Truncate(last.Bytes() - last.Bytes() % m_blockBytes);
    uint32_t finalFrameBlocks = BlocksPerFrame(m_format.level);
    if (last.Bytes() > 0) {
        finalFrameBlocks = static_cast<uint32_t>(last.Bytes() / m_blockBytes);
        last.StartEncoding();
    }
    // Oldest first: the slot after the current one, round to the current.
    for (size_t i = 1; i <= m_slots.size(); ++i) {
        WriteFrameOf(*m_slots[(m_current + i) % m_slots.size()]);
    }
    m_writer->Finish(finalFrameBlocks);
    m_slots.clear();
    m_writer.reset();
}

void ApeCompressor::WriteFrameOf(FrameSlot& slot) {
    if (slot.Encoding()) {
        m_writer->AppendFrame(slot.TakeFrame());
    }
}

}  // namespace ape

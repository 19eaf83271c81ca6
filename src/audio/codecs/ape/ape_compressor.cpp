// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_compressor.h"

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
    m_encoder = std::make_unique<FrameEncoder>(format.level, format.channels, format.bitsPerSample);
    m_input.resize(BlocksPerFrame(format.level) * m_blockBytes);
    m_writer = std::make_unique<ApeFileWriter>(target, format);
    m_state = State::kStarted;
}

std::span<uint8_t> ApeCompressor::LockBuffer() {
    if (m_state != State::kStarted) {
        return {};
    }
    return std::span(m_input).subspan(m_inputBytes);
}

void ApeCompressor::UnlockBuffer(size_t bytes) {
    if (m_state != State::kStarted || bytes > m_input.size() - m_inputBytes) {
        throw ApeError(kErrorBadParameter, "bad parameter");
    }
    if (m_maxAudioBytes >= 0 && m_totalBytes + bytes > static_cast<uint64_t>(m_maxAudioBytes)) {
        throw ApeError(kErrorTooMuchData, "more audio than announced");
    }
    m_totalBytes += bytes;
    m_inputBytes += bytes;
    if (m_inputBytes == m_input.size()) {
        EncodeFrame(m_inputBytes);
        m_inputBytes = 0;
    }
}

void ApeCompressor::Finish() {
    if (m_state != State::kStarted) {
        throw ApeError(kErrorBadParameter, "bad parameter");
    }
    m_state = State::kFinished;
    // Bytes of an incomplete block at the end are dropped.
    const size_t lastFrameBytes = m_inputBytes - m_inputBytes % m_blockBytes;
    if (m_totalBytes < m_blockBytes) {
        m_writer.reset();
        throw ApeError(kErrorInputTooSmall, "no audio to compress");
    }
    uint32_t finalFrameBlocks = BlocksPerFrame(m_format.level);
    if (lastFrameBytes > 0) {
        EncodeFrame(lastFrameBytes);
        finalFrameBlocks = static_cast<uint32_t>(lastFrameBytes / m_blockBytes);
    }
    m_writer->Finish(finalFrameBlocks);
    m_writer.reset();
}

void ApeCompressor::EncodeFrame(size_t bytes) {
    m_frameBytes.clear();
    m_encoder->Encode(std::span(m_input.data(), bytes), m_frameBytes);
    m_writer->AppendFrame(m_frameBytes);
}

}  // namespace ape

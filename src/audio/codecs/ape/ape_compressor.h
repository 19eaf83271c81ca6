// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "audio/codecs/ape/ape_file_writer.h"
#include "audio/codecs/ape/ape_frame_encoder.h"

namespace ape {

// Compresses a stream of interleaved PCM into one APE file. The caller fills
// the input buffer (LockBuffer/UnlockBuffer) in pieces of any size; frames are
// cut at multiples of the level's blocks per frame however the data arrives.
// Errors are raised as ApeError. Used by one thread at a time.
class ApeCompressor {
public:
    ApeCompressor();
    ~ApeCompressor();
    ApeCompressor(const ApeCompressor&) = delete;
    ApeCompressor& operator=(const ApeCompressor&) = delete;

    // Creates the file. maxAudioBytes < 0 means no bound.
    void Start(const std::filesystem::path& target, const StreamFormat& format,
               int64_t maxAudioBytes);
    // The free tail of the input buffer (one frame long); empty before Start
    // and after Finish.
    [[nodiscard]] std::span<uint8_t> LockBuffer();
    // Takes bytes placed at the start of the locked span and encodes every
    // complete frame.
    void UnlockBuffer(size_t bytes);
    // Encodes the rest as the last frame and completes the file. Empty input
    // is an error and leaves no file.
    void Finish();

private:
    void EncodeFrame(size_t bytes);

    enum class State { kIdle, kStarted, kFinished };
    State m_state = State::kIdle;
    StreamFormat m_format{};
    size_t m_blockBytes = 0;  // bytes per block
    int64_t m_maxAudioBytes = -1;
    uint64_t m_totalBytes = 0;
    std::unique_ptr<FrameEncoder> m_encoder;
    std::unique_ptr<ApeFileWriter> m_writer;
    std::vector<uint8_t> m_input;  // one frame of PCM
    size_t m_inputBytes = 0;       // bytes of m_input in use
    std::vector<uint8_t> m_frameBytes;
};

}  // namespace ape

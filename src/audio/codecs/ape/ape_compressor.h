// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>

#include "audio/codecs/ape/ape_file_writer.h"
#include "audio/codecs/ape/ape_frame_slot.h"

namespace ape {

// Compresses a stream of interleaved PCM into one APE file. The caller fills
// the input buffer (LockBuffer/UnlockBuffer) in pieces of any size; frames are
// cut at multiples of the level's blocks per frame however the data arrives.
// Full frames are encoded in the background, one slot per core (at most
// kMaxSlots), so memory stays bounded at a few frames. Errors are raised as
// ApeError. Used by one thread at a time.
class ApeCompressor {
public:
    ApeCompressor();
    ~ApeCompressor();
    ApeCompressor(const ApeCompressor&) = delete;
    ApeCompressor& operator=(const ApeCompressor&) = delete;

    // Frames encoded at once from the next Start on: 1..kMaxSlots, and 0
    // for one per core (the default). One slot leaves the other cores free.
    void SetMaxSlots(unsigned slots) { m_maxSlots = slots; }
    // Creates the file. maxAudioBytes < 0 means no bound.
    void Start(const std::filesystem::path& target, const StreamFormat& format,
               int64_t maxAudioBytes);
    // The free tail of the current frame's buffer; empty before Start and
    // after Finish.
    [[nodiscard]] std::span<uint8_t> LockBuffer();
    // Takes bytes placed at the start of the locked span; a complete frame
    // goes to be encoded at once.
    void UnlockBuffer(size_t bytes);
    // Encodes the rest as the last frame and completes the file. Empty input
    // is an error and leaves no file.
    void Finish();
    // Frame slots of the run started last (0 before Start and after Finish).
    [[nodiscard]] size_t Slots() const { return m_slots.size(); }

private:
    static constexpr unsigned kMaxSlots = 4;

    // Appends the oldest slot's frame once it is encoded.
    void WriteFrameOf(FrameSlot& slot);

    enum class State { kIdle, kStarted, kFinished };
    State m_state = State::kIdle;
    StreamFormat m_format{};
    size_t m_blockBytes = 0;  // bytes per block
    int64_t m_maxAudioBytes = -1;
    uint64_t m_totalBytes = 0;
    std::unique_ptr<ApeFileWriter> m_writer;
    // Filled and encoded in turn; the slot after the current one holds the
    // oldest frame still encoding. Destroyed (joined) before the writer.
    std::vector<std::unique_ptr<FrameSlot>> m_slots;
    size_t m_current = 0;     // the slot being filled
    unsigned m_maxSlots = 0;  // 0: one per core
};

}  // namespace ape

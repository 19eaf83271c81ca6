// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "audio/core/au_input.h"

struct PcmFormat {
    int bitsPerSample = 16;
    int channels = 2;
    int sampleRate = 44100;  // Hz
};

// An input over PCM bytes in memory, delivering at most `piece` bytes per
// call (odd sizes make outputs gather blocks). With `endless` it never runs
// out; with `unknownSize` its Size is -1 and it keeps no position. Counts
// passes and flushes and records the byte count of every request.
class MemoryInput : public TAuInput {
public:
    static constexpr std::size_t kWholeRequest = std::numeric_limits<std::size_t>::max();

    // 16-bit stereo 44100 Hz.
    explicit MemoryInput(std::vector<std::uint8_t> data, std::size_t piece = 4096);
    MemoryInput(std::vector<std::uint8_t> data, PcmFormat format,
                std::size_t piece = kWholeRequest);
    ~MemoryInput() override;

    int BitsPerSample() override { return m_format.bitsPerSample; }
    int Channels() override { return m_format.channels; }
    int SampleRate() override { return m_format.sampleRate; }

    void SetEndless(bool endless) { m_endless = endless; }
    void SetUnknownSize(bool unknown) { m_unknownSize = unknown; }
    // The Size a pass announces instead of the data's length (-1: unknown);
    // the position still counts the bytes delivered.
    void AnnounceSize(std::int64_t bytes) { m_announced = bytes; }
    // Moves the pass position as if `bytes` had been read (for Progress).
    void SetPositionForTest(std::int64_t bytes) { m_position = bytes; }
    void SetSizeForTest(std::int64_t bytes) { m_size = bytes; }

    std::atomic<int> Inits{0};
    std::atomic<int> Flushes{0};
    std::vector<std::size_t> Requests;  // worker thread while running

protected:
    void InitInternal() override;
    void FlushInternal() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;

private:
    static constexpr std::int64_t kOwnLength = -2;

    std::vector<std::uint8_t> m_data;
    PcmFormat m_format;
    std::size_t m_piece;
    std::size_t m_offset = 0;
    std::int64_t m_announced = kOwnLength;
    bool m_endless = false;
    bool m_unknownSize = false;
};

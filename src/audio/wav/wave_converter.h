// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "audio/core/au_stream.h"

// Turns the MPEG Layer-3 data of a WAV file into 16-bit PCM in one go, with
// FFmpeg's MP3 decoder: load the "data" chunk, convert all of it, save the
// result as a PCM WAV file in memory. Each step answers 0 on success, else a
// negative error code. Used by the WAV input while it opens a file (under
// its open lock); owns its buffers.
class TWaveConverter {
public:
    // Reads the data chunk of `dataSize` bytes (as much as the stream holds)
    // from `stream`, starting at its absolute position `dataStart`. The
    // header's offsets count from where the header starts, which for a
    // caller's stream need not be position 0.
    [[nodiscard]] int LoadFromStream(AuStream& stream, std::int64_t dataStart,
                                     std::uint32_t dataSize);
    // Decodes the loaded data; frames that do not decode are skipped, as a
    // player would. Fails when nothing decodes, the stream changes its
    // channel count or sample rate, or the PCM would not fit a WAV file.
    [[nodiscard]] int Convert();
    // Writes a 44-byte PCM header and the converted samples.
    [[nodiscard]] int SaveWavToStream(AuStream& stream) const;

    [[nodiscard]] int Channels() const { return m_channels; }
    [[nodiscard]] int SampleRate() const { return m_sampleRate; }
    // Interleaved little-endian 16-bit samples after Convert.
    [[nodiscard]] const std::vector<std::uint8_t>& Pcm() const { return m_pcm; }

private:
    std::vector<std::uint8_t> m_compressed;
    std::vector<std::uint8_t> m_pcm;
    int m_channels = 0;
    int m_sampleRate = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "audio/core/au_output.h"
#include "audio/wav/ima_adpcm.h"
#include "audio/wav/wav_header.h"
#include "audio/wav/wav_type.h"

// Writes its input's PCM to a RIFF/WAVE file, as linear PCM (44-byte
// header) or as 4-bit IMA ADPCM in blocks of BlockSize bytes (60-byte
// header), or appends to an existing file of the same format.
//
// Threads: properties are set on the GUI thread while the output is idle;
// Prepare, DoOutput and Done run on the output's worker thread.
class TWaveOut : public TAuFileOut {
public:
    static constexpr std::uint16_t kDefaultBlockSize = 512;

    TWaveOut() = default;
    ~TWaveOut() override;

    [[nodiscard]] TWavType WavType() const { return m_wavType; }
    // Takes wtPCM and wtDVIADPCM while idle; ignores anything else.
    void SetWavType(TWavType value);
    // Bytes per ADPCM block.
    [[nodiscard]] std::uint16_t BlockSize() const { return m_blockSize; }
    // Ignores 0, values that are not a multiple of 4, and any value while busy.
    void SetBlockSize(std::uint16_t value);
    // Keeps the value given (appending is supported).
    void SetFileMode(TFileOutputMode value) override;

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;

private:
    void OpenDestination();
    // Parses the existing file: its type and block size become this
    // output's; refuses a file that cannot be extended.
    void PrepareAppend();
    void WritePcmHeader();
    void WriteAdpcmHeader();
    bool WritePcmBlock();
    bool WriteAdpcmBlock();
    void PatchHeader();
    void PatchU32(std::int64_t offset, std::uint32_t value);
    // Frames per ADPCM block for the current channel count and BlockSize.
    [[nodiscard]] std::size_t AdpcmFramesPerBlock() const;

    TWavType m_wavType = wtPCM;
    std::uint16_t m_blockSize = kDefaultBlockSize;

    // Per run (worker thread).
    bool m_endOfData = false;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_bitsPerSample = 0;
    std::uint32_t m_announcedDataSize = 0;     // bytes, as written in the header
    std::int64_t m_inputSizeAtStart = 0;       // the input's Size when the header was written
    std::optional<TWavHeader> m_appendTarget;  // the existing file when appending
    std::vector<std::int16_t> m_frames;        // one ADPCM block's PCM
    std::vector<std::uint8_t> m_block;         // one encoded ADPCM block

    // Carried from block to block and, when appending, from run to run.
    TImaChannel m_ima[2];
};

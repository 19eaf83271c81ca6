// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/core/au_stream.h"
#include "audio/wav/wav_header.h"
#include "audio/wav/wav_type.h"

// Reads a RIFF/WAVE file (by name or from a caller-supplied stream) and
// delivers interleaved little-endian PCM: linear PCM as it is, IEEE float
// (32- or 64-bit) as 24-bit PCM, rounded and clipped to full scale, IMA
// ADPCM and Microsoft ADPCM decoded block by block (16-bit output), MPEG
// Layer-3 data decoded whole to 16-bit PCM in memory when the file opens.
// Float files count as wtPCM.
//
// Threads: format queries (and so OpenFile) may come from the GUI thread
// while the worker of an output reads a pass; OpenFile and CloseFile hold
// m_openLock, the pass holds m_dataLock (taken by the base).
class TWaveIn : public TAuFileIn {
public:
    TWaveIn() = default;
    ~TWaveIn() override;

    // Opens the file and answers the kind found (wtUnsupported when the
    // file is not recognised).
    [[nodiscard]] TWavType WavType();

protected:
    void OpenFile() override;
    void CloseFile() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;
    // Positions at the block (compressed kinds) or frame holding `frame`;
    // `frame` becomes the first frame delivered next. MPEG Layer-3 data
    // cannot seek: false.
    bool SeekInternal(std::int64_t& frame) override;

private:
    // Reads and parses the header at the stream's position; sets the
    // format fields. False when the file is not recognised, with the
    // parser's message in m_invalidReason.
    bool ParseHeader();
    // Decodes the whole MPEG Layer-3 data and switches the input to the
    // PCM it gave. False when nothing could be decoded.
    bool OpenMPEGLayer3();
    // Reads up to `count` bytes, retrying short reads until the end.
    std::size_t ReadFully(std::uint8_t* buffer, std::size_t count);
    // Refills m_buffer; the end cursor is 0 when the source is exhausted.
    void FillPcm();
    void FillFloat();
    void FillIma();
    void FillMSADPCM();
    // Frames the compressed kinds decode per block.
    [[nodiscard]] std::size_t FramesPerBlock() const;

    TWavType m_wavType = wtUnsupported;
    TWavHeader m_header;
    std::int64_t m_dataStart = 0;  // absolute stream offset of the first data byte
    // Decoded PCM handed out through the base's 1-based cursors; 16-bit
    // storage so the decoders can write samples, read as bytes.
    std::array<std::int16_t, kWavDecodeBufferSize / 2> m_buffer{};
    std::vector<std::uint8_t> m_block;  // file bytes: one compressed block or one float read

    // MPEG Layer-3: the decoded file in memory replaces the file's stream
    // while the file is open.
    std::unique_ptr<AuMemoryStream> m_pcmStream;
    AuStream* m_fileStream = nullptr;  // the stream the PCM stream stands in for
};

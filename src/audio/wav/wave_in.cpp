// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/wave_in.h"

#include <algorithm>
#include <bit>
#include <string>
#include <utility>

#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"
#include "audio/wav/float_samples.h"
#include "audio/wav/ima_adpcm.h"
#include "audio/wav/ms_adpcm.h"
#include "audio/wav/wave_converter.h"

static_assert(std::endian::native == std::endian::little,
              "decoded samples are handed out as little-endian bytes");

TWaveIn::~TWaveIn() {
    // An output may still be reading: let it stop while this input is whole.
    NotifyDestruction();
    CloseFile();
}

TWavType TWaveIn::WavType() {
    OpenFile();
    return m_wavType;
}

void TWaveIn::OpenFile() {
    std::lock_guard lock(m_openLock);
    if (m_opened != 0) {
        return;
    }
    m_valid = true;
    m_invalidReason.clear();
    m_wavType = wtUnsupported;
    m_channels = 0;
    m_sampleRate = 0;
    m_bitsPerSample = 0;
    m_size = 0;
    OpenOwnStream(TAuFileStream::kReadShareRead);
    if (!ParseHeader()) {
        m_valid = false;
    } else {
        switch (m_header.FormatTag) {
            case kWavTagIMAADPCM:
                // Any other code size is refused as a format, yet decoded as
                // 4-bit if read.
                m_valid = m_header.BitsPerSample == 4;
                if (!m_valid) {
                    m_invalidReason =
                        "Unsupported IMA ADPCM code size " + std::to_string(m_header.BitsPerSample);
                }
                m_wavType = wtDVIADPCM;
                break;
            case kWavTagMSADPCM:
                m_wavType = wtMSADPCM;
                break;
            case kWavTagMPEGLayer3:
                if (!OpenMPEGLayer3()) {
                    // Not counted as open: the next query tries again.
                    m_valid = false;
                    m_invalidReason = "The MPEG Layer-3 data cannot be decoded";
                    CloseOwnStream();
                    return;
                }
                break;
            default:
                m_wavType = wtPCM;
                break;
        }
    }
    ++m_opened;
}

bool TWaveIn::ParseHeader() {
    const std::int64_t start = m_stream->Position();
    std::vector<std::uint8_t> head(kWavHeaderLimit);
    head.resize(ReadFully(head.data(), head.size()));
    TWavHeaderParse parse = ParseWavHeader(head);
    if (!parse.Header) {
        m_invalidReason = std::move(parse.Message);
        return false;
    }
    m_header = std::move(*parse.Header);
    m_dataStart = start + static_cast<std::int64_t>(m_header.DataOffset);
    m_channels = m_header.Channels;
    m_sampleRate = static_cast<int>(m_header.SampleRate);
    if (m_header.FormatTag == kWavTagPCM) {
        m_bitsPerSample = m_header.BitsPerSample;
        m_size = m_header.DataSize;
    } else if (m_header.FormatTag == kWavTagIEEEFloat) {
        m_bitsPerSample = 24;  // what the float conversion delivers
        m_size = std::int64_t{m_header.DataSize} / (m_header.BitsPerSample / 8) * 3;
    } else {
        m_bitsPerSample = 16;  // what the decoders deliver
        m_size = std::int64_t{m_header.FactSamples} * 2 * m_channels;
    }
    m_stream->SetPosition(m_dataStart);
    return true;
}

bool TWaveIn::OpenMPEGLayer3() {
    TWaveConverter converter;
    auto pcm = std::make_unique<AuMemoryStream>();
    if (converter.LoadFromStream(*m_stream, m_dataStart, m_header.DataSize) != 0 ||
        converter.Convert() != 0 || converter.SaveWavToStream(*pcm) != 0) {
        return false;
    }
    m_fileStream = m_stream;
    m_pcmStream = std::move(pcm);
    m_stream = m_pcmStream.get();
    m_stream->SetPosition(0);
    if (!ParseHeader()) {
        m_stream = m_fileStream;
        m_pcmStream.reset();
        return false;
    }
    m_wavType = wtACM;
    // Decoded audio cannot be seeked into: seeking answers false, and a pass
    // always starts at the beginning.
    m_seekable = false;
    return true;
}

void TWaveIn::CloseFile() {
    std::lock_guard lock(m_openLock);
    if (m_opened == 0) {
        return;
    }
    if (m_pcmStream) {
        m_stream = m_fileStream;
        m_fileStream = nullptr;
        m_pcmStream.reset();
        m_seekable = true;
    }
    if (m_streamAssigned) {
        if (m_seekable) {
            m_stream->SetPosition(0);
        }
    } else {
        CloseOwnStream();
    }
    m_opened = 0;
}

std::size_t TWaveIn::ReadFully(std::uint8_t* buffer, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        const std::size_t got = m_stream->Read(buffer + total, count - total);
        if (got == 0) {
            break;
        }
        total += got;
    }
    return total;
}

std::size_t TWaveIn::FramesPerBlock() const {
    if (m_header.FormatTag == kWavTagIMAADPCM) {
        return ImaFramesPerBlock(m_header.BlockAlign, m_header.Channels);
    }
    return m_header.SamplesPerBlock;
}

void TWaveIn::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    if (!m_busy) {
        throw EAuException("The Stream is not opened");
    }
    if (m_bufStart > m_bufEnd) {
        m_bufStart = 1;
        switch (m_wavType) {
            case wtPCM:
                if (m_header.FormatTag == kWavTagIEEEFloat) {
                    FillFloat();
                } else {
                    FillPcm();
                }
                break;
            case wtACM:
                FillPcm();
                break;
            case wtDVIADPCM:
                FillIma();
                break;
            case wtMSADPCM:
                FillMSADPCM();
                break;
            default:
                m_bufEnd = 0;
                break;
        }
    }
    const std::size_t frameBytes = std::size_t{m_sampleSize};
    if (frameBytes == 0) {
        bytes = 0;
        buffer = nullptr;
        return;
    }
    const auto held = static_cast<std::size_t>(std::max(0, m_bufEnd - m_bufStart + 1));
    // Whole frames only: a cut-off frame at the end of a file is dropped.
    bytes = std::min(bytes - bytes % frameBytes, held - held % frameBytes);
    if (bytes == 0) {
        buffer = nullptr;
        return;
    }
    buffer = reinterpret_cast<const std::uint8_t*>(m_buffer.data()) + (m_bufStart - 1);
    m_bufStart += static_cast<std::int32_t>(bytes);
}

void TWaveIn::FillPcm() {
    const std::size_t capacity = kWavDecodeBufferSize - kWavDecodeBufferSize % m_sampleSize;
    m_bufEnd = static_cast<std::int32_t>(
        ReadFully(reinterpret_cast<std::uint8_t*>(m_buffer.data()), capacity));
}

void TWaveIn::FillFloat() {
    const std::size_t frames = kWavDecodeBufferSize / m_sampleSize;
    m_block.resize(frames * m_channels * (m_header.BitsPerSample / 8));
    const std::size_t got = ReadFully(m_block.data(), m_block.size());
    m_bufEnd = static_cast<std::int32_t>(
        FloatTo24BitPcm(std::span(m_block.data(), got), m_header.BitsPerSample,
                        reinterpret_cast<std::uint8_t*>(m_buffer.data())));
}

void TWaveIn::FillIma() {
    m_block.resize(m_header.BlockAlign);
    const std::size_t got = ReadFully(m_block.data(), m_block.size());
    m_bufEnd = 0;
    if (got < std::size_t{4} * m_channels) {
        return;  // no block (a few stray bytes at the end are no block either)
    }
    const std::size_t frames =
        DecodeImaBlock(std::span(m_block.data(), got), m_channels, m_buffer.data());
    if (frames == 0) {
        throw EAuException("Invalid IMA ADPCM block");
    }
    m_bufEnd = static_cast<std::int32_t>(frames * 2 * m_channels);
}

void TWaveIn::FillMSADPCM() {
    m_block.resize(m_header.BlockAlign);
    const std::size_t got = ReadFully(m_block.data(), m_block.size());
    m_bufEnd = 0;
    if (got < std::size_t{7} * m_channels) {
        return;
    }
    const std::size_t frames =
        DecodeMSADPCMBlock(std::span(m_block.data(), got), m_channels, m_header.SamplesPerBlock,
                           m_header.Coefficients, m_buffer.data());
    if (frames == 0) {
        throw EAuException("Invalid Microsoft ADPCM block");
    }
    m_bufEnd = static_cast<std::int32_t>(frames * 2 * m_channels);
}

bool TWaveIn::SeekInternal(std::int64_t& frame) {
    if (m_wavType == wtACM || m_wavType == wtUnsupported) {
        return false;
    }
    std::int64_t offset = 0;
    if (m_wavType == wtPCM) {
        offset = frame * (m_header.BitsPerSample >> 3) * m_channels;  // as stored
    } else {
        const auto perBlock = static_cast<std::int64_t>(FramesPerBlock());
        if (perBlock <= 0) {
            return false;
        }
        const std::int64_t block = frame / perBlock;
        frame = block * perBlock;
        offset = block * m_header.BlockAlign;
    }
    m_bufStart = 1;
    m_bufEnd = 0;
    m_stream->SetPosition(m_dataStart + offset);
    return true;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/wave_out.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <memory>

#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"
#include "audio/wav/pcm_wav_header.h"
#include "audio/wav/wav_bytes.h"

static_assert(std::endian::native == std::endian::little,
              "PCM is written as it lies in memory, little-endian");

namespace {

constexpr std::size_t kAdpcmHeaderBytes = 60;
constexpr std::size_t kPcmBlockBytes = 16384;
constexpr std::int64_t kRiffSizeOffset = 4;
constexpr std::int64_t kAdpcmFactOffset = 48;
constexpr std::int64_t kAdpcmDataSizeOffset = 56;

void PutId(std::uint8_t* p, const char (&id)[5]) {
    std::memcpy(p, id, 4);
}

bool FileExists(const std::string& name) {
    std::error_code error;
    return std::filesystem::exists(name, error);
}

}  // namespace

TWaveOut::~TWaveOut() {
    Stop(false);
}

void TWaveOut::SetWavType(TWavType value) {
    if (!Busy() && (value == wtPCM || value == wtDVIADPCM)) {
        m_wavType = value;
    }
}

void TWaveOut::SetBlockSize(std::uint16_t value) {
    if (!Busy() && value != 0 && value % 4 == 0) {
        m_blockSize = value;
    }
}

void TWaveOut::SetFileMode(TFileOutputMode value) {
    m_fileMode = value;
}

std::size_t TWaveOut::AdpcmFramesPerBlock() const {
    // Stereo codes come in 8-byte groups; a block size that leaves half a
    // group keeps those 4 bytes unused, so that no code falls outside the
    // block and every decoder agrees on the frame count.
    return ImaFramesPerBlock(m_blockSize, m_channels);
}

void TWaveOut::OpenDestination() {
    if (m_streamAssigned) {
        return;
    }
    if (m_fileName.empty()) {
        throw EAuException("File name is not assigned.");
    }
    const bool append = m_fileMode == foAppend && FileExists(m_fileName);
    SetOwnStream(
        std::make_unique<TAuFileStream>(
            m_fileName, append ? TAuFileStream::kReadWriteExclusive : TAuFileStream::kCreate),
        !append);
}

void TWaveOut::Prepare() {
    m_endOfData = false;
    m_appendTarget.reset();
    OpenDestination();
    TAuInput& input = *Input();
    input.Init();
    m_channels = input.Channels();
    m_sampleRate = input.SampleRate();
    m_bitsPerSample = input.BitsPerSample();
    m_inputSizeAtStart = input.Size();
    // A failure below leaves the release of stream and input to the base
    // (ReleaseAfterFailure), which runs before the error is reported.
    if (m_fileMode == foAppend && m_stream->Size() > 0) {
        PrepareAppend();
    }
    if (m_wavType == wtDVIADPCM) {
        if (m_bitsPerSample != 16) {
            throw EAuException("Cannot encode 8 bit sound into ADPCM.");
        }
        if (m_channels < 1 || m_channels > 2) {
            throw EAuException("Cannot encode more than two channels into ADPCM.");
        }
        if (AdpcmFramesPerBlock() == 0) {
            throw EAuException("The ADPCM block size is too small.");
        }
    }
    if (m_appendTarget) {
        const bool sameFormat =
            m_sampleRate == static_cast<int>(m_appendTarget->SampleRate) &&
            m_channels == m_appendTarget->Channels &&
            (m_wavType != wtPCM || m_bitsPerSample == m_appendTarget->BitsPerSample);
        if (!sameFormat) {
            throw EAuException("Cannot append data in different audio format.");
        }
        const std::int64_t dataEnd =
            static_cast<std::int64_t>(m_appendTarget->DataOffset) + m_appendTarget->DataSize;
        if (dataEnd < m_stream->Size()) {
            m_stream->SetSize(dataEnd);
        }
        m_stream->Seek(0, SeekOrigin::End);
    } else if (m_wavType == wtPCM) {
        WritePcmHeader();
    } else {
        m_ima[0] = {};
        m_ima[1] = {};
        WriteAdpcmHeader();
    }
    if (m_wavType == wtDVIADPCM) {
        m_frames.assign(AdpcmFramesPerBlock() * m_channels, 0);
        m_block.assign(m_blockSize, 0);
    }
}

void TWaveOut::PrepareAppend() {
    std::vector<std::uint8_t> head(kWavHeaderLimit);
    m_stream->SetPosition(0);
    std::size_t got = 0;
    while (got < head.size()) {
        const std::size_t piece = m_stream->Read(head.data() + got, head.size() - got);
        if (piece == 0) {
            break;
        }
        got += piece;
    }
    head.resize(got);
    TWavHeaderParse parse = ParseWavHeader(head);
    const std::int64_t length = m_stream->Size();
    const bool known = parse.Header && (parse.Header->FormatTag == kWavTagPCM ||
                                        parse.Header->FormatTag == kWavTagIMAADPCM);
    if (!known) {
        throw EAuException("Cannot append data to this .wav file.");
    }
    const TWavHeader& header = *parse.Header;
    // New data goes right after the old; a chunk behind the data would be
    // swallowed into the audio, so such a file is refused. A pad byte after
    // odd-sized data is dropped, or it would shift every appended frame.
    const std::int64_t dataEnd = static_cast<std::int64_t>(header.DataOffset) + header.DataSize;
    if (dataEnd + 1 < length) {
        throw EAuException("Cannot append data to this .wav file.");
    }
    m_appendTarget = header;
    if (header.FormatTag == kWavTagIMAADPCM) {
        m_wavType = wtDVIADPCM;
        m_blockSize = header.BlockAlign;
    } else {
        m_wavType = wtPCM;
    }
}

void TWaveOut::WritePcmHeader() {
    const std::int64_t size = Input()->Size();
    m_announcedDataSize = static_cast<std::uint32_t>(size);  // low 32 bits; -1 when unknown
    const auto header = RenderPcmWavHeader(
        {static_cast<std::uint32_t>(m_channels), static_cast<std::uint32_t>(m_sampleRate),
         static_cast<std::uint32_t>(m_bitsPerSample)},
        m_announcedDataSize);
    m_stream->Write(header.data(), header.size());
}

void TWaveOut::WriteAdpcmHeader() {
    const std::size_t perBlock = AdpcmFramesPerBlock();
    const std::int64_t size = Input()->Size();
    const std::int64_t frames = size < 0 ? 0 : (size / (m_bitsPerSample / 8)) / m_channels;
    // The encoder writes one block per perBlock frames plus the block that
    // meets the end of the input (all silence when it lands on a block
    // boundary); the header counts exactly those.
    const std::int64_t blocks = size < 0 ? 0 : frames / static_cast<std::int64_t>(perBlock) + 1;
    m_announcedDataSize = static_cast<std::uint32_t>(blocks * m_blockSize);
    std::uint8_t header[kAdpcmHeaderBytes] = {};
    PutId(header, "RIFF");
    PutLE32(header + 4, m_announcedDataSize + 52);
    PutId(header + 8, "WAVE");
    PutId(header + 12, "fmt ");
    PutLE32(header + 16, 20);
    PutLE16(header + 20, kWavTagIMAADPCM);
    PutLE16(header + 22, static_cast<std::uint32_t>(m_channels));
    PutLE32(header + 24, static_cast<std::uint32_t>(m_sampleRate));
    PutLE32(header + 28, static_cast<std::uint32_t>(m_sampleRate / perBlock * m_blockSize));
    PutLE16(header + 32, m_blockSize);
    PutLE16(header + 34, 4);
    PutLE16(header + 36, 2);
    PutLE16(header + 38, static_cast<std::uint32_t>(perBlock));
    PutId(header + 40, "fact");
    PutLE32(header + 44, 4);
    PutLE32(header + 48, static_cast<std::uint32_t>(frames));
    PutId(header + 52, "data");
    PutLE32(header + 56, m_announcedDataSize);
    m_stream->Write(header, sizeof header);
}

bool TWaveOut::DoOutput(bool abort) {
    if (abort || m_endOfData) {
        return false;
    }
    return m_wavType == wtPCM ? WritePcmBlock() : WriteAdpcmBlock();
}

bool TWaveOut::WritePcmBlock() {
    const std::uint8_t* data = nullptr;
    std::size_t bytes = kPcmBlockBytes;
    Input()->GetData(data, bytes);
    if (data == nullptr || bytes == 0) {
        return false;
    }
    m_stream->Write(data, bytes);
    return true;
}

bool TWaveOut::WriteAdpcmBlock() {
    std::fill(m_frames.begin(), m_frames.end(), std::int16_t{0});
    // What the input lacks at its end stays silence.
    FillBuffer(*Input(), m_frames.data(), m_frames.size() * sizeof(std::int16_t), m_endOfData);
    EncodeImaBlock(m_frames, m_channels, m_ima, m_block);
    m_stream->Write(m_block.data(), m_block.size());
    return true;
}

void TWaveOut::Done() {
    // An input whose size was only an estimate ends with its real size,
    // which the header must then give.
    const bool resized = Input()->Size() != m_inputSizeAtStart;
    const bool patch = Input()->Size() < 0 || m_appendTarget.has_value() || Stopped() || resized;
    if (patch) {
        PatchHeader();
    } else if (m_wavType == wtPCM) {
        // The input delivered less than it announced: pad with silence so
        // that the header stays true.
        const std::int64_t announced =
            static_cast<std::int64_t>(kPcmWavHeaderBytes) + m_announcedDataSize;
        if (m_stream->Size() < announced) {
            m_stream->SetSize(announced);
        }
    }
    ReleaseStream();
    Input()->Flush();
}

void TWaveOut::PatchHeader() {
    const std::int64_t length = m_stream->Size();
    if (m_appendTarget) {
        const auto dataSize = static_cast<std::uint32_t>(
            length - static_cast<std::int64_t>(m_appendTarget->DataOffset));
        PatchU32(static_cast<std::int64_t>(m_appendTarget->DataSizeOffset), dataSize);
        if (m_wavType == wtDVIADPCM) {
            const auto frames =
                static_cast<std::uint32_t>(AdpcmFramesPerBlock() * (dataSize / m_blockSize));
            PatchU32(static_cast<std::int64_t>(m_appendTarget->FactOffset), frames);
        }
    } else if (m_wavType == wtPCM) {
        PatchU32(kPcmWavDataSizeOffset, static_cast<std::uint32_t>(length - kPcmWavHeaderBytes));
    } else {
        std::uint8_t header[kAdpcmHeaderBytes];
        m_stream->SetPosition(0);
        m_stream->ReadBuffer(header, sizeof header);
        const auto dataSize = static_cast<std::uint32_t>(length - kAdpcmHeaderBytes);
        const std::uint16_t blockAlign = std::max<std::uint16_t>(GetLE16(header + 32), 1);
        const std::uint32_t frames = (dataSize / blockAlign) * GetLE16(header + 38);
        PatchU32(kAdpcmDataSizeOffset, dataSize);
        PatchU32(kAdpcmFactOffset, frames);
    }
    const std::int64_t riffSizeOffset =
        m_appendTarget ? static_cast<std::int64_t>(m_appendTarget->RiffSizeOffset)
                       : kRiffSizeOffset;
    PatchU32(riffSizeOffset, static_cast<std::uint32_t>(length - riffSizeOffset - 4));
}

void TWaveOut::PatchU32(std::int64_t offset, std::uint32_t value) {
    std::uint8_t bytes[4];
    PutLE32(bytes, value);
    m_stream->SetPosition(offset);
    m_stream->Write(bytes, sizeof bytes);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/wav_header.h"

#include <algorithm>
#include <iterator>

#include "audio/wav/ima_adpcm.h"
#include "audio/wav/ms_adpcm.h"
#include "audio/wav/wav_bytes.h"

namespace {

constexpr std::size_t kChunkHeaderBytes = 8;

// Walks the bytes of a header; every read is bounds-checked.
class HeaderReader {
public:
    explicit HeaderReader(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes.first(std::min(bytes.size(), kWavHeaderLimit))) {}

    [[nodiscard]] std::size_t Offset() const { return m_offset; }

    // Moves to just after the next occurrence of `id` (letter case ignored).
    bool SlideTo(const char (&id)[5]) {
        for (; m_offset + 4 <= m_bytes.size(); ++m_offset) {
            if (ChunkIdMatches(m_bytes.data() + m_offset, id)) {
                m_offset += 4;
                return true;
            }
        }
        return false;
    }

    bool Skip(std::size_t count) {
        if (count > m_bytes.size() - m_offset) {
            return false;
        }
        m_offset += count;
        return true;
    }

    // Reads the next chunk header; the offset moves to the chunk body.
    bool NextChunk(const std::uint8_t*& id, std::uint32_t& size) {
        if (m_bytes.size() - m_offset < kChunkHeaderBytes) {
            return false;
        }
        id = m_bytes.data() + m_offset;
        size = GetLE32(id + 4);
        m_offset += kChunkHeaderBytes;
        return true;
    }

    // Moves past a chunk body of `size` bytes and its pad byte. RIFF pads
    // odd chunks to even length, but some writers do not: the pad is skipped
    // only when it is zero, which no chunk id can begin with.
    bool SkipBody(std::uint32_t size) {
        if (!Skip(size)) {
            return false;
        }
        if ((size & 1) != 0 && m_offset < m_bytes.size() && m_bytes[m_offset] == 0) {
            ++m_offset;
        }
        return true;
    }

    // The chunk body at the offset, when all `size` bytes are present.
    const std::uint8_t* Body(std::uint32_t size) const {
        return size <= m_bytes.size() - m_offset ? m_bytes.data() + m_offset : nullptr;
    }

private:
    std::span<const std::uint8_t> m_bytes;
    std::size_t m_offset = 0;
};

// The sub-format GUIDs of extensible linear PCM and IEEE float
// (0000000N-0000-0010-8000-00AA00389B71, N the plain format tag), as stored.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::uint8_t kFloatSubFormat[16] = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                              0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::uint32_t kExtensibleFmtBytes = 40;
constexpr std::size_t kSubFormatOffset = 24;

bool IsSubFormat(const std::uint8_t* body, const std::uint8_t (&guid)[16]) {
    return std::equal(std::begin(guid), std::end(guid), body + kSubFormatOffset);
}

bool IsCompressed(std::uint16_t tag) {
    return tag != kWavTagPCM && tag != kWavTagIEEEFloat;
}

TWavHeaderParse Refuse(std::string message, std::size_t offset) {
    TWavHeaderParse result;
    result.Message = std::move(message);
    result.Offset = offset;
    return result;
}

// Skips chunks up to the one named `id`; the offset lands on its body.
bool FindChunk(HeaderReader& reader, const char (&id)[5], std::uint32_t& size) {
    const std::uint8_t* chunkId = nullptr;
    while (reader.NextChunk(chunkId, size)) {
        if (ChunkIdMatches(chunkId, id)) {
            return true;
        }
        if (!reader.SkipBody(size)) {
            return false;
        }
    }
    return false;
}

// Reads the "fmt " body into `header`; an empty string when it is usable,
// else the reason.
std::string ReadFormat(const std::uint8_t* body, std::uint32_t size, TWavHeader& header) {
    if (size < 16) {
        return "The fmt chunk is too small";
    }
    header.FormatTag = GetLE16(body);
    header.Channels = GetLE16(body + 2);
    header.SampleRate = GetLE32(body + 4);
    header.BlockAlign = GetLE16(body + 12);
    header.BitsPerSample = GetLE16(body + 14);
    if (header.FormatTag == kWavTagExtensible && size >= kExtensibleFmtBytes) {
        if (IsSubFormat(body, kPcmSubFormat)) {
            header.FormatTag = kWavTagPCM;
        } else if (IsSubFormat(body, kFloatSubFormat)) {
            header.FormatTag = kWavTagIEEEFloat;
        }
    }
    const std::uint16_t tag = header.FormatTag;
    if (tag != kWavTagPCM && tag != kWavTagIEEEFloat && tag != kWavTagMSADPCM &&
        tag != kWavTagIMAADPCM && tag != kWavTagMPEGLayer3) {
        return "Unsupported format tag " + std::to_string(tag);
    }
    if (header.Channels == 0 || header.SampleRate == 0) {
        return "No channels or no sample rate";
    }
    if (tag == kWavTagIEEEFloat) {
        // A frame is read whole into the decode buffer (and leaves it as
        // 24-bit samples, which take less room).
        const unsigned bits = header.BitsPerSample;
        if ((bits != 32 && bits != 64) ||
            std::size_t{header.Channels} * bits / 8 > kWavDecodeBufferSize) {
            return "Unsupported float sample size";
        }
        return {};
    }
    if (tag == kWavTagPCM) {
        const unsigned bits = header.BitsPerSample;
        const std::size_t frameBytes = std::size_t{header.Channels} * bits / 8;
        if (bits == 0 || bits > 32 || bits % 8 != 0 || frameBytes > kWavDecodeBufferSize) {
            return "Unsupported PCM sample size";
        }
        return {};
    }
    if (size < 20) {
        return "The fmt chunk is too small";
    }
    header.SamplesPerBlock = GetLE16(body + 18);
    if (header.Channels > 2) {
        return "Compressed audio with more than two channels";
    }
    if (tag == kWavTagIMAADPCM) {
        const std::size_t frames = ImaFramesPerBlock(header.BlockAlign, header.Channels);
        if (frames == 0 || frames * header.Channels * 2 > kWavDecodeBufferSize) {
            return "Unsupported IMA ADPCM block size";
        }
    } else if (tag == kWavTagMSADPCM) {
        if (size < 22) {
            return "The fmt chunk is too small";
        }
        const std::uint16_t count = GetLE16(body + 20);
        if (count == 0 || count > kMaxMSADPCMCoefficients || size < 22u + 4u * count) {
            return "Unsupported Microsoft ADPCM coefficient table";
        }
        for (std::uint16_t i = 0; i < count; ++i) {
            const std::uint8_t* pair = body + 22 + 4 * i;
            header.Coefficients.push_back({static_cast<std::int16_t>(GetLE16(pair)),
                                           static_cast<std::int16_t>(GetLE16(pair + 2))});
        }
        const std::size_t frames = header.SamplesPerBlock;
        if (frames < 2 || frames * header.Channels * 2 > kWavDecodeBufferSize ||
            MSADPCMFramesInBlock(header.BlockAlign, header.Channels, frames) == 0) {
            return "Unsupported Microsoft ADPCM block size";
        }
    }
    return {};
}

}  // namespace

bool ChunkIdMatches(const std::uint8_t* bytes, const char (&id)[5]) {
    for (int i = 0; i < 4; ++i) {
        const int expected = static_cast<unsigned char>(id[i]);
        const int difference = bytes[i] > expected ? bytes[i] - expected : expected - bytes[i];
        if (difference != 0 && difference != 32) {
            return false;
        }
    }
    return true;
}

TWavHeaderParse ParseWavHeader(std::span<const std::uint8_t> bytes) {
    HeaderReader reader(bytes);
    TWavHeader header;
    if (!reader.SlideTo("RIFF")) {
        return Refuse("Not a RIFF/WAVE file", reader.Offset());
    }
    header.RiffSizeOffset = reader.Offset();
    if (!reader.Skip(4) || !reader.SlideTo("WAVE")) {
        return Refuse("Not a RIFF/WAVE file", reader.Offset());
    }
    std::uint32_t size = 0;
    if (!FindChunk(reader, "fmt ", size)) {
        return Refuse("No fmt chunk", reader.Offset());
    }
    const std::uint8_t* body = reader.Body(size);
    if (body == nullptr) {
        return Refuse("The fmt chunk is cut off", reader.Offset());
    }
    if (std::string problem = ReadFormat(body, size, header); !problem.empty()) {
        return Refuse(std::move(problem), reader.Offset());
    }
    reader.SkipBody(size);
    if (IsCompressed(header.FormatTag)) {
        // Compressed data needs its sample count, and that must come first.
        const std::uint8_t* id = nullptr;
        while (reader.NextChunk(id, size) && !ChunkIdMatches(id, "fact") &&
               !ChunkIdMatches(id, "data") && reader.SkipBody(size)) {
        }
        const std::uint8_t* fact = reader.Body(4);
        if (id == nullptr || !ChunkIdMatches(id, "fact") || size < 4 || fact == nullptr) {
            return Refuse("No fact chunk before the data", reader.Offset());
        }
        header.HasFact = true;
        header.FactSamples = GetLE32(fact);
        header.FactOffset = reader.Offset();
        reader.SkipBody(size);
    }
    if (!FindChunk(reader, "data", size)) {
        return Refuse("No data chunk", reader.Offset());
    }
    header.DataSize = size;
    header.DataSizeOffset = reader.Offset() - 4;
    header.DataOffset = reader.Offset();
    TWavHeaderParse result;
    result.Header = std::move(header);
    return result;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ape/ape_frame_encoder.h"

#include <algorithm>

#include "audio/codecs/ape/ape_checksums.h"
#include "audio/codecs/ape/ape_format.h"

namespace ape {

namespace {

constexpr uint32_t kCodesPresent = 0x80000000U;

void AppendBigEndian32(std::vector<uint8_t>& output, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        output.push_back(static_cast<uint8_t>(value >> shift));
    }
}

int32_t ReadSample(const uint8_t* bytes, int bitsPerSample) {
    switch (bitsPerSample) {
        case 8:
            return int32_t{bytes[0]} - 128;
        case 16:
            return static_cast<int16_t>(bytes[0] | (bytes[1] << 8));
        default: {
            const uint32_t raw = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16);
            return static_cast<int32_t>(raw << 8) >> 8;
        }
    }
}

bool AllZero(const std::vector<int32_t>& samples) {
    return std::all_of(samples.begin(), samples.end(), [](int32_t s) { return s == 0; });
}

}  // namespace

FrameEncoder::FrameEncoder(int level, int channels, int bitsPerSample)
    : m_channels(channels),
      m_bitsPerSample(bitsPerSample),
      m_predictorX(level),
      m_predictorY(level) {}

void FrameEncoder::Encode(std::span<const uint8_t> pcm, std::vector<uint8_t>& output) {
    ReadSamples(pcm);
    const uint32_t codes = SpecialCodes();
    const uint32_t crc = Crc32(pcm) >> 1;
    AppendBigEndian32(output, codes != 0 ? crc | kCodesPresent : crc);
    if (codes != 0) {
        AppendBigEndian32(output, codes);
    }

    m_predictorX.Reset();
    m_predictorY.Reset();
    m_coderX.Reset();
    m_coderY.Reset();
    RangeEncoder encoder(output);
    if (codes == kCodePseudoStereo) {
        EncodeMono(encoder, m_first);
    } else if (codes == 0) {
        if (m_channels == 1) {
            EncodeMono(encoder, m_first);
        } else {
            EncodeStereo(encoder);
        }
    }
    encoder.Finish();
}

void FrameEncoder::ReadSamples(std::span<const uint8_t> pcm) {
    const size_t sampleBytes = static_cast<size_t>(m_bitsPerSample) / 8;
    const size_t blockBytes = sampleBytes * static_cast<size_t>(m_channels);
    const size_t blocks = pcm.size() / blockBytes;
    m_first.resize(blocks);
    m_second.resize(m_channels == 2 ? blocks : 0);
    const uint8_t* bytes = pcm.data();
    for (size_t t = 0; t < blocks; ++t, bytes += blockBytes) {
        m_first[t] = ReadSample(bytes, m_bitsPerSample);
        if (m_channels == 2) {
            m_second[t] = ReadSample(bytes + sampleBytes, m_bitsPerSample);
        }
    }
}

// Silence and identical channels are marked only for 16-bit audio, as the
// reference encoder does. A stereo frame with just one silent channel is
// coded in full: some older decoders took such a mark for total silence.
uint32_t FrameEncoder::SpecialCodes() const {
    if (m_bitsPerSample != 16) {
        return 0;
    }
    if (m_channels == 1) {
        return AllZero(m_first) ? kCodeMonoSilence : 0;
    }
    if (!std::equal(m_first.begin(), m_first.end(), m_second.begin())) {
        return 0;
    }
    return AllZero(m_first) ? kCodeStereoSilence : kCodePseudoStereo;
}

void FrameEncoder::EncodeMono(RangeEncoder& encoder, const std::vector<int32_t>& samples) {
    for (const int32_t sample : samples) {
        m_coderX.Encode(encoder, m_predictorX.Compress(sample, 0));
    }
}

// Side S = c1 - c0 and mid M = c0 + S/2 (truncating), S coded first. S is
// predicted with the previous block's M as its second signal, M with the
// current S.
void FrameEncoder::EncodeStereo(RangeEncoder& encoder) {
    int32_t previousMid = 0;
    for (size_t t = 0; t < m_first.size(); ++t) {
        const int32_t side = m_second[t] - m_first[t];
        const int32_t mid = m_first[t] + side / 2;
        m_coderY.Encode(encoder, m_predictorY.Compress(side, previousMid));
        m_coderX.Encode(encoder, m_predictorX.Compress(mid, side));
        previousMid = mid;
    }
}

}  // namespace ape

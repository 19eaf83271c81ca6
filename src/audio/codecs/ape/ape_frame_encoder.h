// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "audio/codecs/ape/ape_predictor.h"
#include "audio/codecs/ape/ape_value_coder.h"

namespace ape {

// Encodes one frame of interleaved PCM into its logical bytes: the CRC word,
// the special-codes word when the frame is silent or pseudo-stereo, and the
// range-coded residuals. Frames are independent; the encoder is reusable.
class FrameEncoder {
public:
    FrameEncoder(int level, int channels, int bitsPerSample);

    // pcm holds whole blocks of little-endian PCM (8-bit unsigned, 16- or
    // 24-bit signed); the frame's bytes are appended to output.
    void Encode(std::span<const uint8_t> pcm, std::vector<uint8_t>& output);

private:
    void ReadSamples(std::span<const uint8_t> pcm);
    [[nodiscard]] uint32_t SpecialCodes() const;
    void EncodeMono(RangeEncoder& encoder, const std::vector<int32_t>& samples);
    void EncodeStereo(RangeEncoder& encoder);

    int m_channels;
    int m_bitsPerSample;
    ChannelPredictor m_predictorX;  // mono, or the stereo mid channel
    ChannelPredictor m_predictorY;  // the stereo side channel
    ValueCoder m_coderX;
    ValueCoder m_coderY;
    std::vector<int32_t> m_first;   // first channel's samples of the frame
    std::vector<int32_t> m_second;  // second channel's samples, stereo only
};

}  // namespace ape

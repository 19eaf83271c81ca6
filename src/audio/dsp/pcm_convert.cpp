// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/pcm_convert.h"

namespace {

std::int32_t Read16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

std::int32_t Read24(const std::uint8_t* p) {
    const auto raw = static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
    return static_cast<std::int32_t>(raw << 8) >> 8;
}

void Write16(std::uint8_t* p, std::int32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

void Write24(std::uint8_t* p, std::int32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
    p[2] = static_cast<std::uint8_t>(value >> 16);
}

// The mean of a stereo frame, as each width rounds it.
std::int32_t Mean(std::int32_t left, std::int32_t right, int bitsPerSample) {
    if (bitsPerSample == 16) {
        return (left + right) / 2;  // toward zero
    }
    return (left + right) >> 1;  // toward minus infinity
}

std::int32_t ReadSample(const std::uint8_t* p, int bytesPerSample) {
    switch (bytesPerSample) {
        case 1:
            return p[0];
        case 2:
            return Read16(p);
        default:
            return Read24(p);
    }
}

void WriteSample(std::uint8_t* p, int bytesPerSample, std::int32_t value) {
    switch (bytesPerSample) {
        case 1:
            p[0] = static_cast<std::uint8_t>(value);
            break;
        case 2:
            Write16(p, value);
            break;
        default:
            Write24(p, value);
            break;
    }
}

}  // namespace

std::size_t MixStereoToMono(std::uint8_t* data, std::size_t bytes, int bitsPerSample) {
    const int width = bitsPerSample / 8;
    const std::size_t frames = bytes / (2 * width);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const std::uint8_t* in = data + frame * 2 * width;
        const std::int32_t mean =
            Mean(ReadSample(in, width), ReadSample(in + width, width), bitsPerSample);
        WriteSample(data + frame * width, width, mean);
    }
    return frames * width;
}

std::size_t SpreadMonoToStereo(std::uint8_t* data, std::size_t bytes, int bitsPerSample,
                               TMSConverterMode mode) {
    const int width = bitsPerSample / 8;
    const std::size_t samples = bytes / width;
    const std::int32_t silence = bitsPerSample == 8 ? 128 : 0;
    // From the end, so that no sample is overwritten before it is read.
    for (std::size_t i = samples; i-- > 0;) {
        const std::int32_t sample = ReadSample(data + i * width, width);
        std::uint8_t* out = data + i * 2 * width;
        WriteSample(out, width, mode == msmMonoToRight ? silence : sample);
        WriteSample(out + width, width, mode == msmMonoToLeft ? silence : sample);
    }
    return samples * 2 * width;
}

std::size_t Narrow24To16(std::uint8_t* data, std::size_t bytes) {
    return Narrow24To16(data, bytes, data);
}

std::size_t Narrow24To16(const std::uint8_t* in, std::size_t bytes, std::uint8_t* out) {
    const std::size_t samples = bytes / 3;
    for (std::size_t i = 0; i < samples; ++i) {
        out[2 * i] = in[3 * i + 1];
        out[2 * i + 1] = in[3 * i + 2];
    }
    return samples * 2;
}

std::size_t Widen8To16(std::uint8_t* data, std::size_t bytes) {
    for (std::size_t i = bytes; i-- > 0;) {
        Write16(data + 2 * i, data[i] * 256 - 32768);
    }
    return bytes * 2;
}

std::size_t Narrow16To8(std::uint8_t* data, std::size_t bytes) {
    const std::size_t samples = bytes / 2;
    for (std::size_t i = 0; i < samples; ++i) {
        data[i] = static_cast<std::uint8_t>(data[2 * i + 1] ^ 0x80);
    }
    return samples;
}

std::size_t Widen16To24(std::uint8_t* data, std::size_t bytes) {
    const std::size_t samples = bytes / 2;
    for (std::size_t i = samples; i-- > 0;) {
        const std::uint8_t low = data[2 * i];
        const std::uint8_t high = data[2 * i + 1];
        data[3 * i] = 0;
        data[3 * i + 1] = low;
        data[3 * i + 2] = high;
    }
    return samples * 3;
}

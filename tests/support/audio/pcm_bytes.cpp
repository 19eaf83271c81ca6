// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/pcm_bytes.h"

std::vector<std::uint8_t> ReadPass(TAuInput& input, std::size_t request) {
    std::vector<std::uint8_t> out;
    input.Init();
    for (;;) {
        const std::uint8_t* buffer = nullptr;
        std::size_t bytes = request;
        input.GetData(buffer, bytes);
        if (bytes == 0) {
            break;
        }
        out.insert(out.end(), buffer, buffer + bytes);
    }
    input.Flush();
    return out;
}

std::vector<std::uint8_t> AsBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto value = static_cast<std::uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(value);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    return bytes;
}

std::vector<std::int16_t> AsSamples(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ape_test_support.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>
#include <random>

#include "audio/codecs/ape/ape_compress_api.h"

namespace ape_test {

namespace {

int32_t MaxValue(int bits) {
    return (1 << (bits - 1)) - 1;
}

void PutSample(std::vector<uint8_t>& pcm, int32_t value, int bits) {
    if (bits == 8) {
        pcm.push_back(static_cast<uint8_t>(value + 128));
        return;
    }
    for (int i = 0; i < bits / 8; ++i) {
        pcm.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

}  // namespace

std::vector<uint8_t> MakePcm(Signal signal, const PcmFormat& format, size_t blocks, uint32_t seed) {
    const int bits = format.bitsPerSample;
    const int32_t max = MaxValue(bits);
    const int32_t min = -max - 1;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> fullScale(min, max);
    std::normal_distribution<double> gaussian(0.0, max / 8.0);
    std::vector<uint8_t> pcm;
    pcm.reserve(blocks * static_cast<size_t>(format.channels * bits / 8));
    double phase = 0.0;
    double lowPass = 0.0;
    for (size_t t = 0; t < blocks; ++t) {
        // Sweep from 20 Hz to 20 kHz over the signal at 44.1 kHz.
        const double frequency = 20.0 * std::pow(1000.0, static_cast<double>(t) / blocks);
        phase += 2 * std::numbers::pi * frequency / 44100.0;
        const auto sweep = static_cast<int32_t>(std::lround(std::sin(phase) * max * 0.89));
        lowPass = 0.9 * lowPass + 0.1 * gaussian(random);
        const auto music =
            std::clamp(static_cast<int32_t>(std::lround(lowPass * 3 + sweep / 4)), min, max);
        const int32_t square = (t / 50) % 2 == 0 ? max : min;
        const int32_t nyquist = t % 2 == 0 ? max : min;
        std::array<int32_t, 2> values{};
        switch (signal) {
            case Signal::kSilence:
                break;
            case Signal::kSquare:
                values = {square, square};
                break;
            case Signal::kAntiSquare:
                values = {square, square == max ? min : max};
                break;
            case Signal::kNyquist:
                values = {nyquist, nyquist == max ? min : max};
                break;
            case Signal::kNoise:
                values = {fullScale(random), fullScale(random)};
                break;
            case Signal::kSweep:
                values = {sweep, -sweep};
                break;
            case Signal::kMonoInStereo:
                values = {music, music};
                break;
            case Signal::kOneSilent:
                values = {sweep, 0};
                break;
        }
        for (int c = 0; c < format.channels; ++c) {
            PutSample(pcm, values[static_cast<size_t>(c)], bits);
        }
    }
    return pcm;
}

int EncodeApe(const std::filesystem::path& target, const std::vector<uint8_t>& pcm,
              const PcmFormat& format, int level, size_t pieceBytes) {
    int error = 0;
    APE_COMPRESS_HANDLE handle = c_APECompress_Create(&error);
    if (error != 0) {
        return error;
    }
    WaveFormatEx waveFormat{};
    FillWaveFormatEx(&waveFormat, 44100, format.bitsPerSample, format.channels);
    error = c_APECompress_Start(handle, target.c_str(), &waveFormat, -1, level, nullptr, -1);
    size_t done = 0;
    while (error == 0 && done < pcm.size()) {
        int available = 0;
        unsigned char* buffer = c_APECompress_LockBuffer(handle, &available);
        const size_t piece =
            std::min({pcm.size() - done, pieceBytes, static_cast<size_t>(available)});
        std::copy_n(pcm.begin() + static_cast<ptrdiff_t>(done), piece, buffer);
        error = c_APECompress_UnlockBuffer(handle, static_cast<int>(piece), 1);
        done += piece;
    }
    if (error == 0) {
        error = c_APECompress_Finish(handle, nullptr, 0, 0);
    }
    c_APECompress_Destroy(handle);
    return error;
}

bool DecodeWithFfmpeg(const std::filesystem::path& ape, int bitsPerSample,
                      std::vector<uint8_t>& pcm) {
    const char* sampleFormat = bitsPerSample == 8 ? "u8" : bitsPerSample == 16 ? "s16le" : "s24le";
    const std::filesystem::path raw = ape.string() + ".raw";
    const std::string command = "ffmpeg -nostdin -v error -err_detect crccheck+explode -i '" +
                                ape.string() + "' -f " + sampleFormat + " -y '" + raw.string() +
                                "'";
    if (!RunCommand(command).Ok()) {
        return false;
    }
    pcm = ReadFile(raw);
    std::filesystem::remove(raw);
    return true;
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

uint32_t ReadLe32(const std::vector<uint8_t>& bytes, size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<uint32_t>(bytes[offset + 3]) << 24);
}

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < hex.size();) {
        if (std::isxdigit(static_cast<unsigned char>(hex[i])) == 0) {
            ++i;
            continue;
        }
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return bytes;
}

}  // namespace ape_test

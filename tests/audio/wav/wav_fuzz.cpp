// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a WAV file read through TWaveIn
// (header parse, PCM, both ADPCM decoders, MPEG Layer-3 decoding, seeking),
// and as raw ADPCM blocks for the decoders themselves.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "audio/core/au_stream.h"
#include "audio/wav/ima_adpcm.h"
#include "audio/wav/ms_adpcm.h"
#include "audio/wav/wav_header.h"
#include "audio/wav/wave_in.h"

namespace {

const std::vector<TMSADPCMCoefficient> kStandardCoefficients = {
    {256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};

void DecodeRawBlocks(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return;
    }
    const int channels = 1 + (bytes[0] & 1);
    const std::size_t samplesPerBlock = 2 + bytes[0];
    const auto block = bytes.subspan(1, std::min<std::size_t>(bytes.size() - 1, 4096));
    std::vector<std::int16_t> out(kWavDecodeBufferSize);
    (void)DecodeImaBlock(block, channels, out.data());
    (void)DecodeMSADPCMBlock(block, channels, samplesPerBlock, kStandardCoefficients, out.data());
}

void ReadAsFile(std::span<const std::uint8_t> bytes) {
    AuMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    TWaveIn in;
    in.SetStream(&stream);
    try {
        (void)in.Valid();
        (void)in.WavType();
        (void)in.TotalTime();
        for (int pass = 0; pass < 2; ++pass) {
            in.Init();
            if (pass == 1) {
                (void)in.Seek(bytes.size() % 3000);
            }
            for (int call = 0; call < 100000; ++call) {
                const std::uint8_t* buffer = nullptr;
                std::size_t count = 1 + (call * 977) % 20000;
                in.GetData(buffer, count);
                if (count == 0) {
                    break;
                }
                volatile std::uint8_t sink = buffer[count - 1];
                (void)sink;
            }
            in.Flush();
        }
    } catch (const std::exception&) {
        // A corrupt block ends the pass with a message: that is fine here.
    }
    in.SetStream(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    (void)ParseWavHeader(bytes);
    DecodeRawBlocks(bytes);
    ReadAsFile(bytes);
    return 0;
}

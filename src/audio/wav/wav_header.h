// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Format tags of the "fmt " chunk that the WAV code knows.
inline constexpr std::uint16_t kWavTagPCM = 1;
inline constexpr std::uint16_t kWavTagMSADPCM = 2;
inline constexpr std::uint16_t kWavTagIEEEFloat = 3;  // 32- or 64-bit samples
inline constexpr std::uint16_t kWavTagIMAADPCM = 17;
inline constexpr std::uint16_t kWavTagMPEGLayer3 = 85;
// WAVE_FORMAT_EXTENSIBLE: the real format is the sub-format GUID of the
// chunk's extension. Linear PCM and IEEE float in it are read as the plain
// formats.
inline constexpr std::uint16_t kWavTagExtensible = 0xFFFE;

// Everything the parser needs lies in this many bytes from the start; a
// header reaching further is not recognised.
inline constexpr std::size_t kWavHeaderLimit = 8192;
// Bytes of decoded PCM one block of a compressed kind may yield; larger
// blocks are refused so that a block always fits the decode buffer.
inline constexpr std::size_t kWavDecodeBufferSize = 16384;
inline constexpr std::size_t kMaxMSADPCMCoefficients = 32;

// One Microsoft ADPCM predictor: coefficients for sample 1 and sample 2,
// in units of 1/256.
struct TMSADPCMCoefficient {
    std::int16_t Coef1 = 0;
    std::int16_t Coef2 = 0;
};

// What the header of a WAV file says. Offsets are bytes from the first
// byte handed to the parser.
struct TWavHeader {
    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SampleRate = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint16_t SamplesPerBlock = 0;              // compressed kinds only
    std::vector<TMSADPCMCoefficient> Coefficients;  // Microsoft ADPCM only

    bool HasFact = false;  // compressed kinds always have one
    std::uint32_t FactSamples = 0;
    std::size_t FactOffset = 0;  // of the 4-byte sample count

    std::size_t RiffSizeOffset = 0;  // of the RIFF chunk's size field

    std::uint32_t DataSize = 0;
    std::size_t DataSizeOffset = 0;  // of the "data" chunk's size field
    std::size_t DataOffset = 0;      // of the first data byte
};

// Outcome of a parse: the header, or why and where it was refused.
struct TWavHeaderParse {
    std::optional<TWavHeader> Header;
    std::string Message;     // empty on success
    std::size_t Offset = 0;  // where the parse gave up
};

// True when four bytes spell `id` ignoring letter case (each byte equal to
// the id's or differing by exactly 32).
[[nodiscard]] bool ChunkIdMatches(const std::uint8_t* bytes, const char (&id)[5]);

// Parses the start of a RIFF/WAVE file: slides to "RIFF" and "WAVE", walks
// the chunks to "fmt ", takes the format, for the compressed kinds also the
// "fact" count, then walks to "data". A zero pad byte after an odd-sized
// chunk is skipped. An extensible format whose sub-format is PCM or IEEE
// float is given as FormatTag kWavTagPCM or kWavTagIEEEFloat. Refuses format
// tags other than PCM, IEEE float, Microsoft ADPCM, IMA ADPCM and MPEG
// Layer-3, and formats the decoders cannot handle safely
// (see the checks in the source). `bytes` holds the first bytes of the
// file, at most kWavHeaderLimit of them are looked at.
[[nodiscard]] TWavHeaderParse ParseWavHeader(std::span<const std::uint8_t> bytes);

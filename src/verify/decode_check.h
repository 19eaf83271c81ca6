// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The decode-back check of an encoded track: the file is decoded again and
// compared with the WAV file it was encoded from. Lossless files must give
// back every sample; lossy ones must come back as long as the source (within
// the codec's frame and delay) and at its level, block for block, which
// catches a file of silence, noise or another track.
//
// Plain C++ on the pipeline's inputs (FFmpeg decodes the encoded file); it
// blocks its caller for about one decoding of the file, so the rip runs it on
// a worker. Safe on several threads at once, each with its own files.

#include <cstdint>
#include <string>

// What the encoded file holds; decides how strictly it is compared.
enum class TEncodedCodec : std::uint8_t { Wav, Flac, Ape, Mp3, Vorbis, Wma };

struct TDecodeCheck {
    bool Passed{};
    // For the rip log: "identical", "length and level ok" or "FAILED (<reason>)".
    std::string LogText;
};

// Both paths UTF-8; wavPath is the 16-bit linear PCM WAV file of the rip.
[[nodiscard]] TDecodeCheck CheckDecodedFile(const std::string& encodedPath, TEncodedCodec codec,
                                            const std::string& wavPath);

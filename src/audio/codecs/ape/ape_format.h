// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <span>

// Constants of the APE file format (version 3990) and the per-level coding
// set-up shared by the compressor's parts.
namespace ape {

inline constexpr uint16_t kFileVersion = 3990;
inline constexpr uint32_t kDescriptorBytes = 52;
inline constexpr uint32_t kHeaderBytes = 24;
inline constexpr uint32_t kMd5Offset = 36;
// No WAV header is stored; decoders synthesise a canonical one.
inline constexpr uint16_t kFlagCreateWavHeader = 32;

inline constexpr int kLevelFast = 1000;
inline constexpr int kLevelNormal = 2000;
inline constexpr int kLevelHigh = 3000;
inline constexpr int kLevelExtraHigh = 4000;
inline constexpr int kLevelInsane = 5000;

[[nodiscard]] bool IsValidLevel(int level);
// Blocks (one sample of every channel) per frame; every frame but the last
// has exactly this many.
[[nodiscard]] uint32_t BlocksPerFrame(int level);

struct NnFilterSpec {
    int order;  // taps
    int shift;  // fraction bits of the coefficients
};
// The NN filters of a level in the order the encoder applies them.
[[nodiscard]] std::span<const NnFilterSpec> NnFiltersOfLevel(int level);

// Special codes of a frame: what the frame leaves out.
inline constexpr uint32_t kCodeMonoSilence = 1;
inline constexpr uint32_t kCodeStereoSilence = 7;
inline constexpr uint32_t kCodePseudoStereo = 4;

}  // namespace ape

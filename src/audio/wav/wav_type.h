// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The kinds of WAV file the WAV input recognises; the WAV output writes
// wtPCM and wtDVIADPCM. The values are those shown by the resample tool.
enum TWavType : std::uint8_t {
    wtUnsupported = 0,
    wtPCM = 1,       // linear PCM
    wtDVIADPCM = 2,  // 4-bit IMA ADPCM
    wtMSADPCM = 3,   // Microsoft ADPCM
    wtACM = 4,       // MPEG Layer-3 data, decoded to PCM when the file opens
};

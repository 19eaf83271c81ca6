// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads the samples of a canonical PCM WAV file for an image track.

#include <filesystem>
#include <string>

#include "discimage/disc_image.h"

namespace discimage {

struct WavReadResult {
    bool ok = false;
    std::string message;  // why the file was refused
    Pcm pcm;
};

// Accepts only 16-bit stereo PCM at 44100 Hz, the format of CD audio.
[[nodiscard]] WavReadResult ReadCDFormatWav(const std::filesystem::path& path);

}  // namespace discimage

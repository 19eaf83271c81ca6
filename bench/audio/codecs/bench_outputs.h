// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The encoder outputs with the settings every encoder benchmark compares
// against its reference program's: FLAC level 5, MP3 at 128 kbit/s quality
// 5 stereo, Vorbis quality 2, WMA at 128 kbit/s.

#include <memory>
#include <string_view>

#include "audio/core/au_output.h"

// format is "flac", "mp3", "vorbis" or "wma"; null for any other.
[[nodiscard]] std::unique_ptr<TAuFileOut> MakeBenchOutput(std::string_view format);

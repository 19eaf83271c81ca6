// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "audio/core/au_output.h"

// The resample tool's Windows Media writer, set up as the tool uses it
// (the best constant-bit-rate format up to 256 kbit/s, not lossless).
// GUI thread.
[[nodiscard]] std::unique_ptr<TAuFileOut> MakeWmaOutput();

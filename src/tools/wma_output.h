// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

#include "audio/core/au_output.h"

// The resample tool's Windows Media writer, set up as the tool uses it
// (256 kbit/s, constant bit rate, not lossless), or nullptr when this build
// has no Windows Media writer. May raise EAuException when the writer's
// libraries cannot be loaded. GUI thread.
[[nodiscard]] std::unique_ptr<TAuFileOut> MakeWmaOutput();

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/wma_output.h"

#include "audio/codecs/wma_out.h"

std::unique_ptr<TAuFileOut> MakeWmaOutput() {
    // The tool asks for the best constant-bit-rate format up to 256 kbit/s.
    auto output = std::make_unique<TWMAOut>();
    output->SetDesiredBitrate(256);
    output->SetLossless(false);
    output->SetVBR(false);
    output->SetVBRQuality(0);
    return output;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench_outputs.h"

#include "audio/codecs/flac_out.h"
#include "audio/codecs/mp3_out.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/codecs/wma_out.h"

std::unique_ptr<TAuFileOut> MakeBenchOutput(std::string_view format) {
    if (format == "flac") {
        auto output = std::make_unique<TFLACOut>();
        output->SetCompressionLevel(5);
        return output;
    }
    if (format == "mp3") {
        return std::make_unique<TMP3Out>();  // br128, quality 5, stereo
    }
    if (format == "vorbis") {
        return std::make_unique<TVorbisOut>();  // Compression 0.2
    }
    if (format == "wma") {
        auto output = std::make_unique<TWMAOut>();
        output->SetDesiredBitrate(128);
        return output;
    }
    return nullptr;
}

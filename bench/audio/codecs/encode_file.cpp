// SPDX-License-Identifier: GPL-3.0-or-later
//
// Encodes one WAV file through one output with the encoder benchmarks'
// settings and waits for the end without polling, so that bench/run can
// count its instructions under callgrind beside the reference program's.
//
//     bench_encode_file flac|mp3|vorbis|wma IN.wav OUT
#include <cstdio>
#include <memory>
#include <string_view>

#include "audio/codecs/flac_out.h"
#include "audio/codecs/mp3_out.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/codecs/wma_out.h"
#include "audio/core/au_sync_queue.h"
#include "audio/wav/wave_in.h"

namespace {

std::unique_ptr<TAuFileOut> MakeOutput(std::string_view format) {
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

}  // namespace

int main(int argc, char** argv) {
    std::unique_ptr<TAuFileOut> output = argc == 4 ? MakeOutput(argv[1]) : nullptr;
    if (!output) {
        std::fputs("usage: bench_encode_file flac|mp3|vorbis|wma IN.wav OUT\n", stderr);
        return 2;
    }
    TWaveIn input;
    input.SetFileName(argv[2]);
    output->SetInput(&input);
    output->SetFileName(argv[3]);
    bool done = false;
    output->OnDone = [&done](TComponent*) { done = true; };
    output->Run();
    SyncQueue::Instance().RunPendingUntil([&done] { return done; });
    if (!output->ExceptionMessage().empty()) {
        std::fprintf(stderr, "%s\n", output->ExceptionMessage().c_str());
        return 1;
    }
    return 0;
}

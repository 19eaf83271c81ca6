// SPDX-License-Identifier: GPL-3.0-or-later
//
// Encodes one WAV file through one output with the encoder benchmarks'
// settings and waits for the end without polling, so that bench/run can
// count its instructions under callgrind beside the reference program's.
//
//     bench_encode_file flac|mp3|vorbis|wma IN.wav OUT
#include <cstdio>
#include <memory>

#include "audio/core/au_sync_queue.h"
#include "audio/wav/wave_in.h"
#include "bench_outputs.h"

int main(int argc, char** argv) {
    std::unique_ptr<TAuFileOut> output = argc == 4 ? MakeBenchOutput(argv[1]) : nullptr;
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

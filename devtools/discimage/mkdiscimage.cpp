// SPDX-License-Identifier: GPL-3.0-or-later
// mkdiscimage: writes a BIN/CUE audio disc image.
//
//   mkdiscimage OUT.cue TRACK...   each TRACK a 16-bit stereo 44.1 kHz WAV file
//                                  or "sine:HZ:SECONDS"
//   mkdiscimage OUT.cue --demo     the demo album of synthesised music
#include <cstdio>
#include <cstdlib>
#include <string>

#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "discimage/wav_file.h"

namespace {

bool ParseSine(const std::string& argument, discimage::Pcm& pcm) {
    double hz = 0.0;
    double seconds = 0.0;
    char extra = 0;
    if (std::sscanf(argument.c_str(), "sine:%lf:%lf%c", &hz, &seconds, &extra) != 2 || hz <= 0.0 ||
        seconds <= 0.0 || seconds > 4800.0) {
        return false;
    }
    pcm =
        discimage::SineTone(hz, static_cast<std::uint32_t>(seconds * discimage::kSampleRate), 0.5);
    return true;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: mkdiscimage OUT.cue (FILE.wav | sine:HZ:SECONDS)...\n"
                 "       mkdiscimage OUT.cue --demo\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    std::vector<discimage::Pcm> tracks;
    if (std::string(argv[2]) == "--demo" && argc == 3) {
        tracks = discimage::DemoAlbum();
    } else {
        for (int i = 2; i < argc; ++i) {
            const std::string arg = argv[i];
            discimage::Pcm pcm;
            if (arg.rfind("sine:", 0) == 0) {
                if (!ParseSine(arg, pcm)) {
                    std::fprintf(stderr, "mkdiscimage: bad signal \"%s\"\n", arg.c_str());
                    return 2;
                }
            } else {
                discimage::WavReadResult wav = discimage::ReadCDFormatWav(arg);
                if (!wav.ok) {
                    std::fprintf(stderr, "mkdiscimage: %s\n", wav.message.c_str());
                    return 1;
                }
                pcm = std::move(wav.pcm);
            }
            tracks.push_back(std::move(pcm));
        }
    }
    const discimage::WriteResult result = discimage::WriteDiscImage(argv[1], tracks);
    if (!result.ok) {
        std::fprintf(stderr, "mkdiscimage: %s\n", result.message.c_str());
        return 1;
    }
    return EXIT_SUCCESS;
}

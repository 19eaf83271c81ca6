// SPDX-License-Identifier: GPL-3.0-or-later
// mkdiscimage: writes a BIN/CUE audio disc image, with CD-Text if asked.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "discimage/wav_file.h"

namespace {

constexpr const char* kUsage =
    "usage: mkdiscimage OUT.cue [TEXT-OPTION]... (FILE.wav | sine:HZ:SECONDS)...\n"
    "       mkdiscimage OUT.cue [TEXT-OPTION]... --demo\n"
    "Each FILE.wav is 16-bit stereo at 44.1 kHz. --demo writes the demo album,\n"
    "with its own CD-Text; the text options replace parts of it.\n"
    "TEXT-OPTION (CD-Text, ISO-8859-1 characters without double quotes):\n"
    "  --album TEXT       the disc's title\n"
    "  --performer TEXT   the disc's performer\n"
    "  --title N=TEXT     the title of track N (1 is the first)\n";

// The CD-Text options given; what is not given is left as it is.
struct TextOptions {
    std::optional<std::string> album;
    std::optional<std::string> performer;
    std::vector<std::pair<std::size_t, std::string>> titles;  // track number, title
};

struct Arguments {
    bool demo = false;
    std::vector<std::string> tracks;
    TextOptions text;
};

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

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

// "N=TEXT" with N a track number 1..99.
std::optional<std::pair<std::size_t, std::string>> ParseTrackTitle(const std::string& argument) {
    const std::size_t equals = argument.find('=');
    if (equals == 0 || equals == std::string::npos || equals > 2 ||
        argument.find_first_not_of("0123456789") != equals) {
        return std::nullopt;
    }
    const std::size_t track = std::stoul(argument.substr(0, equals));
    if (track == 0) {
        return std::nullopt;
    }
    return std::pair{track, argument.substr(equals + 1)};
}

// Nothing (after saying why) when the arguments after OUT.cue make no sense.
std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments arguments;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "--album" || arg == "--performer" || arg == "--title";
        if (takesValue && i + 1 == argc) {
            std::fprintf(stderr, "mkdiscimage: %s needs a value\n", arg.c_str());
            return std::nullopt;
        }
        if (arg == "--demo") {
            arguments.demo = true;
        } else if (arg == "--album") {
            arguments.text.album = argv[++i];
        } else if (arg == "--performer") {
            arguments.text.performer = argv[++i];
        } else if (arg == "--title") {
            const std::optional<std::pair<std::size_t, std::string>> title =
                ParseTrackTitle(argv[++i]);
            if (!title) {
                std::fprintf(stderr, "mkdiscimage: bad track title \"%s\"\n", argv[i]);
                return std::nullopt;
            }
            arguments.text.titles.push_back(*title);
        } else if (arg.rfind("--", 0) == 0) {
            std::fprintf(stderr, "mkdiscimage: unknown option \"%s\"\n", arg.c_str());
            return std::nullopt;
        } else {
            arguments.tracks.push_back(arg);
        }
    }
    if (arguments.demo == !arguments.tracks.empty()) {
        return std::nullopt;
    }
    return arguments;
}

// Nothing (after saying why) when a track cannot be read.
std::optional<std::vector<discimage::Pcm>> ReadTracks(const std::vector<std::string>& arguments) {
    std::vector<discimage::Pcm> tracks;
    for (const std::string& arg : arguments) {
        discimage::Pcm pcm;
        if (arg.rfind("sine:", 0) == 0) {
            if (!ParseSine(arg, pcm)) {
                std::fprintf(stderr, "mkdiscimage: bad signal \"%s\"\n", arg.c_str());
                return std::nullopt;
            }
        } else {
            discimage::WavReadResult wav = discimage::ReadCDFormatWav(arg);
            if (!wav.ok) {
                std::fprintf(stderr, "mkdiscimage: %s\n", wav.message.c_str());
                return std::nullopt;
            }
            pcm = std::move(wav.pcm);
        }
        tracks.push_back(std::move(pcm));
    }
    return tracks;
}

// The given texts over base; false (after saying why) for a title of a track
// the disc does not have.
bool ApplyText(const TextOptions& options, std::size_t trackCount, discimage::CueText& base) {
    base.title = options.album.value_or(base.title);
    base.performer = options.performer.value_or(base.performer);
    for (const auto& [track, title] : options.titles) {
        if (track > trackCount) {
            std::fprintf(stderr, "mkdiscimage: the disc has no track %zu\n", track);
            return false;
        }
        if (base.tracks.size() < track) {
            base.tracks.resize(track);
        }
        base.tracks[track - 1].title = title;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return Usage();
    }
    const std::optional<Arguments> arguments = ParseArguments(argc, argv);
    if (!arguments) {
        return Usage();
    }
    std::optional<std::vector<discimage::Pcm>> tracks =
        arguments->demo ? discimage::DemoAlbum() : ReadTracks(arguments->tracks);
    if (!tracks) {
        return 1;
    }
    discimage::CueText text = arguments->demo ? discimage::DemoAlbumText() : discimage::CueText{};
    if (!ApplyText(arguments->text, tracks->size(), text)) {
        return 2;
    }
    const discimage::WriteResult result = discimage::WriteDiscImage(argv[1], *tracks, text);
    if (!result.ok) {
        std::fprintf(stderr, "mkdiscimage: %s\n", result.message.c_str());
        return 1;
    }
    return EXIT_SUCCESS;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/wma_formats.h"

#include <array>
#include <cstdlib>

#include "audio/codecs/ffmpeg_handles.h"

namespace {

constexpr std::uint32_t kBitsPerKilobit = 1000;

constexpr TWMAFormat Cbr(std::uint32_t kbps, int rate, int channels) {
    return {kbps * kBitsPerKilobit, rate, channels, 16};
}

// Ascending bit rate, then sample rate, then channels; position 29 is the
// stored default.
constexpr std::array kCbrFormats{
    Cbr(24, 22050, 1),  Cbr(24, 22050, 2),  Cbr(24, 32000, 1),  Cbr(24, 32000, 2),
    Cbr(24, 44100, 1),  Cbr(24, 48000, 1),  Cbr(32, 22050, 1),  Cbr(32, 22050, 2),
    Cbr(32, 32000, 1),  Cbr(32, 32000, 2),  Cbr(32, 44100, 1),  Cbr(32, 44100, 2),
    Cbr(32, 48000, 1),  Cbr(48, 22050, 2),  Cbr(48, 32000, 1),  Cbr(48, 32000, 2),
    Cbr(48, 44100, 1),  Cbr(48, 44100, 2),  Cbr(48, 48000, 1),  Cbr(48, 48000, 2),
    Cbr(64, 22050, 2),  Cbr(64, 32000, 2),  Cbr(64, 44100, 1),  Cbr(64, 44100, 2),
    Cbr(64, 48000, 1),  Cbr(64, 48000, 2),  Cbr(96, 32000, 2),  Cbr(96, 44100, 2),
    Cbr(96, 48000, 2),  Cbr(128, 44100, 2), Cbr(128, 48000, 2), Cbr(160, 44100, 2),
    Cbr(160, 48000, 2), Cbr(192, 44100, 2), Cbr(192, 48000, 2), Cbr(256, 44100, 2),
    Cbr(256, 48000, 2), Cbr(320, 44100, 2), Cbr(320, 48000, 2),
};

std::vector<TWMACodec> AvailableCodecs() {
    const std::array<TWMACodec, 2> known{TWMACodec{"Windows Media Audio 2", "wmav2"},
                                         TWMACodec{"Windows Media Audio 1", "wmav1"}};
    std::vector<TWMACodec> codecs;
    for (const TWMACodec& codec : known) {
        if (avcodec_find_encoder_by_name(codec.Encoder.c_str()) != nullptr) {
            codecs.push_back(codec);
        }
    }
    return codecs;
}

std::int64_t Distance(std::int64_t a, std::int64_t b) {
    return std::llabs(a - b);
}

}  // namespace

std::string TWMAFormat::Description() const {
    return std::to_string(BitRate / kBitsPerKilobit) + " kbps, " +
           std::to_string(SampleRate / 1000) + " kHz, " + (Channels == 1 ? "mono" : "stereo") +
           " CBR";
}

const std::vector<TWMACodec>& WMACodecs() {
    static const std::vector<TWMACodec> codecs = AvailableCodecs();
    return codecs;
}

std::span<const TWMAFormat> WMAFormats(bool vbr) {
    if (vbr) {
        return {};
    }
    return kCbrFormats;
}

std::optional<TWMAChoice> WMAFormatAt(int codecPosition, int formatPosition, bool vbr) {
    const std::span<const TWMAFormat> formats = WMAFormats(vbr);
    if (codecPosition < 0 || static_cast<std::size_t>(codecPosition) >= WMACodecs().size() ||
        formatPosition < 0 || static_cast<std::size_t>(formatPosition) >= formats.size()) {
        return std::nullopt;
    }
    return TWMAChoice{codecPosition, formats[static_cast<std::size_t>(formatPosition)]};
}

std::optional<TWMAChoice> SearchWMAFormat(std::uint32_t wanted, bool vbr, bool lossless,
                                          int channels, int bits, int sampleRate) {
    if (vbr || lossless) {
        return std::nullopt;  // no encoder offers either
    }
    const std::int64_t target =
        wanted < kBitsPerKilobit ? std::int64_t{wanted} * kBitsPerKilobit : std::int64_t{wanted};
    std::int64_t bestBitRate = 0;
    std::int64_t bestRate = 0;
    std::optional<TWMAChoice> chosen;
    for (int codec = 0; codec < static_cast<int>(WMACodecs().size()); ++codec) {
        for (const TWMAFormat& format : WMAFormats(false)) {
            const bool closer = Distance(format.BitRate, target) < Distance(bestBitRate, target);
            if (closer && format.Channels == channels && format.BitsPerSample == bits &&
                Distance(format.SampleRate, sampleRate) <= Distance(bestRate, sampleRate)) {
                bestBitRate = format.BitRate;
                bestRate = format.SampleRate;
                chosen = TWMAChoice{codec, format};
            }
        }
    }
    return chosen;
}

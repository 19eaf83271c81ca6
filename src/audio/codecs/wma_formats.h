// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The Windows Media audio codecs this build can encode and their formats.
// Both encoders are constant-bit-rate only: every codec shares one list of
// CBR formats, and the VBR (and lossless) lists are empty.

struct TWMAFormat {
    std::uint32_t BitRate;  // bit/s
    int SampleRate;         // Hz
    int Channels;
    int BitsPerSample;

    // "128 kbps, 44 kHz, stereo CBR".
    [[nodiscard]] std::string Description() const;
};

struct TWMACodec {
    std::string Name;     // as shown to the user
    std::string Encoder;  // FFmpeg's encoder name
};

// The codecs whose encoder this FFmpeg has, in list order; built once, so
// cheap for the GUI thread.
[[nodiscard]] const std::vector<TWMACodec>& WMACodecs();

// A codec's formats: the CBR list, or the (empty) VBR list.
[[nodiscard]] std::span<const TWMAFormat> WMAFormats(bool vbr);

struct TWMAChoice {
    int Codec;  // position in WMACodecs()
    TWMAFormat Format;
};

// The format at the two positions of the list for `vbr`; nothing when either
// lies outside its list.
[[nodiscard]] std::optional<TWMAChoice> WMAFormatAt(int codecPosition, int formatPosition,
                                                    bool vbr);

// The closest format for a wanted bit rate (a value below 1000 is kbit/s):
// going through every codec's formats in order, a format counts when its bit
// rate is strictly closer to the wanted one than the best so far and it has
// the request's channels and bits, and a sample rate no farther from the
// request's than the best's. VBR quality and lossless requests find nothing.
[[nodiscard]] std::optional<TWMAChoice> SearchWMAFormat(std::uint32_t wanted, bool vbr,
                                                        bool lossless, int channels, int bits,
                                                        int sampleRate);

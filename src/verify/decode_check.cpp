// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/decode_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "audio/codecs/wm_in.h"
#include "audio/core/au_exception.h"
#include "audio/wav/wave_in.h"

namespace {

constexpr std::size_t kRequestBytes = 65536;
constexpr int kBytesPerSample = 2;  // both sides are 16-bit PCM

// Levels are compared per hundredth of a second, at the shift of the decoded
// audio against the source that fits best within the length tolerance: a
// lossy codec delays the audio by up to about 0.03 s, which would otherwise
// mix a loud block into a quiet one at every change of loudness.
constexpr int kLevelBlocksPerSecond = 100;
// Quieter blocks count as this level: below it a lossy codec's noise and
// dither decide the figure, not the music.
constexpr double kLevelFloorDb = -60.0;
// The most the decoded blocks may differ from the source's on average. A
// lossy file at any usable bit rate stays within about 1 dB (what it drops
// lies mostly above 16 kHz, where music has little energy); silence, noise or
// another track differ by tens of dB in many blocks.
constexpr double kMaxMeanLevelDifferenceDb = 6.0;

// The most the decoded length may differ from the source's, in seconds: the
// codec's delay and the padding of its last frame, which FFmpeg leaves in the
// decoded audio. Measured on our own encoders over 3 s at 44.1 kHz: MP3 came
// back 0.056 s longer (no gapless header: 1105 samples of delay and padding
// to whole 1152-sample frames), WMA 0.019 s (2048-sample frames), Ogg Vorbis
// exact (its last page names the true end).
double LengthTolerance(TEncodedCodec codec) {
    switch (codec) {
        case TEncodedCodec::Mp3:
        case TEncodedCodec::Wma:
            return 0.1;
        case TEncodedCodec::Vorbis:
            return 0.05;
        default:
            return 0.0;
    }
}

bool Lossless(TEncodedCodec codec) {
    return codec == TEncodedCodec::Wav || codec == TEncodedCodec::Flac ||
           codec == TEncodedCodec::Ape;
}

TDecodeCheck Failed(const std::string& reason) {
    return {false, "FAILED (" + reason + ")"};
}

std::string Format(const char* pattern, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// One pass of an input, block by block.
class Pass {
public:
    explicit Pass(TAuInput& input) : m_input(input) { m_input.Init(); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    // The next block, valid until the next call; empty at the end.
    std::span<const std::uint8_t> Next() {
        const std::uint8_t* buffer = nullptr;
        std::size_t bytes = kRequestBytes;
        m_input.GetData(buffer, bytes);
        return {buffer, bytes};
    }
    // Bytes left in the pass, read to its end.
    std::int64_t CountRest() {
        std::int64_t bytes = 0;
        for (auto block = Next(); !block.empty(); block = Next()) {
            bytes += static_cast<std::int64_t>(block.size());
        }
        return bytes;
    }
    void End() { m_input.Flush(); }

private:
    TAuInput& m_input;
};

TDecodeCheck CompareSamples(TAuInput& decoded, TAuInput& source, int channels) {
    const std::int64_t frameBytes = std::int64_t{kBytesPerSample} * channels;
    Pass decodedPass(decoded);
    Pass sourcePass(source);
    std::span<const std::uint8_t> a;
    std::span<const std::uint8_t> b;
    std::int64_t compared = 0;
    for (;;) {
        if (a.empty()) {
            a = decodedPass.Next();
        }
        if (b.empty()) {
            b = sourcePass.Next();
        }
        if (a.empty() || b.empty()) {
            break;
        }
        const std::size_t n = std::min(a.size(), b.size());
        const auto [at, unused] = std::mismatch(a.begin(), a.begin() + n, b.begin());
        if (at != a.begin() + n) {
            const std::int64_t byte = compared + (at - a.begin());
            return Failed(Format("first difference at sample %lld",
                                 static_cast<long long>(byte / frameBytes)));
        }
        compared += static_cast<std::int64_t>(n);
        a = a.subspan(n);
        b = b.subspan(n);
    }
    const std::int64_t decodedBytes =
        compared + static_cast<std::int64_t>(a.size()) + decodedPass.CountRest();
    const std::int64_t sourceBytes =
        compared + static_cast<std::int64_t>(b.size()) + sourcePass.CountRest();
    decodedPass.End();
    sourcePass.End();
    if (decodedBytes != sourceBytes) {
        return Failed(Format("%lld samples decoded, %lld in the WAV file",
                             static_cast<long long>(decodedBytes / frameBytes),
                             static_cast<long long>(sourceBytes / frameBytes)));
    }
    return {true, "identical"};
}

// A signal's length and its level per block: the RMS of the channels' mean
// in dB below full scale, so that a mono file compares with a stereo source.
struct Levels {
    std::int64_t frames = 0;
    int rate = 1;
    std::vector<double> blockDb;

    [[nodiscard]] double Seconds() const { return static_cast<double>(frames) / rate; }
};

Levels MeasureLevels(TAuInput& input, int channels, int rate) {
    Levels levels;
    levels.rate = rate;
    const std::int64_t blockFrames = std::max(1, rate / kLevelBlocksPerSecond);
    double energy = 0;
    std::int64_t inBlock = 0;
    std::vector<std::uint8_t> carry;  // a frame cut by a block boundary
    const std::size_t frameBytes = static_cast<std::size_t>(kBytesPerSample) * channels;
    Pass pass(input);
    for (auto block = pass.Next(); !block.empty(); block = pass.Next()) {
        carry.insert(carry.end(), block.begin(), block.end());
        const std::size_t whole = carry.size() / frameBytes * frameBytes;
        for (std::size_t at = 0; at < whole; at += frameBytes) {
            double mean = 0;
            for (int channel = 0; channel < channels; ++channel) {
                const std::size_t byte = at + static_cast<std::size_t>(channel) * kBytesPerSample;
                mean += static_cast<std::int16_t>(carry[byte] | (carry[byte + 1] << 8));
            }
            mean /= channels * 32768.0;
            energy += mean * mean;
            if (++inBlock == blockFrames) {
                const double db = 10 * std::log10(energy / static_cast<double>(blockFrames));
                levels.blockDb.push_back(std::max(db, kLevelFloorDb));
                energy = 0;
                inBlock = 0;
            }
        }
        levels.frames += static_cast<std::int64_t>(whole / frameBytes);
        carry.erase(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(whole));
    }
    pass.End();
    return levels;
}

// The mean difference of the block levels with the decoded blocks taken
// `shift` blocks later; nothing when the signals have no block in common.
std::optional<double> MeanDifference(const std::vector<double>& decoded,
                                     const std::vector<double>& source, std::ptrdiff_t shift) {
    double sum = 0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < source.size(); ++i) {
        const std::ptrdiff_t j = static_cast<std::ptrdiff_t>(i) + shift;
        if (j >= 0 && j < static_cast<std::ptrdiff_t>(decoded.size())) {
            sum += std::abs(decoded[static_cast<std::size_t>(j)] - source[i]);
            ++count;
        }
    }
    if (count == 0) {
        return std::nullopt;
    }
    return sum / static_cast<double>(count);
}

TDecodeCheck CompareLengthAndLevel(TAuFileIn& decoded, TAuFileIn& source, TEncodedCodec codec) {
    const Levels got = MeasureLevels(decoded, decoded.Channels(), decoded.SampleRate());
    const Levels want = MeasureLevels(source, source.Channels(), source.SampleRate());
    if (std::abs(got.Seconds() - want.Seconds()) > LengthTolerance(codec)) {
        return Failed(
            Format("%.3f s decoded, %.3f s in the WAV file", got.Seconds(), want.Seconds()));
    }
    const auto maxShift =
        static_cast<std::ptrdiff_t>(LengthTolerance(codec) * kLevelBlocksPerSecond);
    double best = 0;
    bool compared = false;
    for (std::ptrdiff_t shift = -maxShift; shift <= maxShift; ++shift) {
        if (const std::optional<double> difference =
                MeanDifference(got.blockDb, want.blockDb, shift);
            difference && (!compared || *difference < best)) {
            best = *difference;
            compared = true;
        }
    }
    if (compared && best > kMaxMeanLevelDifferenceDb) {
        return Failed(Format("level differs by %.1f dB on average", best));
    }
    return {true, "length and level ok"};
}

// Empty when the input opens with a format it can compare.
std::string OpenProblem(TAuFileIn& input, const std::string& path, const char* what) {
    input.SetFileName(path);
    if (!input.Valid()) {
        return std::string("cannot read the ") + what + ": " + input.InvalidReason();
    }
    if (input.BitsPerSample() != 16 || input.Channels() < 1 || input.SampleRate() < 1) {
        return std::string("the ") + what + " is not 16-bit audio";
    }
    return {};
}

}  // namespace

TDecodeCheck CheckDecodedFile(const std::string& encodedPath, TEncodedCodec codec,
                              const std::string& wavPath) {
    try {
        TWaveIn source;
        if (std::string problem = OpenProblem(source, wavPath, "WAV file"); !problem.empty()) {
            return Failed(problem);
        }
        TWMIn decoded;
        if (std::string problem = OpenProblem(decoded, encodedPath, "encoded file");
            !problem.empty()) {
            return Failed(problem);
        }
        if (!Lossless(codec)) {
            return CompareLengthAndLevel(decoded, source, codec);
        }
        if (decoded.Channels() != source.Channels() ||
            decoded.SampleRate() != source.SampleRate()) {
            return Failed(Format(
                "decoded as %d Hz with %d channels, the WAV file has %d Hz "
                "with %d",
                decoded.SampleRate(), decoded.Channels(), source.SampleRate(), source.Channels()));
        }
        return CompareSamples(decoded, source, source.Channels());
    } catch (const EAuException& error) {
        return Failed(error.what());
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/wav_normalizer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "audio/core/file_descriptor.h"

namespace {

std::int32_t PercentOf(std::int64_t part, std::int64_t whole) {
    return whole > 0 ? static_cast<std::int32_t>(part * 100 / whole) : 100;
}

std::string TemporaryPath(const std::string& wavPath) {
    return std::filesystem::path(wavPath).replace_extension(".nor").string();
}

// Blocks moved per read and per write. Progress still comes block by block,
// but the file is read and written in far fewer, larger calls.
constexpr std::size_t kBlocksPerTransfer = 64;

// Copies source to target block by block, scaling everything after the header.
bool CopyScaled(int source, int target, off_t size, float gain, std::size_t blockBytes,
                const NormalizeProgress& progress) {
    const std::size_t transferBytes = blockBytes * kBlocksPerTransfer;
    std::vector<std::uint8_t> buffer(std::max(transferBytes, kRipWavHeaderBytes));
    const std::int64_t header = ReadAt(source, std::span(buffer).first(kRipWavHeaderBytes), 0);
    if (header < 0 || !WriteAt(target, std::span(buffer).first(header), 0)) {
        return false;
    }
    off_t processed = header;
    for (;;) {
        const std::int64_t got = ReadAt(source, std::span(buffer).first(transferBytes), processed);
        if (got <= 0) {
            progress(PercentOf(processed, size));
            return got == 0;
        }
        const auto transfer = std::span(buffer).first(static_cast<std::size_t>(got));
        for (std::size_t offset = 0; offset < transfer.size(); offset += blockBytes) {
            progress(PercentOf(processed + static_cast<off_t>(offset), size));
            ScaleSamples(transfer.subspan(offset, std::min(blockBytes, transfer.size() - offset)),
                         gain);
        }
        if (!WriteAt(target, transfer, processed)) {
            return false;
        }
        processed += got;
    }
}

}  // namespace

void ScaleSamples(std::span<std::uint8_t> block, float gain) {
    // A 16-bit sample times a float gain is exact in double precision, so the
    // only rounding is the one to an integer. Adding and subtracting 1.5 x
    // 2^52 does it: the sum lies where doubles are whole numbers, so the
    // addition itself rounds to nearest with halves to even (as nearbyint
    // does in the default mode), without a library call per sample.
    constexpr double kRounder = 6755399441055744.0;  // 1.5 x 2^52
    const double factor = gain;
    for (std::size_t i = 0; i + 1 < block.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(block[i] | (block[i + 1] << 8));
        const double rounded = (sample * factor + kRounder) - kRounder;
        const double scaled = std::clamp(rounded, -32768.0, 32767.0);
        const auto result = static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled));
        block[i] = static_cast<std::uint8_t>(result & 0xFF);
        block[i + 1] = static_cast<std::uint8_t>(result >> 8);
    }
}

bool NormalizeWavFile(const std::string& wavPath, std::int32_t percent, std::size_t blockBytes,
                      const NormalizeProgress& progress) {
    const std::string temporaryPath = TemporaryPath(wavPath);
    const float gain = static_cast<float>(percent) / 100.0F;
    bool copied = false;
    {
        FileDescriptor source(::open(wavPath.c_str(), O_RDONLY | O_CLOEXEC));
        struct stat info {};
        if (!source.IsOpen() || ::fstat(source.Get(), &info) != 0) {
            return false;
        }
        FileDescriptor target(
            ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!target.IsOpen()) {
            return false;
        }
        copied = CopyScaled(source.Get(), target.Get(), info.st_size, gain, blockBytes, progress);
    }
    if (!copied) {
        ::unlink(temporaryPath.c_str());
        return false;
    }
    // rename() replaces the WAV file in one step, so no failure can leave
    // the track without either version.
    std::rename(temporaryPath.c_str(), wavPath.c_str());
    return true;
}

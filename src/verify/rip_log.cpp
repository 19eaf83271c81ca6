// SPDX-License-Identifier: GPL-3.0-or-later
#include "verify/rip_log.h"

#include <openssl/evp.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "disc/file_stem.h"

namespace {

constexpr std::string_view kFallbackLogName = "Audio CD";

std::string Hex8(std::uint32_t value) {
    std::array<char, 9> text{};
    std::snprintf(text.data(), text.size(), "%08x", value);
    return text.data();
}

// The text on one line: control characters become spaces.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::ranges::replace_if(
        line, [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }, ' ');
    return line;
}

std::string TwoDigits(int number) {
    std::array<char, 12> text{};
    std::snprintf(text.data(), text.size(), "%02d", number);
    return text.data();
}

std::string Signed(int value) {
    return (value > 0 ? "+" : value < 0 ? "-" : "") + std::to_string(std::abs(value));
}

// Of full scale, to a tenth of a percent.
std::string PeakText(std::uint32_t peak) {
    const std::uint32_t permille = (std::min(peak, 32768u) * 1000 + 16384) / 32768;
    return std::to_string(permille / 10) + "." + std::to_string(permille % 10) + " %";
}

std::string OffsetOriginText(TReadOffsetOrigin origin) {
    switch (origin) {
        case TReadOffsetOrigin::Drive:
            return "stored for this drive";
        case TReadOffsetOrigin::Image:
            return "disc image";
        case TReadOffsetOrigin::None:
            break;
    }
    return "none stored for this drive";
}

// "mm:ss.ff" of a number of sectors, 75 to the second.
std::string SectorTime(std::uint32_t sectors) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%02u:%02u.%02u", sectors / 75 / 60, sectors / 75 % 60,
                  sectors % 75);
    return text.data();
}

std::string TocText(const std::vector<TRipLogTocRow>& toc) {
    std::string text = "Table of contents:\n  No.  Start sector  Sectors  Length    Type\n";
    for (const TRipLogTocRow& row : toc) {
        std::array<char, 96> line{};
        std::snprintf(line.data(), line.size(), "%5s  %12u  %7u  %8s  %s\n",
                      TwoDigits(row.number).c_str(), row.startSector, row.sectors,
                      SectorTime(row.sectors).c_str(), row.data ? "data" : "audio");
        text += line.data();
    }
    return text;
}

std::string HeaderText(const TRipLog& log) {
    std::string text = OneLine(log.program) + " " + OneLine(log.version) + " rip log\n";
    text += "Date: " + OneLine(log.date) + "\n\n";
    if (!log.imagePath.empty()) {
        text += "Image: " + OneLine(log.imagePath) + "\n";
    } else {
        text += "Drive: " + OneLine(log.driveVendor) + " " + OneLine(log.driveModel) + "\n";
    }
    text += log.careful ? "Read mode: careful, up to " + std::to_string(log.retries) + " retries\n"
                        : std::string("Read mode: plain\n");
    text += "Read offset correction: " + Signed(log.readOffset) + " samples (" +
            OffsetOriginText(log.readOffsetOrigin) + ")\n\n";
    text += TocText(log.toc) + "\n";
    text += "CDDB id: " + Hex8(log.cddbId) + "\n";
    text += "AccurateRip id: " + (log.accurateRipId.empty() ? "none" : OneLine(log.accurateRipId)) +
            "\n";
    return text;
}

std::string QualityText(const TRipLogReadQuality& quality) {
    return "Read errors: " + std::to_string(quality.readErrors) + "\n" +
           "Skipped sectors: " + std::to_string(quality.skippedSectors) + "\n" +
           "Jitter fixes: " + std::to_string(quality.jitterFixes) + "\n" +
           "Drift fixes: " + std::to_string(quality.driftFixes) + "\n" +
           "Dropped bytes restored: " + std::to_string(quality.droppedFixes) + "\n" +
           "Duplicated bytes removed: " + std::to_string(quality.duplicatedFixes) + "\n";
}

std::string TrackText(const TRipLogTrack& track, bool careful) {
    std::string text = "Track " + TwoDigits(track.number) + "\n";
    text += "File: " + OneLine(track.fileName) + "\n";
    text += "Peak: " + PeakText(track.peak) + "\n";
    if (careful) {
        text += QualityText(track.quality);
    }
    text += "CRC32 " + Hex8(track.crc32) + "\n";
    text += "AccurateRip v1 " + Hex8(track.v1) + "\n";
    text += "AccurateRip v2 " + Hex8(track.v2) + "\n";
    text += "AccurateRip result: " + AccurateRipResultText(track.verdict) + "\n";
    if (!track.decodeCheck.empty()) {
        text += "Decode check: " + OneLine(track.decodeCheck) + "\n";
    }
    return text;
}

std::string Sha256Hex(std::string_view bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("OpenSSL could not compute the log's SHA-256.");
    }
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        std::array<char, 3> pair{};
        std::snprintf(pair.data(), pair.size(), "%02x", digest[i]);
        hex += pair.data();
    }
    return hex;
}

}  // namespace

std::string RipLogText(const TRipLog& log) {
    std::string text = HeaderText(log);
    std::size_t accurate = 0;
    for (const TRipLogTrack& track : log.tracks) {
        text += '\n';
        text += TrackText(track, log.careful);
        accurate += track.verdict.result == TArResult::Accurate ? 1 : 0;
    }
    text += '\n';
    text += std::to_string(accurate) + " of " + std::to_string(log.tracks.size()) +
            " tracks accurately ripped\n";
    text += "SHA-256 " + Sha256Hex(text) + "\n";
    return text;
}

std::string RipLogFileName(std::string_view artist, std::string_view album) {
    constexpr std::string_view kBlank = " \t\r\n\v\f";
    const auto trimmed = [&](std::string_view text) {
        const std::size_t start = text.find_first_not_of(kBlank);
        return start == std::string_view::npos
                   ? std::string_view()
                   : text.substr(start, text.find_last_not_of(kBlank) - start + 1);
    };
    const std::string_view artistName = trimmed(artist);
    const std::string_view albumName = trimmed(album);
    std::string name(artistName);
    if (!artistName.empty() && !albumName.empty()) {
        name += " - ";
    }
    name += albumName;
    // FileStemOf would name these after a track.
    if (name.empty() || name == "." || name == "..") {
        name = kFallbackLogName;
    }
    return FileStemOf(name, 0) + ".log";
}

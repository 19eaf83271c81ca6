// SPDX-License-Identifier: GPL-3.0-or-later
#include "discimage/disc_image.h"

#include <cstdio>
#include <fstream>

namespace discimage {
namespace {

std::uint32_t SectorsOf(std::size_t bytes) {
    return static_cast<std::uint32_t>((bytes + kSectorBytes - 1) / kSectorBytes);
}

// mm:ss:ff of a sector position within the data file.
std::string CueTime(std::uint32_t sector) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", sector / (60 * kFramesPerSecond),
                  sector / kFramesPerSecond % 60, sector % kFramesPerSecond);
    return text;
}

}  // namespace

Pcm PadToSectors(Pcm pcm) {
    pcm.resize(std::size_t{SectorsOf(pcm.size())} * kSectorBytes, 0);
    return pcm;
}

std::string CueSheet(const std::string& binName, const std::vector<std::size_t>& trackBytes) {
    std::string cue = "FILE \"" + binName + "\" BINARY\n";
    std::uint32_t start = 0;
    for (std::size_t i = 0; i < trackBytes.size(); ++i) {
        char track[64];
        std::snprintf(track, sizeof track, "  TRACK %02zu AUDIO\n", i + 1);
        cue += track;
        cue += "    INDEX 01 " + CueTime(start) + "\n";
        start += SectorsOf(trackBytes[i]);
    }
    return cue;
}

WriteResult WriteDiscImage(const std::filesystem::path& cuePath, const std::vector<Pcm>& tracks) {
    WriteResult result;
    if (tracks.empty() || tracks.size() > 99) {
        result.message = "a disc needs 1 to 99 tracks";
        return result;
    }
    std::vector<std::size_t> sizes;
    for (const Pcm& track : tracks) {
        if (track.empty()) {
            result.message = "a track has no samples";
            return result;
        }
        sizes.push_back(track.size());
    }

    // libcdio always reads the data file named like the cue sheet.
    std::filesystem::path binPath = cuePath;
    binPath.replace_extension(".bin");
    std::ofstream bin(binPath, std::ios::binary | std::ios::trunc);
    for (const Pcm& track : tracks) {
        result.layout.trackStarts.push_back(result.layout.leadOut);
        Pcm padded = PadToSectors(track);
        bin.write(reinterpret_cast<const char*>(padded.data()),
                  static_cast<std::streamsize>(padded.size()));
        result.layout.leadOut += SectorsOf(track.size());
    }
    bin.close();
    std::ofstream cue(cuePath, std::ios::trunc);
    cue << CueSheet(binPath.filename().string(), sizes);
    cue.close();
    if (!bin || !cue) {
        result.message = "cannot write " + cuePath.string() + " or " + binPath.string();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace discimage

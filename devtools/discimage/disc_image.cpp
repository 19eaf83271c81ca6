// SPDX-License-Identifier: GPL-3.0-or-later
#include "discimage/disc_image.h"

#include <cstdio>
#include <fstream>
#include <string_view>
#include <utility>

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

// text in ISO-8859-1, or nothing when it holds a character that is not one
// of ISO-8859-1's, a double quote or a control character.
std::optional<std::string> CueLatin1(std::string_view text) {
    std::string latin1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            c = static_cast<unsigned char>((c & 0x03) << 6 | (text[++i] & 0x3F));
        } else if (c >= 0x80) {
            return std::nullopt;
        }
        if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == '"') {
            return std::nullopt;
        }
        latin1 += static_cast<char>(c);
    }
    return latin1;
}

// The TITLE and PERFORMER lines for one level of the cue sheet.
std::string TextLines(const std::string& indent, const std::string& title,
                      const std::string& performer) {
    std::string lines;
    for (const auto& [keyword, value] : {std::pair{"TITLE", &title}, {"PERFORMER", &performer}}) {
        const auto latin1 = CueLatin1(*value);
        if (!value->empty() && latin1) {
            lines += indent + keyword + " \"" + *latin1 + "\"\n";
        }
    }
    return lines;
}

bool Writable(const CueText& text) {
    bool ok = CueLatin1(text.title) && CueLatin1(text.performer);
    for (const TrackText& track : text.tracks) {
        ok = ok && CueLatin1(track.title) && CueLatin1(track.performer);
    }
    return ok;
}

}  // namespace

Pcm PadToSectors(Pcm pcm) {
    pcm.resize(std::size_t{SectorsOf(pcm.size())} * kSectorBytes, 0);
    return pcm;
}

std::string CueSheet(const std::string& binName, const std::vector<std::size_t>& trackBytes,
                     const CueText& text) {
    std::string cue = TextLines("", text.title, text.performer);
    cue += "FILE \"" + binName + "\" BINARY\n";
    std::uint32_t start = 0;
    for (std::size_t i = 0; i < trackBytes.size(); ++i) {
        char track[64];
        std::snprintf(track, sizeof track, "  TRACK %02zu AUDIO\n", i + 1);
        cue += track;
        if (i < text.tracks.size()) {
            cue += TextLines("    ", text.tracks[i].title, text.tracks[i].performer);
        }
        cue += "    INDEX 01 " + CueTime(start) + "\n";
        start += SectorsOf(trackBytes[i]);
    }
    return cue;
}

WriteResult WriteDiscImage(const std::filesystem::path& cuePath, const std::vector<Pcm>& tracks,
                           const CueText& text) {
    WriteResult result;
    if (tracks.empty() || tracks.size() > 99) {
        result.message = "a disc needs 1 to 99 tracks";
        return result;
    }
    if (!Writable(text)) {
        result.message = "a CD-Text text is not writable as ISO-8859-1 cue text";
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
    cue << CueSheet(binPath.filename().string(), sizes, text);
    cue.close();
    if (!bin || !cue) {
        result.message = "cannot write " + cuePath.string() + " or " + binPath.string();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace discimage

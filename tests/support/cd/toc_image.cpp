// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/cd/toc_image.h"

#include <cstdio>
#include <string>

#include "discimage/image_drive.h"
#include "support/common/files.h"

namespace {

constexpr std::uint32_t kLeadInFrames = 150;

std::string Msf(std::uint32_t frames) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", frames / (60 * 75), frames / 75 % 60,
                  frames % 75);
    return text;
}

}  // namespace

TCDHandle OpenTocImageDrive(const std::filesystem::path& folder,
                            const std::vector<std::uint32_t>& trackStarts, std::uint32_t leadOut) {
    std::filesystem::create_directories(folder);
    const std::filesystem::path cue = folder / "toc.cue";
    const std::filesystem::path bin = folder / "toc.bin";
    std::string sheet = "FILE \"toc.bin\" BINARY\n";
    for (std::size_t i = 0; i < trackStarts.size(); ++i) {
        char number[24];
        std::snprintf(number, sizeof number, "%02zu", i + 1);
        sheet += std::string("  TRACK ") + number + " AUDIO\n    INDEX 01 " +
                 Msf(trackStarts[i] - kLeadInFrames) + "\n";
    }
    WriteText(cue, sheet);
    WriteText(bin, "");
    std::filesystem::resize_file(bin, std::uintmax_t{leadOut - kLeadInFrames} * kCDSectorBytes);
    return OpenImageDrive(cue);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "discimage/wav_file.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>

namespace discimage {
namespace {

std::uint32_t Le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

WavReadResult Refuse(const std::filesystem::path& path, const std::string& why) {
    WavReadResult result;
    result.message = path.string() + ": " + why;
    return result;
}

}  // namespace

WavReadResult ReadCDFormatWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return Refuse(path, "cannot open");
    }
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
        std::memcmp(file.data() + 8, "WAVE", 4) != 0) {
        return Refuse(path, "not a RIFF WAVE file");
    }
    bool formatOk = false;
    std::size_t pos = 12;
    while (pos + 8 <= file.size()) {
        const std::uint32_t size = Le32(&file[pos + 4]);
        const std::size_t body = pos + 8;
        const std::size_t available = file.size() - body;
        if (std::memcmp(&file[pos], "fmt ", 4) == 0) {
            if (size < 16 || available < 16) {
                return Refuse(path, "truncated fmt chunk");
            }
            formatOk = Le16(&file[body]) == 1 && Le16(&file[body + 2]) == 2 &&
                       Le32(&file[body + 4]) == 44100 && Le16(&file[body + 14]) == 16;
            if (!formatOk) {
                return Refuse(path, "not 16-bit stereo PCM at 44100 Hz");
            }
        } else if (std::memcmp(&file[pos], "data", 4) == 0) {
            if (!formatOk) {
                return Refuse(path, "data chunk before fmt chunk");
            }
            // A writer that could not seek back leaves the size too large: take what is there.
            const std::size_t bytes = std::min<std::size_t>(size, available) / 4 * 4;
            WavReadResult result;
            result.ok = true;
            result.pcm.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                              file.begin() + static_cast<std::ptrdiff_t>(body + bytes));
            return result;
        }
        if (size > available) {
            break;
        }
        pos = body + size + (size & 1);
    }
    return Refuse(path, "no data chunk");
}

}  // namespace discimage

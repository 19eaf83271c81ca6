// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a file whose last 128 bytes may hold
// an ID3v1 record. Reading must not fail on any record, every field must
// read back, and rendering what was read must reproduce the fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "audio/tags/id3v1_tags.h"
#include "fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const TMemoryFile file(bytes);
    TId3v1Tags tags;
    const bool present = tags.TagPresent(file.Fd());
    if (tags.ReadFromFile(file.Fd()) != present) {
        std::abort();
    }
    const auto record = tags.Render();
    TId3v1Tags again;
    again.Parse(record);
    if (again.Title() != tags.Title() || again.Artist() != tags.Artist() ||
        again.Album() != tags.Album() || again.Year() != tags.Year() ||
        again.Comment() != tags.Comment() || again.Track() != tags.Track() ||
        again.Genre() != tags.Genre()) {
        std::abort();
    }
    return 0;
}

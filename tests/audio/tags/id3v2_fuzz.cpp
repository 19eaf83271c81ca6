// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a file that may start with an ID3v2
// tag (any version, flags, frame sizes and text encodings), read through the
// file descriptor as the inputs do, then every field read and the tag
// rendered both ways.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "audio/tags/id3v2_tags.h"
#include "fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const TMemoryFile file(bytes);
    TId3v2Tags tags;
    const bool present = tags.TagPresent(file.Fd());
    if (tags.ReadFromFile(file.Fd()) && !present) {
        std::abort();
    }
    // The position stays inside the file.
    const off_t position = ::lseek(file.Fd(), 0, SEEK_CUR);
    if (position < 0 || static_cast<std::size_t>(position) > size) {
        std::abort();
    }
    for (int i = 0; i < tags.Count(); ++i) {
        (void)tags.AsWideString(tags.Names(i));
        (void)tags.AsString(tags.Names(i));
    }
    (void)tags.Render(false);
    (void)tags.Render(true);
    return 0;
}

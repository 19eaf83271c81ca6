// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a CDDB entry (continued keys,
// escapes, control characters, huge track numbers), then the genre lookup
// on what was read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cddb/cddb_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const TCddbDiscInfo info = ParseCddbEntry(bytes);
    if (info.genre) {
        const int position = CddbGenrePosition(*info.genre);
        if (position < -1 || position > 148) {
            std::abort();
        }
    }
    return 0;
}

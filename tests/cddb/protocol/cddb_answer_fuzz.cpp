// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a server's answer to "cddb query" and
// "cddb read", decoded as the worker does. A read entry holds whole lines,
// and cutting to whole lines never grows the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cddb/protocol/cddb_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view cut = CutToWholeLines(bytes, size / 2);
    if (cut.size() > size / 2 || bytes.substr(0, cut.size()) != cut) {
        std::abort();
    }
    const std::string text = DecodeCddbText(bytes);
    (void)ParseQueryAnswer(text);
    const TCddbReadAnswer read = ParseReadAnswer(text);
    if (read.ok && !read.entry.empty() && read.entry.back() != '\n') {
        std::abort();
    }
    return 0;
}

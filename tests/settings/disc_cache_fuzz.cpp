// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as the disc cache "cd.dat", read for a
// few disc keys. Loading must give an entry whatever the file holds, and
// saving that entry and loading it again must give the same entry.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/disc_cache.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

namespace {

// A usual key, one that differs only in letter case, and one with spaces.
const char* const kDiscKeys[] = {"7a0b5c0d", "7A0B5C0D", "disc key"};

void RoundTrip(const std::string& discKey, const std::filesystem::path& cacheFile) {
    TCDInfo loaded;
    LoadDiscInfo(loaded, discKey, cacheFile);
    const TDiscFields fields{loaded.Artist, loaded.Album, loaded.Year, loaded.Genre,
                             loaded.Comment};
    if (!SaveDiscInfo(loaded, discKey, fields, cacheFile).Ok) {
        std::abort();
    }
    TCDInfo reloaded;
    LoadDiscInfo(reloaded, discKey, cacheFile);
    if (!(reloaded == loaded)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TestFolder folder;
    const std::filesystem::path cacheFile = folder.Path() / "cd.dat";
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const char* key : kDiscKeys) {
        WriteText(cacheFile, bytes);
        RoundTrip(key, cacheFile);
    }
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as "options.ini". Loading must give a
// record whatever the file holds, and saving that record and loading it again
// must give the same record.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/options_setting.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TestFolder folder;
    const TAppPaths paths(folder.Path() / "program", folder.Path() / "config");
    WriteText(paths.OptionsFile(), std::string(reinterpret_cast<const char*>(data), size));

    TOptionsSetting loaded;
    LoadOptions(loaded, paths);
    if (!SaveOptions(loaded, paths).Ok) {
        std::abort();
    }
    TOptionsSetting reloaded;
    LoadOptions(reloaded, paths);
    if (!(reloaded == loaded)) {
        std::abort();
    }
    return 0;
}

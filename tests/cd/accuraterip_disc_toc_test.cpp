// SPDX-License-Identifier: GPL-3.0-or-later
// The AccurateRip table of contents read from images of published tables,
// checked by the database paths other programs computed for them.
#include "cd/accuraterip_disc_toc.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <vector>

#include "support/cd/toc_image.h"
#include "support/common/test_folder.h"

namespace {

TEST(AccurateRipDiscTocTest, PathsOfImagedTables) {
    struct Case {
        const char* path;
        std::vector<std::uint32_t> starts;  // logical sectors
        std::uint32_t leadOut;
        std::vector<std::size_t> dataTracks{};  // 0-based; cue sheets cannot mark them
    };
    const Case cases[] = {
        {"8/7/1/dBAR-015-001b9178-014be24e-b40d2d0f.bin",
         {33, 5225, 7390, 23380, 35608, 49820, 69508, 87733, 106333, 139495, 157863, 198495, 213368,
          225320, 234103},
         253038},
        {"8/7/c/dBAR-018-00307c78-0281351d-27114b12.bin",
         {0, 29042, 53880, 58227, 84420, 94192, 119165, 123030, 147500, 148267, 174602, 208125,
          212705, 239890, 268705, 272055, 291720, 319992},
         332075},
        {"a/5/d/dBAR-012-0013bd5a-00b8d489-c60af50d.bin",
         {0, 15537, 31691, 50866, 66466, 81202, 99409, 115920, 133093, 149847, 161560, 177682,
          207106},
         210385,
         {12}},
        {"4/5/a/dBAR-028-00517a54-05a845d2-af0da31d.bin",
         {0,      66578,  76352,  85813,  93610,  103898, 115916, 124593, 134056, 142766,
          151702, 160570, 169275, 178581, 188309, 196561, 206204, 214695, 223536, 225596,
          226234, 232518, 239297, 239781, 244839, 254114, 259916, 261072, 261524},
         261826,
         {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TestFolder folder;
        std::vector<std::uint32_t> frames;
        for (const std::uint32_t start : c.starts) {
            frames.push_back(start + 150);
        }
        const TCDHandle handle = OpenTocImageDrive(folder.Path(), frames, c.leadOut + 150);
        ASSERT_NE(handle, 0u);
        std::optional<TArToc> toc = ReadAccurateRipToc(handle);
        TTOC table;
        ASSERT_EQ(ReadTOC(handle, &table), 1);
        CloseCDHandle(handle);
        ASSERT_TRUE(toc.has_value());
        if (!c.dataTracks.empty()) {
            for (const std::size_t track : c.dataTracks) {
                table.Tracks[track].AdrControl |= 0x04;
            }
            toc = AccurateRipTocOf(table);
            ASSERT_TRUE(toc.has_value());
        }
        const std::optional<TArDisc> disc = AccurateRipDisc(*toc);
        ASSERT_TRUE(disc.has_value());
        EXPECT_EQ(AccurateRipPath(disc->ids), std::string("/accuraterip/") + c.path);
    }
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

}  // namespace

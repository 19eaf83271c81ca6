// SPDX-License-Identifier: GPL-3.0-or-later
// The MusicBrainz table of contents read from real images of published
// tables, checked by the disc ids the service gives them.
#include "cd/musicbrainz_disc_toc.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "support/cd/toc_image.h"
#include "support/common/test_folder.h"

namespace {

TEST(MusicBrainzDiscTocTest, DiscIdsOfImagedTables) {
    struct Case {
        const char* discId;
        std::vector<std::uint32_t> starts;  // frames from the start of the disc
        std::uint32_t leadOut;
        bool lastIsData = false;  // as a drive reports an enhanced CD's data track
    };
    const Case cases[] = {
        {"49HHV7Eb8UKF3aQiNmu1GR8vKTY-", {150, 15363, 32314, 46592, 63414, 80489}, 95462},
        {"xp5tz6rE4OHrBafj0bLfDRMGK48-",
         {182, 33322, 52597, 73510, 98882, 136180, 169185, 187490},
         212075},
        {"KnpGsLhvH.lPrNc1PBL21lb9Bg4-",
         {150, 15687, 31841, 51016, 66616, 81352, 99559, 116070, 133243, 149997, 161710, 177832,
          207256},
         210535,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.discId);
        TestFolder folder;
        const TCDHandle handle = OpenTocImageDrive(folder.Path(), c.starts, c.leadOut);
        ASSERT_NE(handle, 0u);
        std::optional<TMbDiscToc> toc = ReadMusicBrainzToc(handle);
        ASSERT_TRUE(toc.has_value());
        EXPECT_EQ(toc->tracks.front().start, c.starts.front());
        if (c.lastIsData) {
            // Cue sheets of audio tracks cannot say it: mark it in the
            // drive's own table, which the handle now gives by minutes.
            TTOC table;
            ASSERT_EQ(ReadTOC(handle, &table), 1);
            table.Tracks[c.starts.size() - 1].AdrControl |= 0x04;
            toc = MusicBrainzTocOf(table);
        }
        CloseCDHandle(handle);
        const std::optional<TMbIdToc> idToc = MusicBrainzIdToc(*toc);
        ASSERT_TRUE(idToc.has_value());
        EXPECT_EQ(MusicBrainzDiscId(*idToc), c.discId);
    }
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

}  // namespace

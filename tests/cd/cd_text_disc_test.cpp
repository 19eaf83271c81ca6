// SPDX-License-Identifier: GPL-3.0-or-later
// CD-Text of a real image, read through the CD access module, as a DiscInfo.
#include "cd/cd_text_disc.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "support/common/test_folder.h"

namespace {

TrackInfo Track(int number, std::string title, std::string artist = "") {
    TrackInfo track;
    track.Number = number;
    track.Title = std::move(title);
    track.Artist = std::move(artist);
    return track;
}

TEST(CDTextDiscTest, DiscTitlesAndOnlyDifferingTrackArtists) {
    struct Case {
        const char* name;
        discimage::CueText cue;
        DiscInfo expected;
    };
    const Case cases[] = {
        {"titles",
         {"Café",
          "Björk",
          {{"Jóga", "Björk"}, {"", "Guest"}, {"Duet", "Björk & Guest"}, {"Solo", ""}}},
         {.Artist = "Björk",
          .Album = "Café",
          .Tracks = {Track(1, "Jóga"), Track(3, "Duet", "Björk & Guest"), Track(4, "Solo")}}},
        {"none", {}, {}},
    };
    TestFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto cue = folder.Path() / (std::string(c.name) + ".cue");
        const discimage::Pcm sector = discimage::BytePattern(2352, 1);
        ASSERT_TRUE(discimage::WriteDiscImage(cue, {sector, sector, sector, sector}, c.cue).ok);
        const TCDHandle handle = OpenImageDrive(cue);
        TCDText text;
        ASSERT_EQ(ReadCDText(handle, &text), 1);
        EXPECT_EQ(DiscInfoFromCDText(text), c.expected);
        CloseCDHandle(handle);
    }
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

}  // namespace

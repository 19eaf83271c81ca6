// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "audio/tags/vorbis_tags.h"

TEST(AuTagsTest, Placeholder) {
    TVorbisTags tags;
    EXPECT_EQ(tags.Count(), 6);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/apev2_tags.h"

TAPEv2Tags::TAPEv2Tags() {
    AddTags({"Artist",       "Composer",        "Album",    "Debut album", "Publisher",
             "Conductor",    "Copyright",       "ISBN",     "ISRC",        "EAN/UPC",
             "LC",           "Catalog",         "Language", "Genre",       "Year",
             "Record Date",  "Record Location", "File",     "Related",     "Abstract",
             "Bibliography", "Track",           "Title",    "Subtitle",    "Comment"});
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "audio/tags/au_tags.h"

// The APEv2 item names with typed properties. The container has no file
// operations of its own: the outputs that write APEv2 serialise the values.
// Used on one thread at a time.
class TAPEv2Tags : public TAuTags {
public:
    TAPEv2Tags();

#define BL_APE_WIDE(Prop, Name)                 \
    [[nodiscard]] std::u16string Prop() const { \
        return AsWideString(Name);              \
    }                                           \
    void Set##Prop(const std::u16string& v) {   \
        SetValue(Name, v);                      \
    }
#define BL_APE_TEXT(Prop, Name)              \
    [[nodiscard]] std::string Prop() const { \
        return AsString(Name);               \
    }                                        \
    void Set##Prop(const std::string& v) {   \
        SetValue(Name, v);                   \
    }

    BL_APE_WIDE(Artist, "Artist")
    BL_APE_WIDE(Composer, "Composer")
    BL_APE_WIDE(Album, "Album")
    BL_APE_WIDE(DebutAlbum, "Debut album")
    BL_APE_WIDE(Publisher, "Publisher")
    BL_APE_WIDE(Conductor, "Conductor")
    BL_APE_WIDE(Copyright, "Copyright")
    BL_APE_TEXT(ISBN, "ISBN")
    BL_APE_TEXT(ISRC, "ISRC")
    BL_APE_TEXT(BarCode, "EAN/UPC")
    BL_APE_TEXT(LabelCode, "LC")
    BL_APE_TEXT(Catalog, "Catalog")
    BL_APE_WIDE(Language, "Language")
    BL_APE_WIDE(Genre, "Genre")
    BL_APE_TEXT(Year, "Year")
    BL_APE_TEXT(RecordDate, "Record Date")
    BL_APE_WIDE(RecordLocation, "Record Location")
    BL_APE_WIDE(File_, "File")
    BL_APE_WIDE(Related, "Related")
    BL_APE_WIDE(Abstract, "Abstract")
    BL_APE_WIDE(Bibliography, "Bibliography")
    BL_APE_TEXT(Track, "Track")
    BL_APE_WIDE(Title, "Title")
    BL_APE_WIDE(SubTitle, "Subtitle")
    BL_APE_WIDE(Comment, "Comment")

#undef BL_APE_WIDE
#undef BL_APE_TEXT
};

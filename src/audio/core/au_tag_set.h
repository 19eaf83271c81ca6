// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/tags/apev2_tags.h"
#include "audio/tags/id3v1_tags.h"
#include "audio/tags/id3v2_tags.h"

// The ID3v1, ID3v2 and APEv2 tag containers of a tagged file input or
// output; the setters copy the given container's values, never take it over.
class TAuTagSet {
public:
    [[nodiscard]] TId3v1Tags& Id3v1Tags() { return m_id3v1Tags; }
    void SetId3v1Tags(const TId3v1Tags& value) { m_id3v1Tags.Assign(value); }
    [[nodiscard]] TId3v2Tags& Id3v2Tags() { return m_id3v2Tags; }
    void SetId3v2Tags(const TId3v2Tags& value) { m_id3v2Tags.Assign(value); }
    [[nodiscard]] TAPEv2Tags& APEv2Tags() { return m_apev2Tags; }
    void SetAPEv2Tags(const TAPEv2Tags& value) { m_apev2Tags.Assign(value); }

private:
    TId3v1Tags m_id3v1Tags;
    TId3v2Tags m_id3v2Tags;
    TAPEv2Tags m_apev2Tags;
};

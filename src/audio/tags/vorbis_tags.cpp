// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/vorbis_tags.h"

TVorbisTags::TVorbisTags() {
    AddTags({"album", "artist", "date", "genre", "title", "tracknumber"});
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/vorbis_tags.h"

TVorbisTags::TVorbisTags() {
    AddTags({"album", "artist", "date", "genre", "title", "tracknumber"});
}

void TVorbisTags::SetPicture(const TagBytes& body) {
    AddTag(kPictureName);
    SetValue(kPictureName, body);
}

std::vector<std::pair<std::string, std::string>> TVorbisTags::Comments() const {
    std::vector<std::pair<std::string, std::string>> comments;
    for (int index = 0; index < Count(); ++index) {
        const std::string name = Names(index);
        const std::string value = AsString(name);
        if (!value.empty()) {
            comments.emplace_back(name, value);
        }
    }
    return comments;
}

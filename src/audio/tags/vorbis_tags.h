// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audio/tags/au_tags.h"

// The Vorbis comment names with typed properties; the Ogg Vorbis and FLAC
// outputs turn the name/value pairs into the file's comments. Further names
// are defined with AddTag. The front cover travels as bytes under
// kPictureName: the Ogg Vorbis output writes it as a METADATA_BLOCK_PICTURE
// comment, the FLAC output as a PICTURE block. No file operations of its
// own. Used on one thread at a time.
class TVorbisTags : public TAuTags {
public:
    static constexpr std::string_view kPictureName = "metadata_block_picture";

    TVorbisTags();

    [[nodiscard]] std::u16string Album() const { return AsWideString("album"); }
    void SetAlbum(const std::u16string& v) { SetValue("album", v); }
    [[nodiscard]] std::u16string Artist() const { return AsWideString("artist"); }
    void SetArtist(const std::u16string& v) { SetValue("artist", v); }
    [[nodiscard]] std::u16string Date() const { return AsWideString("date"); }
    void SetDate(const std::u16string& v) { SetValue("date", v); }
    [[nodiscard]] std::u16string Genre() const { return AsWideString("genre"); }
    void SetGenre(const std::u16string& v) { SetValue("genre", v); }
    [[nodiscard]] std::u16string Title() const { return AsWideString("title"); }
    void SetTitle(const std::u16string& v) { SetValue("title", v); }
    [[nodiscard]] std::u16string Track() const { return AsWideString("tracknumber"); }
    void SetTrack(const std::u16string& v) { SetValue("tracknumber", v); }

    // The body of a FLAC PICTURE block (see flac_picture.h); empty: none.
    [[nodiscard]] TagBytes Picture() const { return AsBytes(kPictureName); }
    // Defines kPictureName on first use.
    void SetPicture(const TagBytes& body);

    // Every name with a text value, and the value in UTF-8, in the
    // container's name order: the comments of a file.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> Comments() const;
};

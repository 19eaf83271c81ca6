// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "audio/tags/au_tags.h"

inline constexpr std::size_t kId3v2HeaderSize = 10;  // bytes

// The fields of a valid ID3v2 header ("ID3", version 2, 3 or 4).
struct Id3v2Header {
    std::uint8_t Version = 0;
    std::uint8_t Revision = 0;
    std::uint8_t Flags = 0;
    std::uint32_t Size = 0;  // bytes after the header, without a footer (28 bits)
    [[nodiscard]] bool HasFooter() const { return (Flags & 0x10) != 0; }
};

// Checks a 10-byte header: "ID3", a revision below $FF, size bytes below $80
// and only the flag bits its version defines. Pure; nullopt when it is no tag.
[[nodiscard]] std::optional<Id3v2Header> ParseId3v2Header(std::span<const std::uint8_t> bytes);

// The ID3v2 tag: twelve text-like frames under their three-character
// (version 2) and four-character (versions 3 and 4) ids. Properties read and
// write the id set chosen by FourCharIds(). Used on one thread at a time.
class TId3v2Tags : public TAuTags {
public:
    TId3v2Tags();

    [[nodiscard]] bool FourCharIds() const { return m_fourCharIds; }
    void SetFourCharIds(bool value) { m_fourCharIds = value; }

    [[nodiscard]] std::u16string Artist() const { return Get(kArtist); }
    void SetArtist(const std::u16string& v) { Set(kArtist, v); }
    [[nodiscard]] std::u16string Album() const { return Get(kAlbum); }
    void SetAlbum(const std::u16string& v) { Set(kAlbum, v); }
    [[nodiscard]] std::u16string Genre() const { return Get(kGenre); }
    void SetGenre(const std::u16string& v) { Set(kGenre, v); }
    [[nodiscard]] std::u16string Year() const { return Get(kYear); }
    void SetYear(const std::u16string& v) { Set(kYear, v); }
    [[nodiscard]] std::u16string Track() const { return Get(kTrack); }
    void SetTrack(const std::u16string& v) { Set(kTrack, v); }
    [[nodiscard]] std::u16string Title() const { return Get(kTitle); }
    void SetTitle(const std::u16string& v) { Set(kTitle, v); }
    [[nodiscard]] std::u16string Comment() const { return Get(kComment); }
    void SetComment(const std::u16string& v) { Set(kComment, v); }
    [[nodiscard]] std::u16string Composer() const { return Get(kComposer); }
    void SetComposer(const std::u16string& v) { Set(kComposer, v); }
    [[nodiscard]] std::u16string Encoder() const { return Get(kEncoder); }
    void SetEncoder(const std::u16string& v) { Set(kEncoder, v); }
    [[nodiscard]] std::u16string Copyright() const { return Get(kCopyright); }
    void SetCopyright(const std::u16string& v) { Set(kCopyright, v); }
    [[nodiscard]] std::u16string Language() const { return Get(kLanguage); }
    void SetLanguage(const std::u16string& v) { Set(kLanguage, v); }
    [[nodiscard]] std::u16string Link() const { return Get(kLink); }
    void SetLink(const std::u16string& v) { Set(kLink, v); }

    // Reads the frames that follow a header (body = the header's Size bytes).
    // Sets FourCharIds() from the version. Returns the bytes consumed; less
    // than body.size() when reading stopped early (padding, a bad frame).
    std::size_t ParseFrames(const Id3v2Header& header, std::span<const std::uint8_t> body);
    // The whole tag as written to a file: a version 3 header and the ten
    // frames of the four-character ids other than year and comment, text
    // in Latin-1 (encoding 0) or UTF-16LE (encoding 1). Empty when the frames
    // exceed the 28-bit size field.
    [[nodiscard]] std::vector<std::uint8_t> Render(bool unicode) const;

    // Checks for a header at the current file position, which is not moved.
    [[nodiscard]] bool TagPresent(int fd) override;
    // Clear, then read the tag at the current file position. Afterwards the
    // position is the tag's end, or the first frame when reading stopped
    // early. Returns whether a tag was found.
    [[nodiscard]] bool ReadFromFile(int fd) override;
    // Inserts a new tag in front of the file's content (an existing tag is
    // kept behind it); the content is moved in bounded pieces. Returns whether
    // every step succeeded.
    [[nodiscard]] bool WriteToFile(int fd, bool unicode) override;

private:
    enum Field {
        kArtist,
        kAlbum,
        kGenre,
        kYear,
        kTrack,
        kTitle,
        kComment,
        kComposer,
        kEncoder,
        kCopyright,
        kLanguage,
        kLink
    };
    [[nodiscard]] std::u16string Get(Field field) const;
    void Set(Field field, const std::u16string& value);
    [[nodiscard]] const char* Id(Field field) const;

    bool m_fourCharIds = true;
};

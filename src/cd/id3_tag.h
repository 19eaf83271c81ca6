// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tid3tag writes a 128-byte ID3v1 tag (ID3v1.1 with a track number when one is
// set) at the end of an existing MP3 file, replacing an ID3v1 tag already
// there. Texts are UTF-8 in memory and ISO-8859-1 in the file; characters
// outside ISO-8859-1 are written as '?'. The bytes are those of the tag
// containers' ID3v1 renderer (audio/tags/id3v1_tags.h).
//
// Used on one thread at a time (the GUI thread in the program).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "audio/tags/id3v1_genres.h"
#include "audio/tags/id3v1_tags.h"

inline constexpr std::size_t kId3TagBytes = kId3v1RecordSize;

// WriteTag results: the error code sits in the high byte, 0 is success.
inline constexpr std::uint16_t kId3FileMissing = 1 << 8;  // missing or could not be opened
inline constexpr std::uint16_t kId3ReadOnly = 2 << 8;     // no write permission bit set
inline constexpr std::uint16_t kId3ReadFailed = 3 << 8;
inline constexpr std::uint16_t kId3WriteFailed = 4 << 8;
inline constexpr std::uint16_t kId3OtherIoError = 5 << 8;

class Tid3tag {
public:
    // Each setter keeps the first 30 characters (Year: 4).
    void SetTitle(std::string_view text);
    void SetArtist(std::string_view text);
    void SetAlbum(std::string_view text);
    void SetYear(std::string_view text);
    void SetComment(std::string_view text);
    // A non-zero track number selects the ID3v1.1 layout.
    void SetTrack(std::uint8_t track);
    void SetGenre(std::uint8_t genre) { m_genre = genre; }

    const std::string& Title() const { return m_title; }
    const std::string& Artist() const { return m_artist; }
    const std::string& Album() const { return m_album; }
    const std::string& Year() const { return m_year; }
    const std::string& Comment() const { return m_comment; }
    std::uint8_t Track() const { return m_track; }
    bool HasTrack() const { return m_hasTrack; }
    std::uint8_t Genre() const { return m_genre; }
    const std::string& LastFileName() const { return m_lastFileName; }

    // The 128 tag bytes for the current fields.
    [[nodiscard]] std::array<std::uint8_t, kId3TagBytes> Render() const;

    // Writes the tag to fileName, or to LastFileName when fileName is "=".
    // Returns 0 or one of the kId3... codes; the file is untouched unless the
    // final write itself fails. LastFileName changes only on success.
    [[nodiscard]] std::uint16_t WriteTag(const std::string& fileName);

private:
    bool m_hasTrack = false;
    std::string m_lastFileName;
    std::string m_title;
    std::string m_artist;
    std::string m_album;
    std::string m_year;
    std::string m_comment;
    std::uint8_t m_genre = kId3NoGenre;
    std::uint8_t m_track = 0;
};

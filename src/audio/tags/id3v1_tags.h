// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "audio/tags/au_tags.h"
#include "audio/tags/id3v1_genres.h"

// Position in the ID3v1 genre list, 0..147.
using TId3v1TagsGenreId = std::uint8_t;

inline constexpr std::size_t kId3v1RecordSize = 128;  // bytes at the end of the file

// The fields of one ID3v1 record as written: UTF-8 texts, each cut to its
// field once in Latin-1 (title, artist, album, comment 30 bytes, year 4), a
// track number (non-zero selects ID3v1.1, leaving the comment 28 bytes) and
// the genre byte as stored.
struct TId3v1Record {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t Track = 0;
    std::uint8_t Genre = kId3NoGenre;
};

// The 128 bytes of a record: "TAG", the fields zero-padded, the genre last.
[[nodiscard]] std::array<std::uint8_t, kId3v1RecordSize> RenderId3v1Record(
    const TId3v1Record& fields);

// The ID3v1 tag: title, artist, album, year, comment, track and genre, stored
// as a 128-byte record at the end of a file. Text is UTF-8 in memory and
// Latin-1 in the file. Used on one thread at a time (see TAuTags).
class TId3v1Tags : public TAuTags {
public:
    TId3v1Tags();

    [[nodiscard]] std::string Title() const { return AsString("title"); }
    void SetTitle(const std::string& value) { SetValue("title", value); }
    [[nodiscard]] std::string Artist() const { return AsString("artist"); }
    void SetArtist(const std::string& value) { SetValue("artist", value); }
    [[nodiscard]] std::string Album() const { return AsString("album"); }
    void SetAlbum(const std::string& value) { SetValue("album", value); }
    [[nodiscard]] std::uint16_t Year() const;
    void SetYear(std::uint16_t value) { SetValue("year", std::int64_t{value}); }
    [[nodiscard]] std::string Comment() const { return AsString("comment"); }
    void SetComment(const std::string& value) { SetValue("comment", value); }
    [[nodiscard]] std::uint8_t Track() const;
    void SetTrack(std::uint8_t value) { SetValue("track", std::int64_t{value}); }
    // The list name at GenreId().
    [[nodiscard]] std::string Genre() const;
    // Trims the text and looks it up in the list ignoring case; unknown
    // names leave the genre unchanged.
    void SetGenre(std::string_view name);
    // A stored value outside the list reads as 12 ("Other").
    [[nodiscard]] TId3v1TagsGenreId GenreId() const;
    void SetGenreId(TId3v1TagsGenreId value) { SetValue("genre", std::int64_t{value}); }

    // Fills the container from a record (record must hold "TAG"); see the .cpp.
    void Parse(std::span<const std::uint8_t, kId3v1RecordSize> record);
    [[nodiscard]] std::array<std::uint8_t, kId3v1RecordSize> Render() const;

    // Reads the last 128 bytes of the file; the file position is not moved.
    [[nodiscard]] bool TagPresent(int fd) override;
    // Clear, then read the record when present; returns whether one was read.
    [[nodiscard]] bool ReadFromFile(int fd) override;
    // Appends a new record at the end of the file (an existing one is kept);
    // returns whether all 128 bytes were written. `unicode` is unused.
    [[nodiscard]] bool WriteToFile(int fd, bool unicode) override;
};

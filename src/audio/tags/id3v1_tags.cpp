// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/id3v1_tags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "audio/tags/au_tag_text.h"

namespace {

constexpr std::uint8_t kOtherGenre = 12;

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlankOrControl(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlankOrControl(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A text field: up to the first zero byte (writers pad with zeros), trimmed,
// Latin-1 converted to UTF-8.
std::string ReadField(std::span<const std::uint8_t> bytes) {
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    raw = raw.substr(0, raw.find('\0'));
    return Latin1ToUtf8(Trim(raw));
}

void WriteField(std::span<std::uint8_t> dest, const std::string& utf8) {
    const std::string latin1 = Utf8ToLatin1(utf8);
    std::memcpy(dest.data(), latin1.data(), std::min(latin1.size(), dest.size()));
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) {
                   return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(x) == lower(y);
           });
}

// Reads the last record of the file without moving the file position.
bool ReadRecord(int fd, std::array<std::uint8_t, kId3v1RecordSize>& record) {
    struct stat info {};
    if (fd == -1 || fstat(fd, &info) != 0 || info.st_size < static_cast<off_t>(kId3v1RecordSize)) {
        return false;
    }
    const off_t offset = info.st_size - static_cast<off_t>(kId3v1RecordSize);
    return pread(fd, record.data(), record.size(), offset) == static_cast<ssize_t>(record.size()) &&
           std::memcmp(record.data(), "TAG", 3) == 0;
}

}  // namespace

TId3v1Tags::TId3v1Tags() {
    AddTags({"artist", "album", "genre", "year", "track", "title", "comment"});
}

std::uint16_t TId3v1Tags::Year() const {
    return static_cast<std::uint16_t>(AsInteger("year"));
}

std::uint8_t TId3v1Tags::Track() const {
    return static_cast<std::uint8_t>(AsInteger("track"));
}

TId3v1TagsGenreId TId3v1Tags::GenreId() const {
    const std::int64_t stored = AsInteger("genre");
    return (stored < 0 || stored >= kId3v1GenreCount) ? kOtherGenre
                                                      : static_cast<TId3v1TagsGenreId>(stored);
}

std::string TId3v1Tags::Genre() const {
    return std::string(Id3v1GenreNames()[GenreId()]);
}

void TId3v1Tags::SetGenre(std::string_view name) {
    name = Trim(name);
    const auto& names = Id3v1GenreNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (EqualNoCase(names[i], name)) {
            SetGenreId(static_cast<TId3v1TagsGenreId>(i));
            return;
        }
    }
}

void TId3v1Tags::Parse(std::span<const std::uint8_t, kId3v1RecordSize> record) {
    SetTitle(ReadField(record.subspan(3, 30)));
    SetArtist(ReadField(record.subspan(33, 30)));
    SetAlbum(ReadField(record.subspan(63, 30)));
    const std::string yearText = ReadField(record.subspan(93, 4));
    unsigned year = 0;
    const auto [end, ec] =
        std::from_chars(yearText.data(), yearText.data() + yearText.size(), year);
    const bool isNumber = ec == std::errc() && end == yearText.data() + yearText.size();
    SetYear(static_cast<std::uint16_t>(isNumber ? year : 0));
    // ID3v1.1 keeps a track number in the last two comment bytes; some
    // writers pad with spaces instead of zeros.
    const bool hasTrack =
        (record[125] == 0 && record[126] != 0) || (record[125] == ' ' && record[126] != ' ');
    if (hasTrack) {
        SetComment(ReadField(record.subspan(97, 28)));
        SetTrack(record[126]);
    } else {
        SetComment(ReadField(record.subspan(97, 30)));
        SetTrack(0);
    }
    SetGenreId(record[127]);
}

std::array<std::uint8_t, kId3v1RecordSize> RenderId3v1Record(const TId3v1Record& fields) {
    std::array<std::uint8_t, kId3v1RecordSize> record{};
    std::memcpy(record.data(), "TAG", 3);
    const std::span<std::uint8_t> out(record);
    WriteField(out.subspan(3, 30), fields.Title);
    WriteField(out.subspan(33, 30), fields.Artist);
    WriteField(out.subspan(63, 30), fields.Album);
    WriteField(out.subspan(93, 4), fields.Year);
    WriteField(out.subspan(97, fields.Track != 0 ? 28 : 30), fields.Comment);
    if (fields.Track != 0) {
        record[126] = fields.Track;
    }
    record[127] = fields.Genre;
    return record;
}

std::array<std::uint8_t, kId3v1RecordSize> TId3v1Tags::Render() const {
    return RenderId3v1Record(
        {Title(), Artist(), Album(), std::to_string(Year()), Comment(), Track(), GenreId()});
}

bool TId3v1Tags::TagPresent(int fd) {
    std::array<std::uint8_t, kId3v1RecordSize> record{};
    return ReadRecord(fd, record);
}

bool TId3v1Tags::ReadFromFile(int fd) {
    if (!TAuTags::ReadFromFile(fd)) {
        return false;
    }
    std::array<std::uint8_t, kId3v1RecordSize> record{};
    if (!ReadRecord(fd, record)) {
        return false;
    }
    Parse(record);
    return true;
}

bool TId3v1Tags::WriteToFile(int fd, bool /*unicode*/) {
    if (fd == -1 || lseek(fd, 0, SEEK_END) < 0) {
        return false;
    }
    const auto record = Render();
    return write(fd, record.data(), record.size()) == static_cast<ssize_t>(record.size());
}

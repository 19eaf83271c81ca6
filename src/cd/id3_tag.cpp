// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/id3_tag.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "cd/file_descriptor.h"

namespace {

constexpr std::size_t kTextChars = 30;
constexpr std::size_t kYearChars = 4;
constexpr std::size_t kTrackFormCommentBytes = 28;

constexpr std::size_t kTitleOffset = 3;
constexpr std::size_t kArtistOffset = 33;
constexpr std::size_t kAlbumOffset = 63;
constexpr std::size_t kYearOffset = 93;
constexpr std::size_t kCommentOffset = 97;
constexpr std::size_t kTrackOffset = 126;
constexpr std::size_t kGenreOffset = 127;

constexpr char32_t kInvalidChar = 0xFFFFFFFF;

// Decodes the UTF-8 character at text[pos]. Returns its length in bytes and
// sets codePoint; a malformed sequence counts as one byte with kInvalidChar.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    codePoint = kInvalidChar;
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 1;
    }
    if (pos + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return 1;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    if (value < minimum || value > 0x10FFFF || surrogate) {
        return 1;
    }
    codePoint = value;
    return length;
}

// The first maxChars characters of a UTF-8 text.
std::string FirstCharacters(std::string_view text, std::size_t maxChars) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < maxChars && pos < text.size(); ++count) {
        char32_t ignored = 0;
        pos += DecodeUtf8(text, pos, ignored);
    }
    return std::string(text.substr(0, pos));
}

// ISO-8859-1 bytes of a UTF-8 text; anything else becomes '?'.
std::string ToLatin1(std::string_view text) {
    std::string bytes;
    for (std::size_t pos = 0; pos < text.size();) {
        char32_t codePoint = 0;
        pos += DecodeUtf8(text, pos, codePoint);
        bytes.push_back(codePoint <= 0xFF ? static_cast<char>(codePoint) : '?');
    }
    return bytes;
}

void PutText(std::array<std::uint8_t, kId3TagBytes>& tag, std::size_t offset,
             std::size_t fieldBytes, std::string_view text) {
    const std::string bytes = ToLatin1(text);
    const std::size_t count = std::min(bytes.size(), fieldBytes);
    std::copy_n(bytes.begin(), count, tag.begin() + static_cast<std::ptrdiff_t>(offset));
}

bool AnyWriteBit(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace

void Tid3tag::SetTitle(std::string_view text) {
    m_title = FirstCharacters(text, kTextChars);
}

void Tid3tag::SetArtist(std::string_view text) {
    m_artist = FirstCharacters(text, kTextChars);
}

void Tid3tag::SetAlbum(std::string_view text) {
    m_album = FirstCharacters(text, kTextChars);
}

void Tid3tag::SetYear(std::string_view text) {
    m_year = FirstCharacters(text, kYearChars);
}

void Tid3tag::SetComment(std::string_view text) {
    m_comment = FirstCharacters(text, kTextChars);
}

void Tid3tag::SetTrack(std::uint8_t track) {
    m_track = track;
    m_hasTrack = track != 0;
}

std::array<std::uint8_t, kId3TagBytes> Tid3tag::Render() const {
    std::array<std::uint8_t, kId3TagBytes> tag{};
    tag[0] = 'T', tag[1] = 'A', tag[2] = 'G';
    PutText(tag, kTitleOffset, kTextChars, m_title);
    PutText(tag, kArtistOffset, kTextChars, m_artist);
    PutText(tag, kAlbumOffset, kTextChars, m_album);
    PutText(tag, kYearOffset, kYearChars, m_year);
    if (m_hasTrack && m_track != 0) {
        // ID3v1.1: the comment's last two bytes hold a zero and the track.
        PutText(tag, kCommentOffset, kTrackFormCommentBytes, m_comment);
        tag[kTrackOffset] = m_track;
    } else {
        PutText(tag, kCommentOffset, kTextChars, m_comment);
    }
    tag[kGenreOffset] = m_genre;
    return tag;
}

std::uint16_t Tid3tag::WriteTag(const std::string& fileName) {
    const std::string path = fileName == "=" ? m_lastFileName : fileName;
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kId3FileMissing;
    }
    // Root may write any file, so the permission bits decide, not access().
    if (!AnyWriteBit(info.st_mode)) {
        return kId3ReadOnly;
    }
    FileDescriptor file(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    // A shared lock lets readers in but fails while a writer holds the
    // exclusive lock, and keeps such writers out while the tag is written.
    if (!file.IsOpen() || ::flock(file.Get(), LOCK_SH | LOCK_NB) != 0) {
        return kId3FileMissing;
    }
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return kId3OtherIoError;
    }

    const off_t size = info.st_size;
    off_t position = size;
    if (size >= static_cast<off_t>(kId3TagBytes)) {
        std::array<std::uint8_t, kId3TagBytes> last{};
        const off_t lastStart = size - static_cast<off_t>(kId3TagBytes);
        if (ReadAt(file.Get(), last, lastStart) != static_cast<std::int64_t>(last.size())) {
            return kId3ReadFailed;
        }
        if (last[0] == 'T' && last[1] == 'A' && last[2] == 'G') {
            position = lastStart;
        }
    }

    if (!WriteAt(file.Get(), Render(), position)) {
        if (position == size) {
            // Drop a partly appended tag so the file keeps its old length.
            (void)::ftruncate(file.Get(), size);
        }
        return kId3WriteFailed;
    }
    m_lastFileName = path;
    return 0;
}

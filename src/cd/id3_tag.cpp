// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/id3_tag.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "audio/core/file_descriptor.h"
#include "audio/tags/au_tag_text.h"

namespace {

constexpr std::size_t kTextChars = 30;
constexpr std::size_t kYearChars = 4;

bool AnyWriteBit(mode_t mode) {
    return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
}

}  // namespace

void Tid3tag::SetTitle(std::string_view text) {
    m_title = Utf8Prefix(text, kTextChars);
}

void Tid3tag::SetArtist(std::string_view text) {
    m_artist = Utf8Prefix(text, kTextChars);
}

void Tid3tag::SetAlbum(std::string_view text) {
    m_album = Utf8Prefix(text, kTextChars);
}

void Tid3tag::SetYear(std::string_view text) {
    m_year = Utf8Prefix(text, kYearChars);
}

void Tid3tag::SetComment(std::string_view text) {
    m_comment = Utf8Prefix(text, kTextChars);
}

void Tid3tag::SetTrack(std::uint8_t track) {
    m_track = track;
    m_hasTrack = track != 0;
}

std::array<std::uint8_t, kId3TagBytes> Tid3tag::Render() const {
    return RenderId3v1Record({m_title, m_artist, m_album, m_year, m_comment,
                              m_hasTrack ? m_track : std::uint8_t{0}, m_genre});
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

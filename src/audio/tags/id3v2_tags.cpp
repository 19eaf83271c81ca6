// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/id3v2_tags.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string_view>

#include "audio/tags/au_tag_text.h"

namespace {

struct FieldIds {
    const char* Four;
    const char* Three;
};

// Indexed by TId3v2Tags::Field.
constexpr std::array<FieldIds, 12> kFieldIds = {{{"TPE1", "TP1"},
                                                 {"TALB", "TAL"},
                                                 {"TCON", "TCO"},
                                                 {"TYER", "TYE"},
                                                 {"TRCK", "TRK"},
                                                 {"TIT2", "TT2"},
                                                 {"COMM", "COM"},
                                                 {"TCOM", "TCM"},
                                                 {"TENC", "TEN"},
                                                 {"TCOP", "TCR"},
                                                 {"TLAN", "TLA"},
                                                 {"WXXX", "WXX"}}};

// Frames written, in this order; year and comment are never written.
constexpr std::array<const char*, 10> kWrittenIds = {"TIT2", "TPE1", "TALB", "TRCK", "TCON",
                                                     "TCOM", "TENC", "TCOP", "TLAN", "WXXX"};

constexpr std::uint32_t kMaxSyncsafe = (1u << 28) - 1;
constexpr std::size_t kMovePiece = 1 << 20;  // bytes moved per read/write when inserting

std::uint32_t BigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t b : bytes) {
        value = (value << 8) | b;
    }
    return value;
}

std::uint32_t Syncsafe(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (const std::uint8_t b : bytes) {
        value = (value << 7) | (b & 0x7F);
    }
    return value;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// Encoding 1 is UTF-16 with a byte-order mark; text without one is taken as
// little-endian, as this program writes it. Stops at the first zero unit.
std::u16string DecodeUtf16Text(std::span<const std::uint8_t> bytes) {
    bool bigEndian = false;
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        bytes = bytes.subspan(2);
    } else if (bytes.size() >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) {
        bigEndian = true;
        bytes = bytes.subspan(2);
    }
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(bigEndian ? (bytes[i] << 8) | bytes[i + 1]
                                                          : bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) {
            break;
        }
        text.push_back(unit);
    }
    return text;
}

std::string DecodeLatin1Text(std::span<const std::uint8_t> bytes) {
    std::string_view raw(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return Latin1ToUtf8(raw.substr(0, raw.find('\0')));
}

bool ReadAll(int fd, std::uint8_t* data, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t got = pread(fd, data, count, offset);
        if (got <= 0) {
            return false;
        }
        data += got;
        count -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t put = pwrite(fd, data, count, offset);
        if (put <= 0) {
            return false;
        }
        data += put;
        count -= static_cast<std::size_t>(put);
        offset += put;
    }
    return true;
}

// Moves bytes [0, size) of the file `distance` bytes towards its end,
// last piece first so nothing is overwritten before it has been read.
bool MoveContent(int fd, off_t size, off_t distance) {
    std::vector<std::uint8_t> piece(kMovePiece);
    off_t end = size;
    while (end > 0) {
        const auto count = static_cast<std::size_t>(std::min<off_t>(end, kMovePiece));
        const off_t start = end - static_cast<off_t>(count);
        if (!ReadAll(fd, piece.data(), count, start) ||
            !WriteAll(fd, piece.data(), count, start + distance)) {
            return false;
        }
        end = start;
    }
    return true;
}

}  // namespace

std::optional<Id3v2Header> ParseId3v2Header(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kId3v2HeaderSize || std::memcmp(bytes.data(), "ID3", 3) != 0 ||
        bytes[4] == 0xFF) {
        return std::nullopt;
    }
    for (std::size_t i = 6; i < 10; ++i) {
        if (bytes[i] >= 0x80) {
            return std::nullopt;
        }
    }
    const std::uint8_t version = bytes[3];
    const std::uint8_t flags = bytes[5];
    // Flag bits each version defines, from the top: 2 bits, 3 bits, 4 bits.
    std::uint8_t allowed = 0;
    if (version == 2) {
        allowed = 0xC0;
    } else if (version == 3) {
        allowed = 0xE0;
    } else if (version == 4) {
        allowed = 0xF0;
    } else {
        return std::nullopt;
    }
    if ((flags & ~allowed) != 0) {
        return std::nullopt;
    }
    return Id3v2Header{version, bytes[4], flags, Syncsafe(bytes.subspan(6, 4))};
}

TId3v2Tags::TId3v2Tags() {
    AddTags({"TT2",  "TP1",  "TAL",  "TRK",  "TYE",  "TCO",  "COM",  "TCM",
             "TEN",  "TCR",  "TLA",  "WXX",  "TIT2", "TPE1", "TALB", "TRCK",
             "TYER", "TCON", "COMM", "TCOM", "TENC", "TCOP", "TLAN", "WXXX"});
}

const char* TId3v2Tags::Id(Field field) const {
    return m_fourCharIds ? kFieldIds[field].Four : kFieldIds[field].Three;
}

std::u16string TId3v2Tags::Get(Field field) const {
    return AsWideString(Id(field));
}

void TId3v2Tags::Set(Field field, const std::u16string& value) {
    SetValue(Id(field), value);
}

std::size_t TId3v2Tags::ParseFrames(const Id3v2Header& header, std::span<const std::uint8_t> body) {
    m_fourCharIds = header.Version != 2;
    const std::size_t idLength = m_fourCharIds ? 4 : 3;
    const std::size_t frameHeader = m_fourCharIds ? 10 : 6;
    std::size_t offset = 0;
    while (offset + frameHeader <= body.size()) {
        const auto frame = body.subspan(offset, frameHeader);
        if (frame[0] < 'A' || frame[0] > 'Z') {
            break;
        }
        const std::string id(reinterpret_cast<const char*>(frame.data()), idLength);
        std::uint32_t size = 0;
        if (!m_fourCharIds) {
            size = BigEndian(frame.subspan(3, 3));
        } else if ((frame[4] & 0x80) != 0) {
            offset += frameHeader;  // an invalid size: skip the header alone
            continue;
        } else {
            // Version 4 frame sizes are syncsafe; version 3 sizes are plain.
            size = header.Version == 4 ? Syncsafe(frame.subspan(4, 4))
                                       : BigEndian(frame.subspan(4, 4));
        }
        if (size > body.size() - offset - frameHeader) {
            break;
        }
        offset += frameHeader;
        const auto content = body.subspan(offset, size);
        offset += size;
        if (size == 0) {
            continue;
        }
        for (int field = 0; field < static_cast<int>(kFieldIds.size()); ++field) {
            if (field == kYear || field == kComment || id != Id(static_cast<Field>(field))) {
                continue;
            }
            if (content[0] == 0) {
                SetValue(id, DecodeLatin1Text(content.subspan(1)));
            } else if (content[0] == 1) {
                SetValue(id, DecodeUtf16Text(content.subspan(1)));
            }
        }
    }
    return offset;
}

std::vector<std::uint8_t> TId3v2Tags::Render(bool unicode) const {
    std::vector<std::uint8_t> frames;
    for (const char* id : kWrittenIds) {
        std::vector<std::uint8_t> text;
        if (unicode) {
            for (const char16_t unit : AsWideString(id)) {
                text.push_back(static_cast<std::uint8_t>(unit & 0xFF));
                text.push_back(static_cast<std::uint8_t>(unit >> 8));
            }
            text.insert(text.end(), {0, 0});
        } else {
            const std::string latin1 = Utf8ToLatin1(AsString(id));
            text.assign(latin1.begin(), latin1.end());
            text.push_back(0);
        }
        frames.insert(frames.end(), id, id + 4);
        PutBigEndian(frames, static_cast<std::uint32_t>(text.size() + 1));
        frames.insert(frames.end(), {0, 0, static_cast<std::uint8_t>(unicode ? 1 : 0)});
        frames.insert(frames.end(), text.begin(), text.end());
    }
    if (frames.size() > kMaxSyncsafe) {
        return {};
    }
    const auto size = static_cast<std::uint32_t>(frames.size());
    std::vector<std::uint8_t> tag = {'I', 'D', '3', 3, 0, 0};
    for (int shift = 21; shift >= 0; shift -= 7) {
        tag.push_back(static_cast<std::uint8_t>((size >> shift) & 0x7F));
    }
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

bool TId3v2Tags::TagPresent(int fd) {
    std::array<std::uint8_t, kId3v2HeaderSize> bytes{};
    const off_t position = fd == -1 ? -1 : lseek(fd, 0, SEEK_CUR);
    return position >= 0 && ReadAll(fd, bytes.data(), bytes.size(), position) &&
           ParseId3v2Header(bytes).has_value();
}

bool TId3v2Tags::ReadFromFile(int fd) {
    if (!TAuTags::ReadFromFile(fd)) {
        return false;
    }
    std::array<std::uint8_t, kId3v2HeaderSize> bytes{};
    struct stat info {};
    const off_t position = lseek(fd, 0, SEEK_CUR);
    if (position < 0 || fstat(fd, &info) != 0 ||
        !ReadAll(fd, bytes.data(), bytes.size(), position)) {
        return false;
    }
    const auto header = ParseId3v2Header(bytes);
    if (!header) {
        return false;
    }
    m_fourCharIds = header->Version != 2;
    const off_t framesStart = position + static_cast<off_t>(kId3v2HeaderSize);
    const off_t tagEnd = framesStart + header->Size + (header->HasFooter() ? 10 : 0);
    if (tagEnd > info.st_size) {
        return false;
    }
    std::vector<std::uint8_t> body(header->Size);
    if (!ReadAll(fd, body.data(), body.size(), framesStart)) {
        return false;
    }
    const bool complete = ParseFrames(*header, body) == body.size();
    lseek(fd, complete ? tagEnd : framesStart, SEEK_SET);
    return true;
}

bool TId3v2Tags::WriteToFile(int fd, bool unicode) {
    struct stat info {};
    if (fd == -1 || fstat(fd, &info) != 0) {
        return false;
    }
    const std::vector<std::uint8_t> tag = Render(unicode);
    return !tag.empty() && MoveContent(fd, info.st_size, static_cast<off_t>(tag.size())) &&
           WriteAll(fd, tag.data(), tag.size(), 0);
}

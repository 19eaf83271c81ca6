// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Tags in finished audio files, through TagLib. TagLib, rather than our own
// writers, puts tags into a file once its encoder has finished it: it inserts
// and updates ID3v2 tags with padding (so a later edit happens in place),
// APEv2 tags, and ASF attributes, including WM/Picture and values over
// 64 KiB, which need the Metadata Library object that FFmpeg's ASF muxer
// cannot write; and it can add values, such as album ReplayGain after the
// last track of a rip, to any of our five tagged formats. Our own tag
// containers (au_tags.h and the ID3v1 writer) stay as they are; the ID3v1
// tag at the end of an MP3 is theirs and is never touched here.
//
// Plain functions, no shared state: files may be tagged from several threads
// at once, each file from one thread at a time.

#include <cstdint>
#include <optional>
#include <string>

#include "audio/tags/tag_record.h"

enum class TTaggedFileKind : std::uint8_t { Mp3, OggVorbis, Flac, Ape, Wma };

struct TFileTagOptions {
    int Id3v2Version = 4;  // 4: ID3v2.4 with UTF-8 text; 3: ID3v2.3 with UTF-16; else 4
};

// Merges the record's non-empty fields (and its cover, when it has one) into
// the tags of a finished file, replacing the values of those fields and
// keeping every other tag the file has. MP3 gets an ID3v2 tag only, APE an
// APEv2 tag, WMA ASF attributes, Ogg Vorbis and FLAC Vorbis comments (and a
// picture). Returns the reason in words when the file cannot be read, is not
// a file of that kind or cannot be written (it is then left as it was);
// nullopt on success. A record without fields leaves the file untouched.
[[nodiscard]] std::optional<std::string> MergeFileTags(const std::string& path,
                                                       TTaggedFileKind kind,
                                                       const TTagRecord& record,
                                                       const TFileTagOptions& options);

// The tags a file carries (any kind TagLib reads: MP3, WAV with RIFF INFO or
// an ID3 chunk, WMA, FLAC, ...), as a record; the cover is the front cover,
// else the file's first picture. A file without tags, or one that cannot be
// read, gives an empty record.
[[nodiscard]] TTagRecord ReadFileTags(const std::string& path);

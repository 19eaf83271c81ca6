// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A file's tags as mutagen (Python) reads them: a reader nobody here wrote.

#include <map>
#include <string>

using TTags = std::map<std::string, std::string>;

// Every tag mutagen finds in a file, by key, in a form common to the formats:
// ID3v2 frames by mutagen's key ("TIT2", "TXXX:BARCODE", "COMM::eng",
// "UFID:http://musicbrainz.org") plus "version" ("2.4") and "encodings" (the
// text encodings used, "0,1"), an ID3v1 tag at the end not merged in; APEv2 and ASF items by name;
// Vorbis comments in capitals. A picture is keyed by its type and MIME type
// ("APIC:3:image/jpeg", "Cover Art (Front)", "WM/Picture:3:image/jpeg",
// "PICTURE:3:image/jpeg") with the value "same" when its bytes equal the
// file `cover`. A failure is a test failure.
[[nodiscard]] TTags MutagenTags(const std::string& file, const std::string& cover);

// The kind of tag mutagen reads: Vorbis comments (Ogg, FLAC), ID3v2 (MP3),
// APEv2 (APE), ASF attributes (WMA).
enum class TMutagenKind { Vorbis, Id3v2, Apev2, Asf };

// Fields under their Vorbis names (the front cover as "PICTURE:3:image/jpeg",
// TRACKNUMBER present) as mutagen shows them in a tag of the kind; numbers as
// each kind writes them: "n/N", or ASF's pair of number and index and its
// "n/N" disc.
[[nodiscard]] TTags InMutagenNames(TTags fields, TMutagenKind kind);

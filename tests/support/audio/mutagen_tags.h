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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/mutagen_tags.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/common/run_command.h"

namespace {

// Prints one "key<TAB>value" line per tag of the file named first; the
// second names the cover file pictures are compared with.
constexpr const char* kMutagenDump = R"(
import base64, sys, mutagen
from mutagen.flac import Picture
path, cover = sys.argv[1], open(sys.argv[2], 'rb').read()
f = mutagen.File(path)
def pic(data): return 'same' if data == cover else 'differs, %d bytes' % len(data)
def out(key, value): print('%s\t%s' % (key, value))
def asf_picture(b):
    n = int.from_bytes(b[1:5], 'little'); text = b[5:len(b) - n].decode('utf-16-le')
    mime, desc = text.split('\0')[:2]; data = b[-n:]
    return 'WM/Picture:%d:%s' % (b[0], mime), pic(data)
if isinstance(f.tags, mutagen.id3.ID3):
    tags = mutagen.id3.ID3(path, load_v1=False)
    out('version', '2.%d' % tags.version[1])
    out('encodings', ','.join(sorted({str(int(fr.encoding)) for fr in tags.values() if hasattr(fr, 'encoding')})))
    for fr in tags.values():
        if fr.FrameID == 'APIC': out('APIC:%d:%s' % (fr.type, fr.mime), pic(fr.data))
        elif fr.FrameID == 'UFID': out(fr.HashKey, fr.data.decode())
        else: out(fr.HashKey, '/'.join(str(t) for t in fr.text))
elif f.tags is not None and type(f.tags).__name__ == 'APEv2':
    for k, v in f.tags.items():
        out(k, pic(v.value.split(b'\0', 1)[1]) if v.kind == 1 else str(v))
elif f.tags is not None and type(f.tags).__name__ == 'ASFTags':
    for k, v in f.tags.as_dict().items():
        for a in v:
            out(*asf_picture(a.value)) if k == 'WM/Picture' else out(k, str(a))
else:
    for k, v in (f.tags or []):
        if k.upper() == 'METADATA_BLOCK_PICTURE':
            p = Picture(base64.b64decode(v)); out('PICTURE:%d:%s' % (p.type, p.mime), pic(p.data))
        else: out(k.upper(), v)
    for p in getattr(f, 'pictures', []): out('PICTURE:%d:%s' % (p.type, p.mime), pic(p.data))
)";

}  // namespace

TTags MutagenTags(const std::string& file, const std::string& cover) {
    const CommandResult result = RunPython(kMutagenDump, {file, cover});
    EXPECT_TRUE(result.Ok()) << file;
    TTags tags;
    std::istringstream lines(result.Output);
    for (std::string line; std::getline(lines, line);) {
        const auto tab = line.find('\t');
        tags[line.substr(0, tab)] = line.substr(tab + 1);
    }
    return tags;
}

namespace {

// How mutagen names each field in each kind of tag.
struct FieldNames {
    const char* vorbis;
    const char* id3v2;
    const char* apev2;
    const char* asf;
};
constexpr FieldNames kFieldNames[] = {
    {"TITLE", "TIT2", "Title", "Title"},
    {"ARTIST", "TPE1", "Artist", "Author"},
    {"ALBUM", "TALB", "Album", "WM/AlbumTitle"},
    {"ALBUMARTIST", "TPE2", "Album Artist", "WM/AlbumArtist"},
    {"DATE", "TDRC", "Year", "WM/Year"},
    {"GENRE", "TCON", "Genre", "WM/Genre"},
    {"COMMENT", "COMM::eng", "Comment", "Description"},
    {"ISRC", "TSRC", "ISRC", "WM/ISRC"},
    {"BARCODE", "TXXX:BARCODE", "Barcode", "WM/Barcode"},
    {"MUSICBRAINZ_ALBUMID", "TXXX:MusicBrainz Album Id", "MUSICBRAINZ_ALBUMID",
     "MusicBrainz/Album Id"},
    {"MUSICBRAINZ_RELEASEGROUPID", "TXXX:MusicBrainz Release Group Id",
     "MUSICBRAINZ_RELEASEGROUPID", "MusicBrainz/Release Group Id"},
    {"MUSICBRAINZ_TRACKID", "UFID:http://musicbrainz.org", "MUSICBRAINZ_TRACKID",
     "MusicBrainz/Track Id"},
    {"MUSICBRAINZ_RELEASETRACKID", "TXXX:MusicBrainz Release Track Id",
     "MUSICBRAINZ_RELEASETRACKID", "MusicBrainz/Release Track Id"},
    {"MUSICBRAINZ_DISCID", "TXXX:MusicBrainz Disc Id", "MUSICBRAINZ_DISCID", "MusicBrainz/Disc Id"},
    {"REPLAYGAIN_TRACK_GAIN", "TXXX:REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_TRACK_GAIN",
     "REPLAYGAIN_TRACK_GAIN"},
    {"REPLAYGAIN_TRACK_PEAK", "TXXX:REPLAYGAIN_TRACK_PEAK", "REPLAYGAIN_TRACK_PEAK",
     "REPLAYGAIN_TRACK_PEAK"},
    {"REPLAYGAIN_ALBUM_GAIN", "TXXX:REPLAYGAIN_ALBUM_GAIN", "REPLAYGAIN_ALBUM_GAIN",
     "REPLAYGAIN_ALBUM_GAIN"},
    {"REPLAYGAIN_ALBUM_PEAK", "TXXX:REPLAYGAIN_ALBUM_PEAK", "REPLAYGAIN_ALBUM_PEAK",
     "REPLAYGAIN_ALBUM_PEAK"},
    {"PICTURE:3:image/jpeg", "APIC:3:image/jpeg", "Cover Art (Front)", "WM/Picture:3:image/jpeg"},
};

}  // namespace

TTags InMutagenNames(TTags fields, TMutagenKind kind) {
    if (kind == TMutagenKind::Vorbis) {
        return fields;
    }
    TTags shown;
    for (const FieldNames& names : kFieldNames) {
        if (fields.contains(names.vorbis)) {
            shown[kind == TMutagenKind::Id3v2   ? names.id3v2
                  : kind == TMutagenKind::Apev2 ? names.apev2
                                                : names.asf] = fields.at(names.vorbis);
        }
    }
    const auto slashed = [&](const char* number, const char* total) {
        return fields[number] + (fields[total].empty() ? "" : "/" + fields[total]);
    };
    if (kind == TMutagenKind::Asf) {
        shown["WM/TrackNumber"] = fields["TRACKNUMBER"];
        shown["WM/Track"] = std::to_string(std::stoi(fields["TRACKNUMBER"]) - 1);
    } else {
        shown[kind == TMutagenKind::Id3v2 ? "TRCK" : "Track"] =
            slashed("TRACKNUMBER", "TRACKTOTAL");
    }
    if (!fields["DISCNUMBER"].empty()) {
        shown[kind == TMutagenKind::Id3v2   ? "TPOS"
              : kind == TMutagenKind::Apev2 ? "Disc"
                                            : "WM/PartOfSet"] = slashed("DISCNUMBER", "DISCTOTAL");
    }
    return shown;
}

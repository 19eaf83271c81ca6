// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/file_tags.h"

#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tpropertymap.h>
#include <taglib/uniquefileidentifierframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

namespace {

namespace tl = TagLib;

// The APEv2 item other taggers keep the front cover in: a file name, a NUL,
// then the picture's bytes.
constexpr const char* kApeCoverItem = "Cover Art (Front)";
// The UFID owner whose identifier is the MusicBrainz recording id.
constexpr const char* kMusicBrainzOwner = "http://musicbrainz.org";
constexpr const char* kDefaultCoverType = "image/jpeg";

tl::String Text(const std::string& utf8) {
    return {utf8, tl::String::UTF8};
}

std::string Utf8(const tl::String& text) {
    return text.to8Bit(true);
}

tl::ByteVector Bytes(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), static_cast<unsigned>(bytes.size())};
}

std::vector<std::uint8_t> BytesOf(const tl::ByteVector& bytes) {
    return {bytes.begin(), bytes.end()};
}

std::string CoverTypeOf(const TTagRecord& record) {
    return record.CoverType.empty() ? kDefaultCoverType : record.CoverType;
}

// A name under which a format stores a field, where it differs from the
// field's Vorbis comment name.
struct TRenamedField {
    std::string_view Field;
    const char* Name;
};

template <std::size_t N>
const char* NameIn(const TRenamedField (&names)[N], const std::string& field) {
    const auto found =
        std::ranges::find_if(names, [&](const TRenamedField& n) { return n.Field == field; });
    return found == std::end(names) ? field.c_str() : found->Name;
}

// ---- Opening a file for merging

const char* KindName(TTaggedFileKind kind) {
    switch (kind) {
        case TTaggedFileKind::Mp3:
            return "an MP3";
        case TTaggedFileKind::OggVorbis:
            return "an Ogg Vorbis";
        case TTaggedFileKind::Flac:
            return "a FLAC";
        case TTaggedFileKind::Ape:
            return "an APE";
        case TTaggedFileKind::Wma:
            return "a WMA";
    }
    return "an audio";
}

// Why a file TagLib opened cannot take tags; nullopt when it can. TagLib
// opens files of other kinds (or none) as far as it can, so the kind is
// confirmed by the audio properties it found.
std::optional<std::string> Unwritable(const tl::File& file, TTaggedFileKind kind) {
    if (!file.isOpen()) {
        return "the file cannot be read";
    }
    const tl::AudioProperties* audio = file.audioProperties();
    if (!file.isValid() || audio == nullptr || audio->sampleRate() <= 0) {
        return std::string("this is not ") + KindName(kind) + " file";
    }
    if (file.readOnly()) {
        return "the file cannot be written";
    }
    return std::nullopt;
}

std::optional<std::string> Saved(bool saved) {
    if (saved) {
        return std::nullopt;
    }
    return "the tags could not be written into the file";
}

// ---- ID3v2 (MP3)

namespace id3 = tl::ID3v2;

// Fields with a frame of their own; every other field goes into a TXXX frame
// described by the name below, or by the field's own name.
const std::pair<std::string_view, const char*> kId3TextFrames[] = {
    {"TITLE", "TIT2"},       {"ARTIST", "TPE1"},     {"ALBUM", "TALB"},
    {"ALBUMARTIST", "TPE2"}, {"DATE", "TDRC"},       {"GENRE", "TCON"},
    {"TRACKNUMBER", "TRCK"}, {"DISCNUMBER", "TPOS"}, {"ISRC", "TSRC"},
};
const TRenamedField kId3UserTextNames[] = {
    {"MUSICBRAINZ_ALBUMID", "MusicBrainz Album Id"},
    {"MUSICBRAINZ_RELEASEGROUPID", "MusicBrainz Release Group Id"},
    {"MUSICBRAINZ_RELEASETRACKID", "MusicBrainz Release Track Id"},
    {"MUSICBRAINZ_DISCID", "MusicBrainz Disc Id"},
};

// Removes the frames of an id for which `matches` holds.
template <typename Frame, typename Match>
void RemoveFrames(id3::Tag& tag, const char* id, Match matches) {
    const id3::FrameList frames = tag.frameList(id);  // a copy: removal changes the tag's list
    for (id3::Frame* frame : frames) {
        if (auto* typed = dynamic_cast<Frame*>(frame); typed != nullptr && matches(*typed)) {
            tag.removeFrame(frame);
        }
    }
}

void SetId3Comment(id3::Tag& tag, const std::string& value, tl::String::Type encoding) {
    // Only the plain comment: described comments (players' own data) stay.
    RemoveFrames<id3::CommentsFrame>(
        tag, "COMM", [](const id3::CommentsFrame& f) { return f.description().isEmpty(); });
    auto* frame = new id3::CommentsFrame(encoding);
    frame->setLanguage("eng");
    frame->setText(Text(value));
    tag.addFrame(frame);
}

void SetId3RecordingId(id3::Tag& tag, const std::string& value) {
    RemoveFrames<id3::UniqueFileIdentifierFrame>(
        tag, "UFID",
        [](const id3::UniqueFileIdentifierFrame& f) { return f.owner() == kMusicBrainzOwner; });
    tag.addFrame(new id3::UniqueFileIdentifierFrame(
        kMusicBrainzOwner, tl::ByteVector(value.data(), static_cast<unsigned>(value.size()))));
}

void SetId3UserText(id3::Tag& tag, const tl::String& description, const std::string& value,
                    tl::String::Type encoding) {
    const tl::String wanted = description.upper();
    RemoveFrames<id3::UserTextIdentificationFrame>(tag, "TXXX",
                                                   [&](const id3::UserTextIdentificationFrame& f) {
                                                       return f.description().upper() == wanted;
                                                   });
    tag.addFrame(
        new id3::UserTextIdentificationFrame(description, tl::StringList(Text(value)), encoding));
}

void SetId3Field(id3::Tag& tag, const TTagField& field, tl::String::Type encoding) {
    if (field.Name == "COMMENT") {
        SetId3Comment(tag, field.Value, encoding);
        return;
    }
    if (field.Name == "MUSICBRAINZ_TRACKID") {
        SetId3RecordingId(tag, field.Value);
        return;
    }
    const auto text = std::ranges::find(kId3TextFrames, field.Name,
                                        &std::pair<std::string_view, const char*>::first);
    if (text == std::end(kId3TextFrames)) {
        SetId3UserText(tag, NameIn(kId3UserTextNames, field.Name), field.Value, encoding);
        return;
    }
    tag.removeFrames(text->second);
    auto* frame = new id3::TextIdentificationFrame(text->second, encoding);
    frame->setText(Text(field.Value));
    tag.addFrame(frame);
}

void SetId3Cover(id3::Tag& tag, const TTagRecord& record, tl::String::Type encoding) {
    RemoveFrames<id3::AttachedPictureFrame>(tag, "APIC", [](const id3::AttachedPictureFrame& f) {
        return f.type() == id3::AttachedPictureFrame::FrontCover;
    });
    auto* frame = new id3::AttachedPictureFrame;
    frame->setTextEncoding(encoding);
    frame->setType(id3::AttachedPictureFrame::FrontCover);
    frame->setMimeType(CoverTypeOf(record));
    frame->setPicture(Bytes(record.Cover));
    tag.addFrame(frame);
}

std::optional<std::string> MergeMp3(const std::string& path, const TTagRecord& record,
                                    const TFileTagOptions& options) {
    tl::MPEG::File file(path.c_str());
    if (auto problem = Unwritable(file, TTaggedFileKind::Mp3)) {
        return problem;
    }
    const bool version3 = options.Id3v2Version == 3;
    // Each frame carries its encoding: TagLib's default (Latin-1) is a global
    // that threads tagging files at once would share.
    const tl::String::Type encoding = version3 ? tl::String::UTF16 : tl::String::UTF8;
    id3::Tag& tag = *file.ID3v2Tag(true);
    for (const TTagField& field : TagFieldsOf(record, TNumberStyle::Slashed)) {
        SetId3Field(tag, field, encoding);
    }
    if (!record.Cover.empty()) {
        SetId3Cover(tag, record, encoding);
    }
    // ID3v2 only, nothing stripped or copied between tags: the ID3v1 tag at
    // the end stays byte for byte. TagLib inserts the tag before the first
    // MPEG frame (the encoder's Info frame with the gapless data) and pads
    // it, so a later merge is rewritten in place.
    return Saved(file.save(tl::MPEG::File::ID3v2, tl::File::StripNone, version3 ? id3::v3 : id3::v4,
                           tl::File::DoNotDuplicate));
}

// ---- APEv2

const TRenamedField kApeItemNames[] = {
    {"TITLE", "Title"},     {"ARTIST", "Artist"},
    {"ALBUM", "Album"},     {"ALBUMARTIST", "Album Artist"},
    {"DATE", "Year"},       {"GENRE", "Genre"},
    {"COMMENT", "Comment"}, {"TRACKNUMBER", "Track"},
    {"DISCNUMBER", "Disc"}, {"BARCODE", "Barcode"},
};

std::string CoverFileName(const std::string& mimeType) {
    if (mimeType == "image/png") {
        return "cover.png";
    }
    return "cover.jpg";
}

std::optional<std::string> MergeApe(const std::string& path, const TTagRecord& record) {
    tl::APE::File file(path.c_str());
    if (auto problem = Unwritable(file, TTaggedFileKind::Ape)) {
        return problem;
    }
    tl::APE::Tag& tag = *file.APETag(true);
    for (const TTagField& field : TagFieldsOf(record, TNumberStyle::Slashed)) {
        tag.addValue(NameIn(kApeItemNames, field.Name), Text(field.Value), true);
    }
    if (!record.Cover.empty()) {
        const std::string name = CoverFileName(CoverTypeOf(record));
        tl::ByteVector value(name.c_str(), static_cast<unsigned>(name.size() + 1));  // and its NUL
        value.append(Bytes(record.Cover));
        tag.setItem(kApeCoverItem, tl::APE::Item(kApeCoverItem, value, true));
    }
    return Saved(file.save());
}

// ---- ASF attributes (WMA)

const TRenamedField kAsfAttributeNames[] = {
    {"TITLE", "Title"},
    {"ARTIST", "Author"},
    {"COMMENT", "Description"},
    {"ALBUM", "WM/AlbumTitle"},
    {"ALBUMARTIST", "WM/AlbumArtist"},
    {"DATE", "WM/Year"},
    {"GENRE", "WM/Genre"},
    {"TRACKNUMBER", "WM/TrackNumber"},
    {"DISCNUMBER", "WM/PartOfSet"},
    {"ISRC", "WM/ISRC"},
    {"BARCODE", "WM/Barcode"},
    {"MUSICBRAINZ_ALBUMID", "MusicBrainz/Album Id"},
    {"MUSICBRAINZ_RELEASEGROUPID", "MusicBrainz/Release Group Id"},
    {"MUSICBRAINZ_TRACKID", "MusicBrainz/Track Id"},
    {"MUSICBRAINZ_RELEASETRACKID", "MusicBrainz/Release Track Id"},
    {"MUSICBRAINZ_DISCID", "MusicBrainz/Disc Id"},
};

// FFmpeg's ASF muxer repeats the content description's fields as attributes
// ("Author", "title"): they go with the field, so a field has one value.
void RemoveAsfAttributes(tl::ASF::Tag& tag, const tl::String& name) {
    const tl::String wanted = name.upper();
    tl::StringList names;
    for (const auto& attribute : tag.attributeListMap()) {
        if (attribute.first.upper() == wanted) {
            names.append(attribute.first);
        }
    }
    for (const tl::String& found : names) {
        tag.removeItem(found);
    }
}

void SetAsfField(tl::ASF::Tag& tag, const TTagField& field) {
    // Title, author and description live in the content description object.
    RemoveAsfAttributes(tag, NameIn(kAsfAttributeNames, field.Name));
    if (field.Name == "TITLE") {
        tag.setTitle(Text(field.Value));
    } else if (field.Name == "ARTIST") {
        tag.setArtist(Text(field.Value));
    } else if (field.Name == "COMMENT") {
        tag.setComment(Text(field.Value));
    } else if (field.Name == "TRACKNUMBER") {
        // Players read WM/TrackNumber as a number: the total has no place there.
        const std::string number = field.Value.substr(0, field.Value.find('/'));
        tag.setAttribute("WM/TrackNumber", Text(number));
        // Some writers (ours among them) also keep the number counted from 0.
        if (tag.contains("WM/Track")) {
            tag.setAttribute("WM/Track", tl::String::number(std::stoi(number) - 1));
        }
    } else {
        tag.setAttribute(NameIn(kAsfAttributeNames, field.Name), Text(field.Value));
    }
}

void SetAsfCover(tl::ASF::Tag& tag, const TTagRecord& record) {
    tl::ASF::AttributeList pictures;
    for (const tl::ASF::Attribute& old : tag.attribute("WM/Picture")) {
        if (old.toPicture().type() != tl::ASF::Picture::FrontCover) {
            pictures.append(old);
        }
    }
    tl::ASF::Picture cover;
    cover.setType(tl::ASF::Picture::FrontCover);
    cover.setMimeType(CoverTypeOf(record));
    cover.setPicture(Bytes(record.Cover));
    pictures.append(tl::ASF::Attribute(cover));
    tag.setAttribute("WM/Picture", pictures);
}

std::optional<std::string> MergeWma(const std::string& path, const TTagRecord& record) {
    tl::ASF::File file(path.c_str());
    if (auto problem = Unwritable(file, TTaggedFileKind::Wma)) {
        return problem;
    }
    tl::ASF::Tag& tag = *file.tag();
    for (const TTagField& field : TagFieldsOf(record, TNumberStyle::Slashed)) {
        SetAsfField(tag, field);
    }
    if (!record.Cover.empty()) {
        SetAsfCover(tag, record);
    }
    return Saved(file.save());
}

// ---- Vorbis comments (Ogg Vorbis, FLAC)

void SetXiphFields(tl::Ogg::XiphComment& comment, const TTagRecord& record) {
    for (const TTagField& field : TagFieldsOf(record, TNumberStyle::SeparateTotal)) {
        comment.addField(field.Name, Text(field.Value), true);
    }
}

// A new front cover picture; the caller's container takes ownership.
tl::FLAC::Picture* NewFlacCover(const TTagRecord& record) {
    auto* picture = new tl::FLAC::Picture;
    picture->setType(tl::FLAC::Picture::FrontCover);
    picture->setMimeType(CoverTypeOf(record));
    picture->setData(Bytes(record.Cover));
    return picture;
}

template <typename PictureOwner>
void ReplaceFrontCover(PictureOwner& owner, const TTagRecord& record) {
    for (tl::FLAC::Picture* old : owner.pictureList()) {
        if (old->type() == tl::FLAC::Picture::FrontCover) {
            owner.removePicture(old, true);
        }
    }
    owner.addPicture(NewFlacCover(record));
}

std::optional<std::string> MergeOggVorbis(const std::string& path, const TTagRecord& record) {
    tl::Ogg::Vorbis::File file(path.c_str());
    if (auto problem = Unwritable(file, TTaggedFileKind::OggVorbis)) {
        return problem;
    }
    tl::Ogg::XiphComment& comment = *file.tag();
    SetXiphFields(comment, record);
    if (!record.Cover.empty()) {
        ReplaceFrontCover(comment, record);  // as a METADATA_BLOCK_PICTURE comment
    }
    return Saved(file.save());
}

std::optional<std::string> MergeFlac(const std::string& path, const TTagRecord& record) {
    tl::FLAC::File file(path.c_str());
    if (auto problem = Unwritable(file, TTaggedFileKind::Flac)) {
        return problem;
    }
    SetXiphFields(*file.xiphComment(true), record);
    if (!record.Cover.empty()) {
        ReplaceFrontCover(file, record);  // as a PICTURE block
    }
    // TagLib rewrites the metadata blocks in place while the file's padding
    // holds them.
    return Saved(file.save());
}

// ---- Reading

int IntOf(std::string_view text) {
    int value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

double DoubleOf(std::string_view text) {
    double value = 0;
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);  // from_chars reads no plus sign
    }
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// "3/12" as number and total; a total after no slash stays as it was.
void SetNumberAndTotal(const std::string& text, int& number, int& total) {
    number = IntOf(text);
    if (const auto slash = text.find('/'); slash != std::string::npos) {
        total = IntOf(std::string_view(text).substr(slash + 1));
    }
}

const std::pair<std::string_view, std::string TTagRecord::*> kTextProperties[] = {
    {"TITLE", &TTagRecord::Title},
    {"ARTIST", &TTagRecord::Artist},
    {"ALBUM", &TTagRecord::Album},
    {"ALBUMARTIST", &TTagRecord::AlbumArtist},
    {"DATE", &TTagRecord::Date},
    {"GENRE", &TTagRecord::Genre},
    {"COMMENT", &TTagRecord::Comment},
    {"ISRC", &TTagRecord::Isrc},
    {"BARCODE", &TTagRecord::Barcode},
    {"MUSICBRAINZ_ALBUMID", &TTagRecord::MusicBrainzReleaseId},
    {"MUSICBRAINZ_RELEASEGROUPID", &TTagRecord::MusicBrainzReleaseGroupId},
    {"MUSICBRAINZ_TRACKID", &TTagRecord::MusicBrainzRecordingId},
    {"MUSICBRAINZ_RELEASETRACKID", &TTagRecord::MusicBrainzTrackId},
    {"MUSICBRAINZ_DISCID", &TTagRecord::MusicBrainzDiscId},
};

void SetGain(std::optional<TReplayGain>& gain, const std::string& key, const std::string& value) {
    if (!gain) {
        gain.emplace();
    }
    if (key.ends_with("_GAIN")) {
        gain->GainDb = DoubleOf(value);
    } else {
        gain->Peak = DoubleOf(value);
    }
}

// TagLib gives the MusicBrainz disc id under the names it is stored as.
std::string UnifiedKey(const std::string& key) {
    if (key == "MUSICBRAINZ DISC ID" || key == "MUSICBRAINZ/DISC ID") {
        return "MUSICBRAINZ_DISCID";
    }
    return key;
}

// One property under TagLib's unified names (which are Vorbis comment
// names) into the record.
void SetProperty(TTagRecord& record, const std::string& storedKey, const std::string& value) {
    const std::string key = UnifiedKey(storedKey);
    const auto text = std::ranges::find(
        kTextProperties, key, &std::pair<std::string_view, std::string TTagRecord::*>::first);
    if (text != std::end(kTextProperties)) {
        record.*(text->second) = value;
    } else if (key == "TRACKNUMBER") {
        SetNumberAndTotal(value, record.TrackNumber, record.TrackTotal);
    } else if (key == "DISCNUMBER") {
        SetNumberAndTotal(value, record.DiscNumber, record.DiscTotal);
    } else if (key == "TRACKTOTAL" || key == "TOTALTRACKS") {
        record.TrackTotal = IntOf(value);
    } else if (key == "DISCTOTAL" || key == "TOTALDISCS") {
        record.DiscTotal = IntOf(value);
    } else if (key.starts_with("REPLAYGAIN_TRACK_")) {
        SetGain(record.TrackGain, key, value);
    } else if (key.starts_with("REPLAYGAIN_ALBUM_")) {
        SetGain(record.AlbumGain, key, value);
    }
}

// The fields every tag has, so that tags TagLib maps no further (RIFF INFO)
// still give them.
void SetBasicFields(TTagRecord& record, const tl::Tag& tag) {
    record.Title = Utf8(tag.title());
    record.Artist = Utf8(tag.artist());
    record.Album = Utf8(tag.album());
    record.Comment = Utf8(tag.comment());
    record.Genre = Utf8(tag.genre());
    record.Date = tag.year() > 0 ? std::to_string(tag.year()) : std::string();
    record.TrackNumber = static_cast<int>(tag.track());
}

// Several values of one property are joined.
void SetProperties(TTagRecord& record, const tl::PropertyMap& properties) {
    for (const auto& [key, values] : properties) {
        if (!values.isEmpty()) {
            SetProperty(record, Utf8(key.upper()), Utf8(values.toString("; ")));
        }
    }
}

// Names FFmpeg's ASF muxer stores fields under besides the ones TagLib maps
// (the year as "date", the comment outside the content description).
const std::pair<std::string_view, std::string_view> kAsfFallbacks[] = {
    {"TITLE", "TITLE"},
    {"AUTHOR", "ARTIST"},
    {"DESCRIPTION", "COMMENT"},
    {"DATE", "DATE"},
};

// ASF attributes TagLib does not map to property names: ReplayGain, the disc
// id, and the fallbacks above where the file gave no other value.
void SetAsfProperties(TTagRecord& record, const tl::ASF::Tag& tag) {
    for (const auto& [name, attributes] : tag.attributeListMap()) {
        if (attributes.isEmpty()) {
            continue;
        }
        const std::string key = Utf8(name.upper());
        const std::string value = Utf8(attributes.front().toString());
        const auto fallback = std::ranges::find(
            kAsfFallbacks, key, &std::pair<std::string_view, std::string_view>::first);
        if (fallback != std::end(kAsfFallbacks)) {
            const std::string field(fallback->second);
            const auto fields = TagFieldsOf(record, TNumberStyle::Slashed);
            if (std::ranges::find(fields, field, &TTagField::Name) == fields.end()) {
                SetProperty(record, field, value);
            }
        } else if (key.starts_with("REPLAYGAIN_") || UnifiedKey(key) != key) {
            SetProperty(record, key, value);
        }
    }
}

struct TPicture {
    bool FrontCover = false;
    std::string MimeType;
    tl::ByteVector Data;
};

std::vector<TPicture> Id3Pictures(const id3::Tag* tag) {
    std::vector<TPicture> pictures;
    if (tag == nullptr) {
        return pictures;
    }
    for (id3::Frame* frame : tag->frameList("APIC")) {
        if (auto* apic = dynamic_cast<id3::AttachedPictureFrame*>(frame)) {
            pictures.push_back({apic->type() == id3::AttachedPictureFrame::FrontCover,
                                Utf8(apic->mimeType()), apic->picture()});
        }
    }
    return pictures;
}

std::vector<TPicture> FlacPictures(const tl::List<tl::FLAC::Picture*>& list) {
    std::vector<TPicture> pictures;
    for (const tl::FLAC::Picture* picture : list) {
        pictures.push_back({picture->type() == tl::FLAC::Picture::FrontCover,
                            Utf8(picture->mimeType()), picture->data()});
    }
    return pictures;
}

std::vector<TPicture> AsfPictures(const tl::ASF::Tag& tag) {
    std::vector<TPicture> pictures;
    for (const tl::ASF::Attribute& attribute : tag.attribute("WM/Picture")) {
        const tl::ASF::Picture picture = attribute.toPicture();
        if (picture.isValid()) {
            pictures.push_back({picture.type() == tl::ASF::Picture::FrontCover,
                                Utf8(picture.mimeType()), picture.picture()});
        }
    }
    return pictures;
}

std::vector<TPicture> ApePictures(const tl::APE::Tag* tag) {
    if (tag == nullptr) {
        return {};
    }
    const auto& items = tag->itemListMap();
    const auto item = items.find(tl::String(kApeCoverItem).upper());
    if (item == items.end()) {
        return {};
    }
    const tl::ByteVector value = item->second.binaryData();
    const int nul = value.find('\0');
    if (nul < 0) {
        return {};
    }
    const std::string name(value.data(), static_cast<std::size_t>(nul));
    return {{true, name.ends_with(".png") ? "image/png" : kDefaultCoverType, value.mid(nul + 1)}};
}

std::vector<TPicture> PicturesOf(tl::File& file) {
    if (auto* mpeg = dynamic_cast<tl::MPEG::File*>(&file)) {
        return Id3Pictures(mpeg->ID3v2Tag());
    }
    if (auto* wav = dynamic_cast<tl::RIFF::WAV::File*>(&file)) {
        return Id3Pictures(wav->hasID3v2Tag() ? wav->ID3v2Tag() : nullptr);
    }
    if (auto* flac = dynamic_cast<tl::FLAC::File*>(&file)) {
        return FlacPictures(flac->pictureList());
    }
    if (auto* asf = dynamic_cast<tl::ASF::File*>(&file)) {
        return AsfPictures(*asf->tag());
    }
    if (auto* ape = dynamic_cast<tl::APE::File*>(&file)) {
        return ApePictures(ape->APETag());
    }
    if (auto* xiph = dynamic_cast<tl::Ogg::XiphComment*>(file.tag())) {
        return FlacPictures(xiph->pictureList());
    }
    return {};
}

void SetCover(TTagRecord& record, tl::File& file) {
    const std::vector<TPicture> pictures = PicturesOf(file);
    if (pictures.empty()) {
        return;
    }
    const auto front = std::ranges::find_if(pictures, &TPicture::FrontCover);
    const TPicture& cover = front != pictures.end() ? *front : pictures.front();
    record.Cover = BytesOf(cover.Data);
    record.CoverType = cover.MimeType;
}

}  // namespace

std::optional<std::string> MergeFileTags(const std::string& path, TTaggedFileKind kind,
                                         const TTagRecord& record, const TFileTagOptions& options) {
    if (TagFieldsOf(record, TNumberStyle::Slashed).empty() && record.Cover.empty()) {
        return std::nullopt;
    }
    switch (kind) {
        case TTaggedFileKind::Mp3:
            return MergeMp3(path, record, options);
        case TTaggedFileKind::OggVorbis:
            return MergeOggVorbis(path, record);
        case TTaggedFileKind::Flac:
            return MergeFlac(path, record);
        case TTaggedFileKind::Ape:
            return MergeApe(path, record);
        case TTaggedFileKind::Wma:
            return MergeWma(path, record);
    }
    return "unknown kind of file";
}

TTagRecord ReadFileTags(const std::string& path) {
    TTagRecord record;
    tl::FileRef ref(path.c_str(), false);
    if (ref.isNull()) {
        return record;
    }
    tl::File& file = *ref.file();
    if (const tl::Tag* tag = file.tag()) {
        SetBasicFields(record, *tag);
    }
    SetProperties(record, file.properties());
    if (auto* asf = dynamic_cast<tl::ASF::File*>(&file)) {
        SetAsfProperties(record, *asf->tag());
    }
    SetCover(record, file);
    return record;
}

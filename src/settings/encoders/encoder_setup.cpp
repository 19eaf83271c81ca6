// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encoder_setup.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string_view>

#include "audio/tags/au_tag_text.h"
#include "audio/tags/flac_picture.h"
#include "audio/tags/id3v1_genres.h"

namespace {

// Position in a stored list -> value, or nothing for a position outside it.
template <class Value, std::size_t N>
std::optional<Value> AtPosition(const std::array<Value, N>& list, std::int32_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= N) {
        return std::nullopt;
    }
    return list[static_cast<std::size_t>(position)];
}

using enum TMP3BitRate;
constexpr std::array kConstantBitRates{br48, br56, br64, br80, br96, br128, br192, br256, br320};
constexpr std::array kStereoModes{TMP3Mode::STEREO, TMP3Mode::JOINT_STEREO, TMP3Mode::DUAL_CHANNEL,
                                  TMP3Mode::MONO};
constexpr std::array kQualities{
    TMP3Quality::ql0, TMP3Quality::ql1, TMP3Quality::ql2, TMP3Quality::ql3, TMP3Quality::ql4,
    TMP3Quality::ql5, TMP3Quality::ql6, TMP3Quality::ql7, TMP3Quality::ql8, TMP3Quality::ql9};
// The Ogg bit-rate list of the options dialog (position 0: automatic).
constexpr std::array kOggBitRates{
    TVorbisBitRate::brAutoSelect, TVorbisBitRate::br45,  TVorbisBitRate::br48,
    TVorbisBitRate::br56,         TVorbisBitRate::br64,  TVorbisBitRate::br80,
    TVorbisBitRate::br96,         TVorbisBitRate::br112, TVorbisBitRate::br128,
    TVorbisBitRate::br144,        TVorbisBitRate::br160, TVorbisBitRate::br192,
    TVorbisBitRate::br224,        TVorbisBitRate::br256, TVorbisBitRate::br320};

// CPU usage 1..3 (more) -> milliseconds of rest per block: 11, 6, 1.
int DelayForCpu(std::int32_t cpu) {
    return 16 - 5 * cpu;
}

}  // namespace

void SetupMP3Out(TMP3Out& output, const TOptionsSetting& settings) {
    const TMp3Options& mp3 = settings.Mp3Options;
    output.SetDelay(DelayForCpu(mp3.CPU));
    if (const auto rate = AtPosition(kConstantBitRates, mp3.ConstantBitRate)) {
        output.SetBitRate(*rate);
    }
    output.SetEnableVBR(mp3.IsSelectVBR);
    output.SetWriteVBRHeader(mp3.IsVBRHead);
    if (const auto mode = AtPosition(kStereoModes, mp3.StereoMode)) {
        output.SetMode(*mode);
    }
    output.SetVBRMinBitrate(mp3.BitRate);
    output.SetVBRMaxBitrate(mp3.MaxBitRate);
    if (const auto quality = AtPosition(kQualities, mp3.VBRQuality)) {
        output.SetVBRQuality(*quality);
    }
}

void SetupVorbisOut(TVorbisOut& output, const TOptionsSetting& settings) {
    const TOggOptions& ogg = settings.OggOptions;
    if (ogg.IsUseCompress) {
        output.SetCompression(static_cast<float>(ogg.CompressPosition - 10) / 100.0F);
        output.SetDesiredMaximumBitrate(TVorbisBitRate::brAutoSelect);
        output.SetDesiredNominalBitrate(TVorbisBitRate::brAutoSelect);
        output.SetMinimumBitrate(TVorbisBitRate::brAutoSelect);
    } else {
        // The setters adjust one another, so the order matters.
        if (const auto rate = AtPosition(kOggBitRates, ogg.MaxBitRate)) {
            output.SetDesiredMaximumBitrate(*rate);
        }
        if (const auto rate = AtPosition(kOggBitRates, ogg.NomalBitRate)) {
            output.SetDesiredNominalBitrate(*rate);
        }
        if (const auto rate = AtPosition(kOggBitRates, ogg.MinBitRate)) {
            output.SetMinimumBitrate(*rate);
        }
        output.SetCompression(0.2F);
    }
}

void SetupWMAOut(TWMAOut& output, const TOptionsSetting& settings) {
    const TWMAOptions& wma = settings.WMAOptions;
    output.SetVBR(wma.VBR && output.HasVBRFormats(wma.CodecIndex));
    output.SetCodecPosition(wma.CodecIndex);
    output.SetFormatPosition(wma.FormatIndex);
}

void SetupFLACOut(TFLACOut& output, const TOptionsSetting& settings) {
    output.SetCompressionLevel(settings.FLACOptions.Compression);
}

void SetupMACOut(TMACOut& output, const TOptionsSetting& settings) {
    output.SetDelay(DelayForCpu(settings.APEOptions.CPU));
    output.SetCompressionLevel(settings.APEOptions.Compression);
}

TTagRecord TagsFromDisc(const DiscInfo& disc) {
    const auto genres = GenreListNames();
    const int position = disc.GenrePosition;
    const bool listed = position >= 0 && position < static_cast<int>(genres.size());
    TTagRecord tags;
    tags.Artist = disc.Artist;
    tags.Album = disc.Album;
    tags.Date = disc.Year;
    tags.Genre = listed ? std::string(genres[static_cast<std::size_t>(position)]) : std::string();
    tags.Comment = disc.Comment;
    return tags;
}

TTagRecord TrackTags(const DiscInfo& disc, const TrackInfo& track, bool embedCover) {
    TTagRecord tags = TagsFromDisc(disc);
    tags.Title = track.Title;
    if (!track.Artist.empty()) {
        tags.Artist = track.Artist;
    }
    tags.AlbumArtist = disc.AlbumArtist.empty() ? disc.Artist : disc.AlbumArtist;
    tags.TrackNumber = track.Number;
    tags.TrackTotal = static_cast<int>(disc.Tracks.size());
    tags.DiscNumber = disc.DiscNumber;
    tags.DiscTotal = disc.DiscTotal;
    tags.Isrc = track.Isrc;
    tags.Barcode = disc.Barcode;
    tags.MusicBrainzReleaseId = disc.ReleaseId;
    tags.MusicBrainzReleaseGroupId = disc.ReleaseGroupId;
    tags.MusicBrainzRecordingId = track.RecordingId;
    tags.MusicBrainzTrackId = track.TrackId;
    tags.MusicBrainzDiscId = disc.DiscId;
    if (embedCover) {
        tags.Cover = disc.Cover;
        tags.CoverType = disc.CoverType;
    }
    return tags;
}

void SetVorbisComments(TVorbisTags& target, const TTagRecord& tags) {
    target.Clear();
    for (const TTagField& field : TagFieldsOf(tags, TNumberStyle::SeparateTotal)) {
        // Names in lower case, as the container's own.
        std::string name = field.Name;
        std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
        target.AddTag(name);
        target.SetValue(name, Utf8ToUtf16(field.Value));
    }
    if (!tags.Cover.empty()) {
        target.SetPicture(FlacPictureBody(tags.Cover, tags.CoverType));
    }
}

void SetWMAStreamTags(TWMAOut& output, const TTagRecord& tags) {
    using Setter = void (TId3v2Tags::*)(const std::u16string&);
    struct Carried {
        std::string_view name;
        Setter set;
    };
    static constexpr Carried kCarried[] = {
        {"TITLE", &TId3v2Tags::SetTitle},     {"ARTIST", &TId3v2Tags::SetArtist},
        {"ALBUM", &TId3v2Tags::SetAlbum},     {"GENRE", &TId3v2Tags::SetGenre},
        {"DATE", &TId3v2Tags::SetYear},       {"TRACKNUMBER", &TId3v2Tags::SetTrack},
        {"COMMENT", &TId3v2Tags::SetComment},
    };
    TId3v2Tags& target = output.Id3v2Tags();
    target.Clear();
    for (const TTagField& field : TagFieldsOf(tags, TNumberStyle::SeparateTotal)) {
        for (const Carried& carried : kCarried) {
            if (field.Name == carried.name) {
                (target.*carried.set)(Utf8ToUtf16(field.Value));
            }
        }
    }
}

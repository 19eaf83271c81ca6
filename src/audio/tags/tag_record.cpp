// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/tags/tag_record.h"

#include <algorithm>
#include <charconv>
#include <type_traits>

namespace {

std::string WithoutControlCharacters(std::string text) {
    std::ranges::replace_if(
        text,
        [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') || byte == 0x7F;
        },
        ' ');
    return text;
}

std::string NumberText(int number, int total, TNumberStyle style) {
    if (number <= 0) {
        return {};
    }
    std::string text = std::to_string(number);
    if (style == TNumberStyle::Slashed && total > 0) {
        text += "/" + std::to_string(total);
    }
    return text;
}

std::string TotalText(int total, TNumberStyle style) {
    return style == TNumberStyle::SeparateTotal && total > 0 ? std::to_string(total)
                                                             : std::string();
}

// Fixed-point text with a dot whatever the program's locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return {text, end};
}

}  // namespace

std::vector<TTagField> TagFieldsOf(const TTagRecord& record, TNumberStyle numbers) {
    const auto gain = [](const std::optional<TReplayGain>& value) {
        return value ? ReplayGainText(value->GainDb) : std::string();
    };
    const auto peak = [](const std::optional<TReplayGain>& value) {
        return value ? ReplayGainPeakText(value->Peak) : std::string();
    };
    const TTagField all[] = {
        {"TITLE", record.Title},
        {"ARTIST", record.Artist},
        {"ALBUM", record.Album},
        {"ALBUMARTIST", record.AlbumArtist},
        {"DATE", record.Date},
        {"GENRE", record.Genre},
        {"COMMENT", record.Comment},
        {"TRACKNUMBER", NumberText(record.TrackNumber, record.TrackTotal, numbers)},
        {"TRACKTOTAL", TotalText(record.TrackTotal, numbers)},
        {"DISCNUMBER", NumberText(record.DiscNumber, record.DiscTotal, numbers)},
        {"DISCTOTAL", TotalText(record.DiscTotal, numbers)},
        {"ISRC", record.Isrc},
        {"BARCODE", record.Barcode},
        {"MUSICBRAINZ_ALBUMID", record.MusicBrainzReleaseId},
        {"MUSICBRAINZ_RELEASEGROUPID", record.MusicBrainzReleaseGroupId},
        {"MUSICBRAINZ_TRACKID", record.MusicBrainzRecordingId},
        {"MUSICBRAINZ_RELEASETRACKID", record.MusicBrainzTrackId},
        {"MUSICBRAINZ_DISCID", record.MusicBrainzDiscId},
        {"REPLAYGAIN_TRACK_GAIN", gain(record.TrackGain)},
        {"REPLAYGAIN_TRACK_PEAK", peak(record.TrackGain)},
        {"REPLAYGAIN_ALBUM_GAIN", gain(record.AlbumGain)},
        {"REPLAYGAIN_ALBUM_PEAK", peak(record.AlbumGain)},
    };
    std::vector<TTagField> fields;
    for (const TTagField& field : all) {
        if (!field.Value.empty()) {
            fields.push_back({field.Name, WithoutControlCharacters(field.Value)});
        }
    }
    return fields;
}

TTagRecord Overlaid(const TTagRecord& base, const TTagRecord& over) {
    TTagRecord result = over;
    const auto fill = [](auto& field, const auto& fallback) {
        if (field == std::remove_cvref_t<decltype(field)>{}) {
            field = fallback;
        }
    };
    fill(result.Title, base.Title);
    fill(result.Artist, base.Artist);
    fill(result.Album, base.Album);
    fill(result.AlbumArtist, base.AlbumArtist);
    fill(result.Date, base.Date);
    fill(result.Genre, base.Genre);
    fill(result.Comment, base.Comment);
    fill(result.TrackNumber, base.TrackNumber);
    fill(result.TrackTotal, base.TrackTotal);
    fill(result.DiscNumber, base.DiscNumber);
    fill(result.DiscTotal, base.DiscTotal);
    fill(result.Isrc, base.Isrc);
    fill(result.Barcode, base.Barcode);
    fill(result.MusicBrainzReleaseId, base.MusicBrainzReleaseId);
    fill(result.MusicBrainzReleaseGroupId, base.MusicBrainzReleaseGroupId);
    fill(result.MusicBrainzRecordingId, base.MusicBrainzRecordingId);
    fill(result.MusicBrainzTrackId, base.MusicBrainzTrackId);
    fill(result.MusicBrainzDiscId, base.MusicBrainzDiscId);
    if (result.Cover.empty()) {
        result.Cover = base.Cover;
        result.CoverType = base.CoverType;
    }
    fill(result.TrackGain, base.TrackGain);
    fill(result.AlbumGain, base.AlbumGain);
    return result;
}

std::string ReplayGainText(double gainDb) {
    return Fixed(gainDb, 2) + " dB";
}

std::string ReplayGainPeakText(double peak) {
    return Fixed(peak, 6);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/output_formats.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "audio/tags/file_tags.h"
#include "audio/wav/wave_out.h"

namespace {

template <class Output>
std::unique_ptr<TAuFileOut> Make() {
    return std::make_unique<Output>();
}

// The set-ups take the output their own row's factory made, so the casts
// below name its real type.
void SetupMP3(TAuFileOut& output, const TOptionsSetting& settings) {
    SetupMP3Out(static_cast<TMP3Out&>(output), settings);
}

void SetupOgg(TAuFileOut& output, const TOptionsSetting& settings) {
    SetupVorbisOut(static_cast<TVorbisOut&>(output), settings);
}

void SetupWMA(TAuFileOut& output, const TOptionsSetting& settings) {
    SetupWMAOut(static_cast<TWMAOut&>(output), settings);
}

void SetupFLAC(TAuFileOut& output, const TOptionsSetting& settings) {
    SetupFLACOut(static_cast<TFLACOut&>(output), settings);
}

void SetupAPE(TAuFileOut& output, const TOptionsSetting& settings) {
    SetupMACOut(static_cast<TMACOut&>(output), settings);
}

void OggStreamTags(TAuFileOut& output, const TTagRecord& tags) {
    SetVorbisComments(static_cast<TVorbisOut&>(output).Comments(), tags);
}

void FLACStreamTags(TAuFileOut& output, const TTagRecord& tags) {
    SetVorbisComments(static_cast<TFLACOut&>(output).Tags(), tags);
}

void WMAStreamTags(TAuFileOut& output, const TTagRecord& tags) {
    SetWMAStreamTags(static_cast<TWMAOut&>(output), tags);
}

// The tags a finished file of kind Kind gets: all of them for MP3 (ID3v2)
// and APE (APEv2), and for WMA what its stream cannot carry (the cover, the
// album artist, disc number, identifiers and gains).
template <TTaggedFileKind Kind>
std::optional<std::string> MergedFileTags(const std::string& path, const TTagRecord& tags,
                                          const TOptionsSetting& settings) {
    return MergeFileTags(path, Kind, tags, {.Id3v2Version = settings.Metadata.Id3v2Version});
}

constexpr std::array<TOutputFormatRow, kOutputFormatCount> kRows{{
    {ofMP3, "MP3", ".mp3", "MP3 file(*.MP3)", true, Make<TMP3Out>, SetupMP3, nullptr,
     MergedFileTags<TTaggedFileKind::Mp3>, TTagStep::Id3v1},
    {ofWAV, "WAV", ".wav", "WAV file(*.WAV)", false, Make<TWaveOut>, nullptr, nullptr, nullptr,
     TTagStep::None},
    {ofOGG, "OGG", ".ogg", "OGG file(*.OGG)", true, Make<TVorbisOut>, SetupOgg, OggStreamTags,
     nullptr, TTagStep::None},
    {ofWMA, "WMA", ".wma", "WMA file(*.WMA)", true, Make<TWMAOut>, SetupWMA, WMAStreamTags,
     MergedFileTags<TTaggedFileKind::Wma>, TTagStep::None},
    {ofFLAC, "FLAC", ".flac", "FLAC file(*.FLAC)", true, Make<TFLACOut>, SetupFLAC, FLACStreamTags,
     nullptr, TTagStep::None},
    {ofAPE, "APE", ".ape", "APE FILE(*.APE)", true, Make<TMACOut>, SetupAPE, nullptr,
     MergedFileTags<TTaggedFileKind::Ape>, TTagStep::None},
}};

constexpr bool RowsFollowTheirNumbers() {
    for (std::size_t position = 0; position < kRows.size(); ++position) {
        if (kRows[position].Number != static_cast<std::int32_t>(position)) {
            return false;
        }
    }
    return true;
}
static_assert(RowsFollowTheirNumbers(), "row i describes output format i");

}  // namespace

std::span<const TOutputFormatRow, kOutputFormatCount> OutputFormats() {
    return kRows;
}

const TOutputFormatRow* FindOutputFormat(std::int32_t outputFormat) {
    if (outputFormat < 0 || outputFormat >= static_cast<std::int32_t>(kRows.size())) {
        return nullptr;
    }
    return &kRows[static_cast<std::size_t>(outputFormat)];
}

std::string OutputFormatName(std::int32_t outputFormat) {
    const TOutputFormatRow* row = FindOutputFormat(outputFormat);
    return row != nullptr ? row->Name : std::string();
}

const TOutputFormatRow* FindOutputFormatByName(std::string_view name) {
    const auto sameLetters = [name](std::string_view text) {
        return std::ranges::equal(name, text, [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) ==
                   std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto row = std::ranges::find_if(kRows, [&](const TOutputFormatRow& format) {
        return sameLetters(format.Name) ||
               sameLetters(std::string_view(format.Extension).substr(1));
    });
    return row != kRows.end() ? &*row : nullptr;
}

std::optional<std::string> MergeIntoFinishedFile(const TOutputFormatRow& row,
                                                 const std::string& path, const TTagRecord& tags,
                                                 const TOptionsSetting& settings) {
    using enum TTaggedFileKind;
    static constexpr std::optional<TTaggedFileKind> kKinds[] = {Mp3, std::nullopt, OggVorbis,
                                                                Wma, Flac,         Ape};
    static_assert(std::size(kKinds) == kOutputFormatCount);
    const std::optional<TTaggedFileKind> kind = kKinds[static_cast<std::size_t>(row.Number)];
    if (!kind) {
        return std::nullopt;
    }
    return MergeFileTags(path, *kind, tags, {.Id3v2Version = settings.Metadata.Id3v2Version});
}

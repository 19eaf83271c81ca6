// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The output formats, one row each, in the order of their numbers (the
// stored OutputFormat and the position in both output-format lists). Every
// place that depends on the format reads it from here: names, extensions,
// list texts, which output encodes it and how it is set up, and what follows
// the encoding.
//
// Threads: the table is constant; the factories and set-ups run on the GUI
// thread (set-ups while the output is idle).

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "audio/core/au_output.h"
#include "audio/tags/tag_record.h"
#include "settings/encoders/encoder_setup.h"
#include "settings/options_setting.h"

// What a rip does to an encoded file once its output has finished.
enum class TTagStep : std::uint8_t {
    None,
    Id3v1,  // append (or replace) the ID3v1 tag of the track
};

struct TOutputFormatRow {
    TOutputFormat Number;
    const char* Name;       // "MP3"; shown by the rip window
    const char* Extension;  // ".mp3", with the dot
    // The entry of the main window's and the options dialog's format lists
    // (both lists show the same texts).
    const char* ListText;
    // The WAV file a rip makes is not yet a file of this format (a rip to
    // WAV is finished by the rip thread itself).
    bool RipEncodes;
    // Creates the output that writes this format. Throws EAuException when
    // the output's codec library is missing.
    std::unique_ptr<TAuFileOut> (*MakeOutput)();
    // Applies the encoder settings to an output that MakeOutput of this row
    // made; nullptr when the format has no settings (WAV: PCM as read).
    void (*Setup)(TAuFileOut& output, const TOptionsSetting& settings);
    // Gives an output that MakeOutput of this row made the tags its stream
    // carries (after Setup, before Run); nullptr when the stream carries
    // none.
    void (*StreamTags)(TAuFileOut& output, const TTagRecord& tags);
    // Writes the tags that go into a finished file of this format; returns
    // the reason when it could not. nullptr when there are none to add.
    std::optional<std::string> (*FileTags)(const std::string& path, const TTagRecord& tags,
                                           const TOptionsSetting& settings);
    TTagStep TagStep;
};

inline constexpr std::size_t kOutputFormatCount = 6;

// Rows 0..5, row i having Number i.
[[nodiscard]] std::span<const TOutputFormatRow, kOutputFormatCount> OutputFormats();

// The row of a format number; nullptr outside 0..5.
[[nodiscard]] const TOutputFormatRow* FindOutputFormat(std::int32_t outputFormat);

// The row whose Name, or Extension without its dot, is `name` in any case
// ("flac", "Mp3"); nullptr when none is.
[[nodiscard]] const TOutputFormatRow* FindOutputFormatByName(std::string_view name);

// "MP3", "WAV", "OGG", "WMA", "FLAC", "APE" for output formats 0..5; empty
// for any other value.
[[nodiscard]] std::string OutputFormatName(std::int32_t outputFormat);

// Merges the record's fields into the tags of a finished file of the row's
// format, keeping the others (used to add values that are known only once
// every file is written, such as the album's ReplayGain). Returns the reason
// when it could not; a WAV file has no tags and is left alone.
[[nodiscard]] std::optional<std::string> MergeIntoFinishedFile(const TOutputFormatRow& row,
                                                               const std::string& path,
                                                               const TTagRecord& tags,
                                                               const TOptionsSetting& settings);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Turns the encoder settings of the settings record into the properties of
// an output just before it runs (after its FileName is set, before Run).
// Properties not mentioned keep what the owning window gave them. None of
// these reports errors: a stored value outside its range leaves the
// property it feeds unchanged.
//
// Threads: the GUI thread, while the output is idle.

#include <string>

#include "audio/codecs/flac_out.h"
#include "audio/codecs/mac_out.h"
#include "audio/codecs/mp3_out.h"
#include "audio/codecs/vorbis_out.h"
#include "audio/codecs/wma_out.h"
#include "disc/disc_info.h"
#include "settings/options_setting.h"

// The disc's fields as text (UTF-8), as TagsFromDisc gives them.
struct TMainWindowTags {
    std::string ID3artist;
    std::string ID3album;
    std::string ID3year;
    std::string ID3genre;  // text of the selected genre entry
    std::string ID3comment;
};

// The disc's fields as the set-ups take them: artist, album, year, comment,
// and the genre as the text of the entry at its list position (empty for
// none; the genre text of the disc is not read).
[[nodiscard]] TMainWindowTags TagsFromDisc(const DiscInfo& disc);

// "Mp3Options": worker delay from CPU, bit rate, VBR, channel mode, VBR
// limits and quality.
void SetupMP3Out(TMP3Out& output, const TOptionsSetting& settings);

// "OggOptions": quality or managed bit rates; then Comments from the disc
// fields (the comment text becomes the title).
void SetupVorbisOut(TVorbisOut& output, const TOptionsSetting& settings,
                    const TMainWindowTags& tags);

// "WMAOptions": VBR and the codec and format positions; nothing else (the
// tags are left alone). A stored VBR for a codec that has no VBR formats
// sets up CBR, so that the stored format position is encoded rather than the
// run failing; the options dialog shows such a setting as CBR too.
void SetupWMAOut(TWMAOut& output, const TOptionsSetting& settings);

// "FLACOptions": the compression level; then Tags as for Ogg Vorbis.
void SetupFLACOut(TFLACOut& output, const TOptionsSetting& settings, const TMainWindowTags& tags);

// "APEOptions": worker delay from CPU, as for MP3, and the compression level
// through its setter (values other than 1000..4000 in thousands give 2000).
void SetupMACOut(TMACOut& output, const TOptionsSetting& settings);

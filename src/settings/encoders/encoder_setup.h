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
#include "audio/tags/tag_record.h"
#include "disc/disc_info.h"
#include "settings/options_setting.h"

// The main window's disc fields as a tag record: artist, album, year,
// comment, and the genre as the text of the entry at its list position
// (empty for none; the genre text of the disc is not read). What the file
// converter tags every file with where the source has no value of its own.
[[nodiscard]] TTagRecord TagsFromDisc(const DiscInfo& disc);

// Everything known about one ripped track: the disc's fields, the track's
// title, artist (the disc's when it has none of its own), number of the
// disc's tracks, ISRC and MusicBrainz ids, the album artist (the disc's
// artist unless one is given), and the disc's cover when embedCover is set.
[[nodiscard]] TTagRecord TrackTags(const DiscInfo& disc, const TrackInfo& track, bool embedCover);

// The record's fields as the Ogg Vorbis and FLAC outputs write them:
// clears the container, then stores each non-empty field under its Vorbis
// comment name and the cover, when there is one, as the container's picture.
void SetVorbisComments(TVorbisTags& target, const TTagRecord& tags);

// The record's fields that the WMA output's stream carries (title, artist,
// album, genre, year, track number, comment), into its ID3v2-style container.
void SetWMAStreamTags(TWMAOut& output, const TTagRecord& tags);

// "Mp3Options": worker delay from CPU, bit rate, VBR, channel mode, VBR
// limits and quality.
void SetupMP3Out(TMP3Out& output, const TOptionsSetting& settings);

// "OggOptions": quality or managed bit rates.
void SetupVorbisOut(TVorbisOut& output, const TOptionsSetting& settings);

// "WMAOptions": VBR and the codec and format positions; nothing else (the
// tags are left alone). A stored VBR for a codec that has no VBR formats
// sets up CBR, so that the stored format position is encoded rather than the
// run failing; the options dialog shows such a setting as CBR too.
void SetupWMAOut(TWMAOut& output, const TOptionsSetting& settings);

// "FLACOptions": the compression level.
void SetupFLACOut(TFLACOut& output, const TOptionsSetting& settings);

// "APEOptions": worker delay from CPU, as for MP3, and the compression level
// through its setter (values other than 1000..4000 in thousands give 2000).
void SetupMACOut(TMACOut& output, const TOptionsSetting& settings);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prototypes only: the library itself is loaded at run time.
#include <lame/lame.h>

#include "audio/codecs/dynamic_library.h"

// The MP3 encoder library's entry points that TMP3Out calls. Obtain through
// AcquireBinding<LameBinding>(); constructing it raises EAuException
// "libmp3lame.so.0 library could not be loaded." when the library is absent.
struct LameBinding {
    LameBinding();

    DynamicLibrary Library{"libmp3lame.so.0"};
    decltype(&::lame_init) lame_init = nullptr;
    decltype(&::lame_set_num_samples) lame_set_num_samples = nullptr;
    decltype(&::lame_set_in_samplerate) lame_set_in_samplerate = nullptr;
    decltype(&::lame_set_num_channels) lame_set_num_channels = nullptr;
    decltype(&::lame_set_out_samplerate) lame_set_out_samplerate = nullptr;
    decltype(&::lame_set_mode) lame_set_mode = nullptr;
    decltype(&::lame_set_copyright) lame_set_copyright = nullptr;
    decltype(&::lame_set_original) lame_set_original = nullptr;
    decltype(&::lame_set_error_protection) lame_set_error_protection = nullptr;
    decltype(&::lame_set_brate) lame_set_brate = nullptr;
    decltype(&::lame_set_quality) lame_set_quality = nullptr;
    decltype(&::lame_set_bWriteVbrTag) lame_set_bWriteVbrTag = nullptr;
    decltype(&::lame_set_VBR) lame_set_VBR = nullptr;
    decltype(&::lame_set_VBR_q) lame_set_VBR_q = nullptr;
    decltype(&::lame_set_VBR_min_bitrate_kbps) lame_set_VBR_min_bitrate_kbps = nullptr;
    decltype(&::lame_set_VBR_max_bitrate_kbps) lame_set_VBR_max_bitrate_kbps = nullptr;
    decltype(&::lame_init_params) lame_init_params = nullptr;
    decltype(&::lame_encode_buffer_interleaved) lame_encode_buffer_interleaved = nullptr;
    decltype(&::lame_encode_flush) lame_encode_flush = nullptr;
    decltype(&::id3tag_init) id3tag_init = nullptr;
    decltype(&::lame_close) lame_close = nullptr;
};

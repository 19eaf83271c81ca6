// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/lame_binding.h"

LameBinding::LameBinding() {
    Library.Resolve(lame_init, "lame_init");
    Library.Resolve(lame_set_num_samples, "lame_set_num_samples");
    Library.Resolve(lame_set_in_samplerate, "lame_set_in_samplerate");
    Library.Resolve(lame_set_num_channels, "lame_set_num_channels");
    Library.Resolve(lame_set_out_samplerate, "lame_set_out_samplerate");
    Library.Resolve(lame_set_mode, "lame_set_mode");
    Library.Resolve(lame_set_copyright, "lame_set_copyright");
    Library.Resolve(lame_set_original, "lame_set_original");
    Library.Resolve(lame_set_error_protection, "lame_set_error_protection");
    Library.Resolve(lame_set_brate, "lame_set_brate");
    Library.Resolve(lame_set_quality, "lame_set_quality");
    Library.Resolve(lame_set_bWriteVbrTag, "lame_set_bWriteVbrTag");
    Library.Resolve(lame_set_VBR, "lame_set_VBR");
    Library.Resolve(lame_set_VBR_q, "lame_set_VBR_q");
    Library.Resolve(lame_set_VBR_min_bitrate_kbps, "lame_set_VBR_min_bitrate_kbps");
    Library.Resolve(lame_set_VBR_max_bitrate_kbps, "lame_set_VBR_max_bitrate_kbps");
    Library.Resolve(lame_init_params, "lame_init_params");
    Library.Resolve(lame_encode_buffer_interleaved, "lame_encode_buffer_interleaved");
    Library.Resolve(lame_encode_flush, "lame_encode_flush");
    Library.Resolve(id3tag_init, "id3tag_init");
    Library.Resolve(lame_close, "lame_close");
}

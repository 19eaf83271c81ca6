// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/vorbis_binding.h"

VorbisBinding::VorbisBinding() {
    Library.Resolve(vorbis_info_init, "vorbis_info_init");
    Library.Resolve(vorbis_info_clear, "vorbis_info_clear");
    Library.Resolve(vorbis_comment_init, "vorbis_comment_init");
    Library.Resolve(vorbis_comment_add_tag, "vorbis_comment_add_tag");
    Library.Resolve(vorbis_comment_clear, "vorbis_comment_clear");
    Library.Resolve(vorbis_analysis_init, "vorbis_analysis_init");
    Library.Resolve(vorbis_block_init, "vorbis_block_init");
    Library.Resolve(vorbis_analysis_headerout, "vorbis_analysis_headerout");
    Library.Resolve(vorbis_analysis_buffer, "vorbis_analysis_buffer");
    Library.Resolve(vorbis_analysis_wrote, "vorbis_analysis_wrote");
    Library.Resolve(vorbis_analysis_blockout, "vorbis_analysis_blockout");
    Library.Resolve(vorbis_analysis, "vorbis_analysis");
    Library.Resolve(vorbis_bitrate_addblock, "vorbis_bitrate_addblock");
    Library.Resolve(vorbis_bitrate_flushpacket, "vorbis_bitrate_flushpacket");
    Library.Resolve(vorbis_block_clear, "vorbis_block_clear");
    Library.Resolve(vorbis_dsp_clear, "vorbis_dsp_clear");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/vorbisenc_binding.h"

VorbisencBinding::VorbisencBinding() {
    Library.Resolve(vorbis_encode_setup_vbr, "vorbis_encode_setup_vbr");
    Library.Resolve(vorbis_encode_setup_init, "vorbis_encode_setup_init");
    Library.Resolve(vorbis_encode_init, "vorbis_encode_init");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/ogg_binding.h"

OggBinding::OggBinding() {
    Library.Resolve(ogg_stream_init, "ogg_stream_init");
    Library.Resolve(ogg_stream_packetin, "ogg_stream_packetin");
    Library.Resolve(ogg_stream_flush, "ogg_stream_flush");
    Library.Resolve(ogg_stream_pageout, "ogg_stream_pageout");
    Library.Resolve(ogg_page_eos, "ogg_page_eos");
    Library.Resolve(ogg_stream_clear, "ogg_stream_clear");
}

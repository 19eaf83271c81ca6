// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prototypes only: the library itself is loaded at run time.
#include <ogg/ogg.h>

#include "audio/codecs/dynamic_library.h"

// The Ogg framing library's entry points that TVorbisOut calls. Obtain
// through AcquireBinding<OggBinding>(); constructing it raises EAuException
// "libogg.so.0 library could not be loaded." when the library is absent.
struct OggBinding {
    OggBinding();

    DynamicLibrary Library{"libogg.so.0"};
    decltype(&::ogg_stream_init) ogg_stream_init = nullptr;
    decltype(&::ogg_stream_packetin) ogg_stream_packetin = nullptr;
    decltype(&::ogg_stream_flush) ogg_stream_flush = nullptr;
    decltype(&::ogg_stream_pageout) ogg_stream_pageout = nullptr;
    decltype(&::ogg_page_eos) ogg_page_eos = nullptr;
    decltype(&::ogg_stream_clear) ogg_stream_clear = nullptr;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prototypes only: the library itself is loaded at run time.
#include <vorbis/vorbisenc.h>

#include "audio/codecs/dynamic_library.h"

// The Vorbis encoder set-up library's entry points that TVorbisOut calls.
// Obtain through AcquireBinding<VorbisencBinding>(); constructing it raises
// EAuException "libvorbisenc.so.2 library could not be loaded." when absent.
struct VorbisencBinding {
    VorbisencBinding();

    DynamicLibrary Library{"libvorbisenc.so.2"};
    decltype(&::vorbis_encode_setup_vbr) vorbis_encode_setup_vbr = nullptr;
    decltype(&::vorbis_encode_setup_init) vorbis_encode_setup_init = nullptr;
    decltype(&::vorbis_encode_init) vorbis_encode_init = nullptr;
};

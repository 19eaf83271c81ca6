// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prototypes only: the library itself is loaded at run time.
#include <samplerate.h>

#include "audio/codecs/dynamic_library.h"

// The sample-rate conversion library's entry points that TResampler calls.
// Obtain through AcquireBinding<SamplerateBinding>(); constructing it raises
// EAuException "libsamplerate.so.0 library could not be loaded." when the
// library is absent.
struct SamplerateBinding {
    SamplerateBinding();

    DynamicLibrary Library{"libsamplerate.so.0"};
    decltype(&::src_new) src_new = nullptr;
    decltype(&::src_delete) src_delete = nullptr;
    decltype(&::src_process) src_process = nullptr;
    decltype(&::src_is_valid_ratio) src_is_valid_ratio = nullptr;
    decltype(&::src_strerror) src_strerror = nullptr;
    decltype(&::src_short_to_float_array) src_short_to_float_array = nullptr;
};

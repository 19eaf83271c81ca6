// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/samplerate_binding.h"

SamplerateBinding::SamplerateBinding() {
    Library.Resolve(src_new, "src_new");
    Library.Resolve(src_delete, "src_delete");
    Library.Resolve(src_process, "src_process");
    Library.Resolve(src_is_valid_ratio, "src_is_valid_ratio");
    Library.Resolve(src_strerror, "src_strerror");
    Library.Resolve(src_short_to_float_array, "src_short_to_float_array");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Prototypes only: the library itself is loaded at run time.
#include <FLAC/stream_encoder.h>

#include "audio/codecs/dynamic_library.h"

// The FLAC library's stream-encoder entry points that TFLACOut calls. Obtain
// through AcquireBinding<FlacBinding>(); constructing it raises EAuException
// "libFLAC.so.12 library could not be loaded." when the library is absent.
struct FlacBinding {
    FlacBinding();

    DynamicLibrary Library{"libFLAC.so.12"};
    decltype(&::FLAC__stream_encoder_new) FLAC__stream_encoder_new = nullptr;
    decltype(&::FLAC__stream_encoder_delete) FLAC__stream_encoder_delete = nullptr;
    decltype(&::FLAC__stream_encoder_set_verify) FLAC__stream_encoder_set_verify = nullptr;
    decltype(&::FLAC__stream_encoder_set_channels) FLAC__stream_encoder_set_channels = nullptr;
    decltype(&::FLAC__stream_encoder_set_bits_per_sample) FLAC__stream_encoder_set_bits_per_sample =
        nullptr;
    decltype(&::FLAC__stream_encoder_set_sample_rate) FLAC__stream_encoder_set_sample_rate =
        nullptr;
    decltype(&::FLAC__stream_encoder_set_do_mid_side_stereo)
        FLAC__stream_encoder_set_do_mid_side_stereo = nullptr;
    decltype(&::FLAC__stream_encoder_set_loose_mid_side_stereo)
        FLAC__stream_encoder_set_loose_mid_side_stereo = nullptr;
    decltype(&::FLAC__stream_encoder_set_blocksize) FLAC__stream_encoder_set_blocksize = nullptr;
    decltype(&::FLAC__stream_encoder_set_compression_level)
        FLAC__stream_encoder_set_compression_level = nullptr;
    decltype(&::FLAC__stream_encoder_set_max_lpc_order) FLAC__stream_encoder_set_max_lpc_order =
        nullptr;
    decltype(&::FLAC__stream_encoder_set_qlp_coeff_precision)
        FLAC__stream_encoder_set_qlp_coeff_precision = nullptr;
    decltype(&::FLAC__stream_encoder_set_do_qlp_coeff_prec_search)
        FLAC__stream_encoder_set_do_qlp_coeff_prec_search = nullptr;
    decltype(&::FLAC__stream_encoder_set_min_residual_partition_order)
        FLAC__stream_encoder_set_min_residual_partition_order = nullptr;
    decltype(&::FLAC__stream_encoder_set_max_residual_partition_order)
        FLAC__stream_encoder_set_max_residual_partition_order = nullptr;
    decltype(&::FLAC__stream_encoder_set_do_exhaustive_model_search)
        FLAC__stream_encoder_set_do_exhaustive_model_search = nullptr;
    decltype(&::FLAC__stream_encoder_set_total_samples_estimate)
        FLAC__stream_encoder_set_total_samples_estimate = nullptr;
    decltype(&::FLAC__stream_encoder_init_stream) FLAC__stream_encoder_init_stream = nullptr;
    decltype(&::FLAC__stream_encoder_process_interleaved) FLAC__stream_encoder_process_interleaved =
        nullptr;
    decltype(&::FLAC__stream_encoder_finish) FLAC__stream_encoder_finish = nullptr;
};

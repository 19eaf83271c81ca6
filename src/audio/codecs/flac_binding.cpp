// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/flac_binding.h"

FlacBinding::FlacBinding() {
    Library.Resolve(FLAC__stream_encoder_new, "FLAC__stream_encoder_new");
    Library.Resolve(FLAC__stream_encoder_delete, "FLAC__stream_encoder_delete");
    Library.Resolve(FLAC__stream_encoder_set_verify, "FLAC__stream_encoder_set_verify");
    Library.Resolve(FLAC__stream_encoder_set_channels, "FLAC__stream_encoder_set_channels");
    Library.Resolve(FLAC__stream_encoder_set_bits_per_sample,
                    "FLAC__stream_encoder_set_bits_per_sample");
    Library.Resolve(FLAC__stream_encoder_set_sample_rate, "FLAC__stream_encoder_set_sample_rate");
    Library.Resolve(FLAC__stream_encoder_set_do_mid_side_stereo,
                    "FLAC__stream_encoder_set_do_mid_side_stereo");
    Library.Resolve(FLAC__stream_encoder_set_loose_mid_side_stereo,
                    "FLAC__stream_encoder_set_loose_mid_side_stereo");
    Library.Resolve(FLAC__stream_encoder_set_blocksize, "FLAC__stream_encoder_set_blocksize");
    Library.Resolve(FLAC__stream_encoder_set_compression_level,
                    "FLAC__stream_encoder_set_compression_level");
    Library.Resolve(FLAC__stream_encoder_set_max_lpc_order,
                    "FLAC__stream_encoder_set_max_lpc_order");
    Library.Resolve(FLAC__stream_encoder_set_qlp_coeff_precision,
                    "FLAC__stream_encoder_set_qlp_coeff_precision");
    Library.Resolve(FLAC__stream_encoder_set_do_qlp_coeff_prec_search,
                    "FLAC__stream_encoder_set_do_qlp_coeff_prec_search");
    Library.Resolve(FLAC__stream_encoder_set_min_residual_partition_order,
                    "FLAC__stream_encoder_set_min_residual_partition_order");
    Library.Resolve(FLAC__stream_encoder_set_max_residual_partition_order,
                    "FLAC__stream_encoder_set_max_residual_partition_order");
    Library.Resolve(FLAC__stream_encoder_set_do_exhaustive_model_search,
                    "FLAC__stream_encoder_set_do_exhaustive_model_search");
    Library.Resolve(FLAC__stream_encoder_set_total_samples_estimate,
                    "FLAC__stream_encoder_set_total_samples_estimate");
    Library.Resolve(FLAC__stream_encoder_init_stream, "FLAC__stream_encoder_init_stream");
    Library.Resolve(FLAC__stream_encoder_process_interleaved,
                    "FLAC__stream_encoder_process_interleaved");
    Library.Resolve(FLAC__stream_encoder_finish, "FLAC__stream_encoder_finish");
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/flac_out.h"

#include <cmath>
#include <exception>

#include "audio/codecs/flac_comment_block.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"

namespace {

constexpr int kMaxCompressionLevel = 8;
constexpr std::size_t kDefaultBlockFrames = 4608;
constexpr int kMaxQlpBits = 31;  // bits per sample + coefficient precision
constexpr std::uint8_t kBlockTypeMask = 0x7F;
constexpr std::uint8_t kLastBlockBit = 0x80;
constexpr std::uint8_t kVorbisCommentType = 4;

FLAC__bool AsFlacBool(bool value) {
    return value ? 1 : 0;
}

// Reads one sample of `Width` bytes per element of `samples`. The width is a
// constant of each instance, so the loop has no branch and can be vectorised.
template <std::size_t Width, typename Read>
void ReadSamples(const std::uint8_t* in, std::vector<FLAC__int32>& samples, Read read) {
    for (FLAC__int32& sample : samples) {
        sample = read(in);
        in += Width;
    }
}

}  // namespace

TFLACOut::TFLACOut() : m_flac(AcquireBinding<FlacBinding>()) {}

TFLACOut::~TFLACOut() {
    // The run's encoder calls back into this object: end it first.
    Stop(false);
}

void TFLACOut::SetCompressionLevel(int value) {
    m_compressionLevel = value > kMaxCompressionLevel ? kMaxCompressionLevel : value;
}

void TFLACOut::SetEnableLooseMidSideStereo(bool value) {
    m_enableLooseMidSideStereo = value;
    if (value) {
        m_enableMidSideStereo = true;
    }
}

void TFLACOut::SetBestModelSearch(bool value) {
    m_bestModelSearch = value;
    if (value) {
        m_enableMidSideStereo = true;
        m_enableLooseMidSideStereo = false;
    }
}

void TFLACOut::CreateDestination() {
    if (StreamAssigned()) {
        return;
    }
    if (FileName().empty()) {
        throw EAuException("File name is not assigned.");
    }
    SetOwnStream(std::make_unique<TAuFileStream>(FileName(), TAuFileStream::kCreate), true);
}

void TFLACOut::Prepare() {
    CreateDestination();
    m_endOfData = false;
    m_commentReplaced = false;
    m_encoder = EncoderHandle(m_flac->FLAC__stream_encoder_new(), EncoderDeleter{m_flac.get()});
    if (!m_encoder) {
        throw EAuException("Failed to initialize FLAC encoder.");
    }
    TAuInput& input = *Input();
    input.Init();
    m_bitsPerSample = input.BitsPerSample();
    m_channels = input.Channels();
    if ((m_bitsPerSample != 8 && m_bitsPerSample != 16 && m_bitsPerSample != 24) ||
        m_channels < 1) {
        throw EAuException("FLAC encoding needs 8-, 16- or 24-bit input.");
    }
    ConfigureEncoder(m_encoder.get());
    // The library writes the stream marker and its metadata through
    // WriteCallback during this call.
    if (m_flac->FLAC__stream_encoder_init_stream(m_encoder.get(), WriteCallback, SeekCallback,
                                                 TellCallback, MetadataCallback, this) != 0) {
        throw EAuException("Failed to initialize FLAC encoder.");
    }
    // Block size 0 lets the library choose; the PCM buffer still needs a size,
    // or no data would ever be read.
    const std::size_t frames = m_blockSize > 0 ? m_blockSize : kDefaultBlockFrames;
    m_pcm.resize(static_cast<std::size_t>(m_bitsPerSample / 8) * frames * m_channels);
}

void TFLACOut::ConfigureEncoder(FLAC__StreamEncoder* encoder) {
    const FlacBinding& flac = *m_flac;
    TAuInput& input = *Input();
    flac.FLAC__stream_encoder_set_verify(encoder, AsFlacBool(m_verify));
    flac.FLAC__stream_encoder_set_channels(encoder, m_channels);
    flac.FLAC__stream_encoder_set_bits_per_sample(encoder, m_bitsPerSample);
    flac.FLAC__stream_encoder_set_sample_rate(encoder, input.SampleRate());
    if (m_channels == 2) {
        flac.FLAC__stream_encoder_set_do_mid_side_stereo(encoder,
                                                         AsFlacBool(m_enableMidSideStereo));
        flac.FLAC__stream_encoder_set_loose_mid_side_stereo(encoder,
                                                            AsFlacBool(m_enableLooseMidSideStereo));
    }
    flac.FLAC__stream_encoder_set_blocksize(encoder, m_blockSize);
    if (m_compressionLevel >= 0) {
        flac.FLAC__stream_encoder_set_compression_level(encoder, m_compressionLevel);
    } else {
        flac.FLAC__stream_encoder_set_max_lpc_order(encoder, m_maxLPCOrder);
        if (m_bitsPerSample + m_qlpCoeffPrecision > kMaxQlpBits) {
            m_qlpCoeffPrecision = static_cast<std::uint16_t>(kMaxQlpBits - m_bitsPerSample);
        }
        flac.FLAC__stream_encoder_set_qlp_coeff_precision(encoder, m_qlpCoeffPrecision);
        flac.FLAC__stream_encoder_set_do_qlp_coeff_prec_search(
            encoder, AsFlacBool(m_qlpCoeffPrecisionSearch));
        flac.FLAC__stream_encoder_set_min_residual_partition_order(encoder, m_minResidualOrder);
        flac.FLAC__stream_encoder_set_max_residual_partition_order(encoder, m_maxResidualOrder);
        flac.FLAC__stream_encoder_set_do_exhaustive_model_search(encoder,
                                                                 AsFlacBool(m_bestModelSearch));
    }
    if (input.Size() > 0) {
        const int width = m_bitsPerSample / 8;  // bytes per sample
        const double frames = static_cast<double>(input.Size()) / width / m_channels;
        flac.FLAC__stream_encoder_set_total_samples_estimate(
            encoder, static_cast<FLAC__uint64>(std::llround(frames)));
    }
}

bool TFLACOut::DoOutput(bool abort) {
    if (!CanOutput()) {
        return true;
    }
    if (abort || m_endOfData) {
        return false;
    }
    const std::size_t bytes = FillBuffer(*Input(), m_pcm.data(), m_pcm.size(), m_endOfData);
    if (bytes == 0) {
        return false;
    }
    ConvertBlock(bytes);
    const auto frames = static_cast<uint32_t>(m_samples.size() / m_channels);
    if (m_flac->FLAC__stream_encoder_process_interleaved(m_encoder.get(), m_samples.data(),
                                                         frames) == 0) {
        throw EAuException("Failed to encode data.");
    }
    return true;
}

void TFLACOut::ConvertBlock(std::size_t bytes) {
    const std::uint8_t* in = m_pcm.data();
    const std::size_t width = m_bitsPerSample / 8;
    // Whole frames only: a torn last frame cannot be encoded.
    const std::size_t frameBytes = width * m_channels;
    m_samples.resize(bytes / frameBytes * m_channels);
    switch (width) {
        case 1:
            ReadSamples<1>(in, m_samples,
                           [](const std::uint8_t* p) { return FLAC__int32{p[0]} - 128; });
            break;
        case 2:
            ReadSamples<2>(in, m_samples, [](const std::uint8_t* p) {
                return FLAC__int32{static_cast<std::int16_t>(p[0] | p[1] << 8)};
            });
            break;
        default:
            // Sign-extend from bit 23 through the top of a 32-bit value.
            ReadSamples<3>(in, m_samples, [](const std::uint8_t* p) {
                return static_cast<FLAC__int32>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                static_cast<std::uint32_t>(p[1]) << 16 |
                                                static_cast<std::uint32_t>(p[2]) << 24) >>
                       8;
            });
            break;
    }
}

void TFLACOut::Done() {
    // Writes the last samples and rewrites STREAMINFO through the callbacks.
    const bool finished = m_flac->FLAC__stream_encoder_finish(m_encoder.get()) != 0;
    ReleaseRun();
    ReleaseStream();
    Input()->Flush();
    if (!finished) {
        throw EAuException("Failed to encode data.");
    }
}

void TFLACOut::ReleaseAfterFailure() {
    ReleaseRun();
    TAuFileOut::ReleaseAfterFailure();
}

void TFLACOut::ReleaseRun() {
    m_encoder.reset();
    m_pcm = {};
    m_samples = {};
}

void TFLACOut::WriteEncoded(const FLAC__byte* buffer, std::size_t bytes, bool metadata) {
    // The library hands each metadata block over in a write call of its own.
    if (!m_commentReplaced && metadata && bytes > 0 &&
        (buffer[0] & kBlockTypeMask) == kVorbisCommentType) {
        m_commentReplaced = true;
        const std::vector<std::uint8_t> blocks =
            BuildFlacTagBlocks(m_tags, (buffer[0] & kLastBlockBit) != 0);
        m_stream->Write(blocks.data(), blocks.size());
        return;
    }
    m_stream->Write(buffer, bytes);
}

FLAC__StreamEncoderWriteStatus TFLACOut::WriteCallback(const FLAC__StreamEncoder* /*encoder*/,
                                                       const FLAC__byte* buffer, size_t bytes,
                                                       uint32_t samples, uint32_t /*currentFrame*/,
                                                       void* clientData) {
    try {
        static_cast<TFLACOut*>(clientData)->WriteEncoded(buffer, bytes, samples == 0);
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    } catch (const std::exception&) {
        return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
    }
}

FLAC__StreamEncoderSeekStatus TFLACOut::SeekCallback(const FLAC__StreamEncoder* /*encoder*/,
                                                     FLAC__uint64 offset, void* clientData) {
    try {
        static_cast<TFLACOut*>(clientData)
            ->m_stream->SetPosition(static_cast<std::int64_t>(offset));
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    } catch (const std::exception&) {
        return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
    }
}

FLAC__StreamEncoderTellStatus TFLACOut::TellCallback(const FLAC__StreamEncoder* /*encoder*/,
                                                     FLAC__uint64* offset, void* clientData) {
    try {
        *offset =
            static_cast<FLAC__uint64>(static_cast<TFLACOut*>(clientData)->m_stream->Position());
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    } catch (const std::exception&) {
        return FLAC__STREAM_ENCODER_TELL_STATUS_ERROR;
    }
}

void TFLACOut::MetadataCallback(const FLAC__StreamEncoder* /*encoder*/,
                                const FLAC__StreamMetadata* /*metadata*/, void* /*clientData*/) {}

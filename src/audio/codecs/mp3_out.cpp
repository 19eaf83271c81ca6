// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/mp3_out.h"

#include <array>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "audio/codecs/lame_binding.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"

namespace {

constexpr std::size_t kBlockBytes = 16384;  // PCM asked from the input per block
// The library's worst case for 8192 samples per channel: 1.25 x 8192 + 7200.
constexpr std::size_t kMp3BufferBytes = 17440;
constexpr int kInputRateFor32k = 41000;  // inputs below this are encoded at 32000 Hz

constexpr std::array<int, 18> kBitRates{8,  16,  24,  32,  40,  48,  56,  64,  80,
                                        96, 112, 128, 144, 160, 192, 224, 256, 320};
constexpr std::array<int, 4> kSampleRates{0, 32000, 41000, 48000};

}  // namespace

int MP3BitRateKbps(TMP3BitRate rate) {
    return kBitRates.at(static_cast<std::size_t>(rate));
}

int MP3SampleRateHz(TMP3SampleRate rate) {
    return kSampleRates.at(static_cast<std::size_t>(rate));
}

void TMP3Out::EncoderCloser::operator()(lame_global_struct* handle) const {
    lame->lame_close(handle);
}

TMP3Out::TMP3Out() : m_lame(AcquireBinding<LameBinding>()) {}

TMP3Out::~TMP3Out() {
    // The run's encoder needs the library: end it while both are here.
    Stop(false);
}

void TMP3Out::CreateDestination() {
    if (StreamAssigned()) {
        return;
    }
    if (FileName().empty()) {
        throw EAuException("File name is not assigned.");
    }
    SetOwnStream(std::make_unique<TAuFileStream>(FileName(), TAuFileStream::kCreate), true);
}

void TMP3Out::Prepare() {
    CreateDestination();
    TAuInput& input = *Input();
    input.Init();
    m_channels = input.Channels();
    if (input.BitsPerSample() != 16 || m_channels < 1 || m_channels > 2) {
        throw EAuException("MP3 encoding needs 16-bit mono or stereo input.");
    }
    m_handle = EncoderHandle(m_lame->lame_init(), EncoderCloser{m_lame.get()});
    if (!m_handle) {
        throw std::runtime_error("LAME init failed");
    }
    ConfigureEncoder(m_handle.get());
    // The library answers -1 for bad parameters; any negative value is an error.
    if (m_lame->lame_init_params(m_handle.get()) < 0) {
        throw std::runtime_error("LAME init failed");
    }
    m_block.resize(kBlockBytes);
    m_pcm.resize(kBlockBytes);  // room for a mono block widened to stereo
    m_mp3.resize(kMp3BufferBytes);
}

void TMP3Out::ConfigureEncoder(lame_global_struct* handle) {
    const LameBinding& lame = *m_lame;
    TAuInput& input = *Input();
    if (input.Size() > 0) {
        const std::int64_t frameBytes =
            static_cast<std::int64_t>(input.BitsPerSample() >> 3) * m_channels;
        lame.lame_set_num_samples(handle, static_cast<unsigned long>(input.Size() / frameBytes));
    }
    const int inputRate = input.SampleRate();
    lame.lame_set_in_samplerate(handle, inputRate);
    lame.lame_set_num_channels(handle, 2);  // mono is widened in DoOutput
    const int outputRate = inputRate < kInputRateFor32k ? 32000 : MP3SampleRateHz(m_sampleRate);
    lame.lame_set_out_samplerate(handle, outputRate);
    lame.lame_set_mode(handle, m_channels == 1 ? MONO : static_cast<MPEG_mode>(m_mode));
    lame.lame_set_copyright(handle, m_copyright ? 1 : 0);
    lame.lame_set_original(handle, m_original ? 1 : 0);
    lame.lame_set_error_protection(handle, m_crc ? 1 : 0);
    if (!m_enableVBR) {
        lame.lame_set_brate(handle, MP3BitRateKbps(m_bitRate));
        lame.lame_set_quality(handle, static_cast<int>(m_quality));
        return;
    }
    if (m_writeVBRHeader) {
        lame.lame_set_bWriteVbrTag(handle, 1);
    }
    lame.lame_set_VBR(handle, vbr_rh);
    lame.lame_set_VBR_q(handle, static_cast<int>(m_vbrQuality));
    if (m_vbrMaxBitrate < m_vbrMinBitrate) {
        std::swap(m_vbrMinBitrate, m_vbrMaxBitrate);
    }
    lame.lame_set_VBR_min_bitrate_kbps(handle, m_vbrMinBitrate);
    lame.lame_set_VBR_max_bitrate_kbps(handle, m_vbrMaxBitrate);
}

bool TMP3Out::DoOutput(bool abort) {
    if (!CanOutput()) {
        return true;
    }
    if (abort) {
        return false;
    }
    // Gathered to a full block so that only the last one can end inside a
    // frame; dropping a piece mid-stream would swap or shift the channels.
    bool endOfData = false;
    const std::size_t bytes = FillBuffer(*Input(), m_block.data(), m_block.size(), endOfData);
    if (bytes == 0) {
        return false;
    }
    const std::uint8_t* block = m_block.data();
    const std::size_t samples = bytes / (2 * static_cast<std::size_t>(m_channels));  // per channel
    if (m_channels == 2) {
        std::memcpy(m_pcm.data(), block, samples * 4U);
    } else {
        for (std::size_t i = 0; i < samples; ++i) {
            std::int16_t sample = 0;
            std::memcpy(&sample, block + 2 * i, 2);
            m_pcm[2 * i] = sample;
            m_pcm[2 * i + 1] = sample;
        }
    }
    const int result = m_lame->lame_encode_buffer_interleaved(
        m_handle.get(), m_pcm.data(), static_cast<int>(samples), m_mp3.data(),
        static_cast<int>(m_mp3.size()));
    if (result < 0) {
        return false;
    }
    WriteEncoded(result);
    return true;
}

void TMP3Out::WriteEncoded(int bytes) {
    if (bytes > 0) {
        m_stream->Write(m_mp3.data(), static_cast<std::size_t>(bytes));
    }
}

void TMP3Out::Done() {
    m_lame->id3tag_init(m_handle.get());
    WriteEncoded(
        m_lame->lame_encode_flush(m_handle.get(), m_mp3.data(), static_cast<int>(m_mp3.size())));
    ReleaseStream();
    ReleaseRun();
    Input()->Flush();
}

void TMP3Out::ReleaseAfterFailure() {
    ReleaseRun();
    TAuTaggedFileOut::ReleaseAfterFailure();
}

void TMP3Out::ReleaseRun() {
    m_handle.reset();
    m_block = {};
    m_pcm = {};
    m_mp3 = {};
}

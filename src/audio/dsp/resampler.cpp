// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>

#include "audio/core/au_exception.h"
#include "audio/dsp/pcm_convert.h"

namespace {

constexpr std::size_t kInputSamples = 1024 * 1024;  // 2 MiB of 16-bit input
constexpr std::size_t kAreaSamples = 1024 * 1024;   // float areas and 16-bit output
constexpr std::size_t kChunkSamples = 512 * 1024;   // at most 1 MiB of input per call
constexpr std::int64_t kLowestRate = 2000;          // Hz; this and below are refused
constexpr std::int64_t kHighestRate = 999999;       // Hz

std::string RatioText(double ratio) {
    std::ostringstream text;
    text << ratio;
    return text.str();
}

std::int16_t ClippedSample(float value) {
    const float scaled = std::floor(value * 32768.0F);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0F, 32767.0F));
}

}  // namespace

TResampler::TResampler()
    : m_src(AcquireBinding<SamplerateBinding>()),
      m_in(kInputSamples),
      m_wide(kInputSamples * 3),
      m_floatIn(kAreaSamples),
      m_floatOut(kAreaSamples),
      m_out(kAreaSamples) {}

TResampler::~TResampler() {
    NotifyDestruction();
}

void TResampler::SetOutSampleRate(std::int64_t value) {
    const bool usable = value > kLowestRate && value <= kHighestRate;
    m_outSampleRate = usable ? static_cast<std::uint32_t>(value) : kDefaultSampleRate;
}

bool TResampler::PassesThrough() {
    if (m_busy) {
        return m_passThrough;
    }
    return Input() != nullptr &&
           Input()->SampleRate() == static_cast<std::int64_t>(m_outSampleRate);
}

int TResampler::BitsPerSample() {
    if (Input() == nullptr) {
        return 0;
    }
    const int bits = Input()->BitsPerSample();
    return bits == 24 && !PassesThrough() ? 16 : bits;
}

int TResampler::Channels() {
    if (Input() == nullptr) {
        throw EAuException("Input not assigned");
    }
    return Input()->Channels();
}

void TResampler::InitInternal() {
    if (m_busy) {
        throw EAuException("The component is busy.");
    }
    TAuInput* input = Input();
    if (input == nullptr) {
        throw EAuException("Input is not assigned");
    }
    m_endOfInput = false;
    m_tailPending = false;
    m_inFill = 0;
    m_carry = 0;
    m_outPos = m_outLen = 0;
    m_startFailure.clear();
    m_busy = true;
    input->Init();
    m_position = 0;

    const int inRate = input->SampleRate();
    m_inBits = input->BitsPerSample();
    m_channels = input->Channels();
    m_passThrough = inRate == static_cast<std::int64_t>(m_outSampleRate);
    if (m_passThrough) {
        m_size = input->Size();
        return;
    }
    m_size = 0;
    const double ratio = inRate > 0 ? static_cast<double>(m_outSampleRate) / inRate : 0.0;
    if (inRate <= 0 || m_src->src_is_valid_ratio(ratio) == 0) {
        m_startFailure = "Frequences ratio " + RatioText(ratio) + " is invalid";
        return;
    }
    if (m_inBits != 8 && m_inBits != 16 && m_inBits != 24) {
        m_startFailure = "Cannot resample " + std::to_string(m_inBits) + "-bit audio";
        return;
    }
    int error = 0;
    m_state = std::unique_ptr<SRC_STATE, SrcStateDeleter>(
        m_src->src_new(m_quality, m_channels, &error), SrcStateDeleter{m_src->src_delete});
    if (!m_state || error != 0) {
        m_state.reset();
        m_startFailure = "Failed to initialize the resampler";
        return;
    }
    m_data = SRC_DATA{};
    m_data.src_ratio = ratio;

    const std::int64_t inSize = input->Size();
    if (inSize < 0) {
        m_size = -1;
        return;
    }
    std::int64_t size = std::llround(static_cast<double>(inSize) * m_outSampleRate / inRate);
    std::int64_t frame = std::int64_t{m_inBits} * m_channels / 8;
    if (m_inBits == 24) {
        size = std::llround(static_cast<double>(size) * 2.0 / 3.0);
        frame = std::int64_t{m_channels} * 2;
    }
    m_size = size - size % frame;
}

void TResampler::FlushInternal() {
    if (Input() != nullptr) {
        Input()->Flush();
    }
    m_state.reset();
    m_busy = false;
}

void TResampler::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    if (m_busy && m_passThrough) {
        Input()->GetData(buffer, bytes);
        return;
    }
    if (!m_startFailure.empty()) {
        throw EAuException(m_startFailure);
    }
    // A refill may produce nothing while the library still gathers input.
    while (m_busy && m_outPos >= m_outLen) {
        m_outPos = m_outLen = 0;
        ReadInput();
        if (m_inFill == 0 && !m_tailPending) {
            FillToSize();
            break;
        }
        Resample();
    }
    std::size_t count = std::min(bytes, m_outLen - m_outPos);
    if (m_size >= 0) {
        count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(count), m_size - m_position));
    }
    if (count == 0) {
        m_endOfInput = true;
        buffer = nullptr;
        bytes = 0;
        return;
    }
    buffer = reinterpret_cast<const std::uint8_t*>(m_out.data()) + m_outPos;
    bytes = count;
    m_outPos += count;
}

void TResampler::ReadInput() {
    const std::size_t freeSamples = m_in.size() - m_inFill;
    if (m_endOfInput || freeSamples == 0) {
        return;
    }
    const auto width = static_cast<std::size_t>(m_inBits / 8);
    const std::size_t got =
        CopyData(*Input(), m_wide.data() + m_carry, freeSamples * width - m_carry);
    if (got == 0) {
        m_endOfInput = true;
        m_tailPending = true;  // the library still holds the end of the audio
        return;
    }
    const std::size_t total = m_carry + got;
    const std::size_t samples = total / width;
    // The free area holds `samples` 16-bit samples: 24-bit ones are narrowed
    // on their way in, for they would not fit there as they are.
    auto* dest = reinterpret_cast<std::uint8_t*>(m_in.data() + m_inFill);
    if (m_inBits == 24) {
        Narrow24To16(m_wide.data(), samples * width, dest);
    } else {
        std::memcpy(dest, m_wide.data(), samples * width);
        if (m_inBits == 8) {
            Widen8To16(dest, samples);
        }
    }
    m_inFill += samples;
    // A sample cut off by the read waits for the rest of its bytes.
    m_carry = total - samples * width;
    std::memmove(m_wide.data(), m_wide.data() + samples * width, m_carry);
}

void TResampler::Resample() {
    const auto channels = static_cast<std::size_t>(m_channels);
    const std::size_t samples = std::min(m_inFill, kChunkSamples);
    m_src->src_short_to_float_array(m_in.data(), m_floatIn.data(), static_cast<int>(samples));
    m_data.data_in = m_floatIn.data();
    m_data.data_out = m_floatOut.data();
    m_data.input_frames = static_cast<long>(samples / channels);
    m_data.output_frames = static_cast<long>(kAreaSamples / channels);
    m_data.end_of_input = m_endOfInput && m_inFill <= kChunkSamples ? 1 : 0;
    const int error = m_src->src_process(m_state.get(), &m_data);
    if (error != 0) {
        m_endOfInput = true;
        m_inFill = 0;
        m_tailPending = false;
        throw EAuException(m_src->src_strerror(error));
    }
    const auto generated = static_cast<std::size_t>(m_data.output_frames_gen) * channels;
    std::transform(m_floatOut.begin(), m_floatOut.begin() + static_cast<std::ptrdiff_t>(generated),
                   m_out.begin(), ClippedSample);
    m_outLen = generated * 2;
    const auto used = static_cast<std::size_t>(m_data.input_frames_used) * channels;
    std::memmove(m_in.data(), m_in.data() + used, (m_inFill - used) * sizeof(std::int16_t));
    m_inFill -= used;
    const bool flushing = m_data.end_of_input != 0;
    m_tailPending = flushing && m_data.output_frames_gen == m_data.output_frames;
    if (flushing && used == 0 && generated == 0) {
        m_inFill = 0;  // less than a frame left: nothing more will come of it
    }
    if (m_inBits == 8) {
        m_outLen = Narrow16To8(reinterpret_cast<std::uint8_t*>(m_out.data()), m_outLen);
    }
}

void TResampler::FillToSize() {
    m_endOfInput = true;
    const std::int64_t missing = m_size - m_position;
    if (missing <= 0) {
        return;
    }
    const std::size_t fill =
        std::min(static_cast<std::size_t>(missing), m_out.size() * sizeof(std::int16_t));
    // Silence of the output's width (8-bit samples are unsigned).
    std::memset(m_out.data(), m_inBits == 8 ? 0x80 : 0, fill);
    m_outLen = fill;
}

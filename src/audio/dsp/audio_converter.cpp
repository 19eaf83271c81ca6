// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/dsp/audio_converter.h"

#include <algorithm>
#include <cmath>

#include "audio/core/au_exception.h"

namespace {

constexpr std::size_t kBlockBytes = 12288;
// No step of a conversion holds a frame wider than 24-bit stereo.
constexpr std::size_t kWidestFrameBytes = 6;

bool SupportedWidth(int bits) {
    return bits == 8 || bits == 16 || bits == 24;
}

bool SupportedChannels(int channels) {
    return channels == 1 || channels == 2;
}

}  // namespace

TAudioConverter::~TAudioConverter() {
    NotifyDestruction();
}

int TAudioConverter::BitsPerSample() {
    if (m_outBitsPerSample != 0) {
        return m_outBitsPerSample;
    }
    return Input() != nullptr ? Input()->BitsPerSample() : 0;
}

int TAudioConverter::Channels() {
    if (m_outChannels != 0) {
        return m_outChannels;
    }
    return Input() != nullptr ? Input()->Channels() : 0;
}

int TAudioConverter::SampleRate() {
    return Input() != nullptr ? Input()->SampleRate() : 0;
}

void TAudioConverter::InitInternal() {
    TAuInput* input = Input();
    if (input == nullptr) {
        throw EAuException("Input is not assigned");
    }
    input->Init();
    m_busy = true;
    m_position = 0;
    m_blockStart = m_blockEnd = 0;
    m_inputEnded = false;
    m_startFailure.clear();
    m_inBits = input->BitsPerSample();
    m_inChannels = input->Channels();
    m_outBits = BitsPerSample();
    m_outChans = Channels();
    const bool same = m_inBits == m_outBits && m_inChannels == m_outChans;
    const int inWidth = m_inBits * m_inChannels;
    const int outWidth = m_outBits * m_outChans;
    if (inWidth <= 0 || inWidth % 8 != 0 ||
        (!same && !(SupportedWidth(m_inBits) && SupportedWidth(m_outBits) &&
                    SupportedChannels(m_inChannels) && SupportedChannels(m_outChans)))) {
        m_startFailure = "Cannot convert " + std::to_string(m_inBits) + "-bit " +
                         std::to_string(m_inChannels) + "-channel audio to " +
                         std::to_string(m_outBits) + "-bit " + std::to_string(m_outChans) +
                         "-channel audio";
        m_size = 0;
        return;
    }
    const auto inFrame = static_cast<std::size_t>(inWidth / 8);
    m_bufferSize = kBlockBytes - kBlockBytes % inFrame;
    // A block grows and shrinks on its way (mono 24-bit to stereo 8-bit is
    // stereo 24-bit in between): room for its widest step.
    m_work.resize(std::max(m_bufferSize, m_bufferSize / inFrame * kWidestFrameBytes));
    const std::int64_t inSize = input->Size();
    if (inSize < 0) {
        m_size = -1;
    } else {
        const auto outFrame = static_cast<std::int64_t>(outWidth / 8);
        const auto size = static_cast<std::int64_t>(
            std::llround(static_cast<double>(inSize) * outWidth / inWidth));
        m_size = size - size % outFrame;
    }
}

void TAudioConverter::FlushInternal() {
    if (Input() != nullptr) {
        Input()->Flush();
    }
    m_work.clear();
    m_work.shrink_to_fit();
    m_busy = false;
}

void TAudioConverter::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    if (!m_busy) {
        throw EAuException("The Stream is not opened");
    }
    if (!m_startFailure.empty()) {
        throw EAuException(m_startFailure);
    }
    if (m_blockStart >= m_blockEnd && !Refill()) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    bytes = std::min(bytes, m_blockEnd - m_blockStart);
    buffer = m_work.data() + m_blockStart;
    m_blockStart += bytes;
}

bool TAudioConverter::Refill() {
    if (m_inputEnded || Input() == nullptr) {
        return false;
    }
    bool endOfData = false;
    std::size_t got = FillBuffer(*Input(), m_work.data(), m_bufferSize, endOfData);
    m_inputEnded = endOfData;
    // A cut-off frame at the very end would shift the channels: dropped.
    got -= got % static_cast<std::size_t>(m_inBits * m_inChannels / 8);
    m_blockStart = 0;
    m_blockEnd = got == 0 ? 0 : Convert(got);
    return m_blockEnd > 0;
}

std::size_t TAudioConverter::Convert(std::size_t bytes) {
    std::uint8_t* data = m_work.data();
    if (m_inChannels == 2 && m_outChans == 1) {
        bytes = MixStereoToMono(data, bytes, m_inBits);
    } else if (m_inChannels == 1 && m_outChans == 2) {
        bytes = SpreadMonoToStereo(data, bytes, m_inBits, m_mode);
    }
    int bits = m_inBits;
    if (bits == 24 && m_outBits != 24) {
        bytes = Narrow24To16(data, bytes);
        bits = 16;
    }
    if (bits == 8 && m_outBits != 8) {
        bytes = Widen8To16(data, bytes);
        bits = 16;
    } else if (bits != 8 && m_outBits == 8) {
        bytes = Narrow16To8(data, bytes);
        bits = 8;
    }
    if (bits != 24 && m_outBits == 24) {
        bytes = Widen16To24(data, bytes);
    }
    return bytes;
}

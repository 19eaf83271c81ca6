// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/audio/memory_input.h"

#include <algorithm>
#include <utility>

MemoryInput::MemoryInput(std::vector<std::uint8_t> data, std::size_t piece)
    : MemoryInput(std::move(data), PcmFormat{}, piece) {}

MemoryInput::MemoryInput(std::vector<std::uint8_t> data, PcmFormat format, std::size_t piece)
    : m_data(std::move(data)), m_format(format), m_piece(piece) {}

MemoryInput::~MemoryInput() {
    NotifyDestruction();
}

void MemoryInput::InitInternal() {
    ++Inits;
    m_offset = 0;
    m_position = 0;
    if (m_unknownSize) {
        m_size = -1;
    } else {
        m_size = m_announced == kOwnLength ? static_cast<std::int64_t>(m_data.size()) : m_announced;
    }
    m_sampleSize = static_cast<std::uint16_t>(m_format.channels * m_format.bitsPerSample / 8);
    m_busy = true;
}

void MemoryInput::FlushInternal() {
    ++Flushes;
    m_busy = false;
}

void MemoryInput::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    Requests.push_back(bytes);
    if (m_endless && m_offset >= m_data.size()) {
        m_offset = 0;
    }
    bytes = std::min({bytes, m_piece, m_data.size() - m_offset});
    buffer = m_data.data() + m_offset;
    m_offset += bytes;
    if (!m_unknownSize && !m_endless) {
        // TAuInput's base GetData keeps no position; this input does.
        m_position += static_cast<std::int64_t>(bytes);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_input.h"

#include <algorithm>
#include <cstring>

int TAuInput::TotalTime() {
    return 0;
}

std::int64_t TAuInput::TotalSamples() {
    return 0;
}

void TAuInput::Init() {
    std::lock_guard lock(m_dataLock);
    m_endOfStream = false;
    try {
        InitInternal();
    } catch (...) {
        m_endOfStream = true;
    }
}

void TAuInput::Flush() {
    std::lock_guard lock(m_dataLock);
    FlushInternal();
}

void TAuInput::GetData(const std::uint8_t*& buffer, std::size_t& bytes) {
    std::lock_guard lock(m_dataLock);
    GetDataInternal(buffer, bytes);
}

void TAuStreamedInput::SetStream(AuStream* stream) {
    m_stream = stream;
    m_streamAssigned = stream != nullptr;
}

void TAuStreamedInput::GetData(const std::uint8_t*& buffer, std::size_t& bytes) {
    std::lock_guard lock(m_dataLock);
    if (m_endOfStream) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    const std::size_t requested = bytes;
    for (int attempt = 0; attempt < 2; ++attempt) {
        bytes = requested;
        // A known size ends the pass exactly, even when the source's last
        // piece reaches further (a chunk after the audio, the window's end).
        const std::int64_t left = m_size - m_position;
        if (m_size > 0 && left >= 0 && static_cast<std::uint64_t>(left) < bytes) {
            bytes = static_cast<std::size_t>(left);
        }
        if (bytes > 0) {
            GetDataInternal(buffer, bytes);
        } else {
            buffer = nullptr;
        }
        if (bytes == 0) {
            m_endOfStream = true;
        } else {
            m_position += static_cast<std::int64_t>(bytes);
            if (m_size > 0 && m_position >= m_size) {
                m_endOfStream = true;
            }
        }
        if (!m_endOfStream || !m_loop || attempt == 1) {
            return;
        }
        m_endOfStream = false;
        if (m_seekable) {
            std::int64_t frame = m_startSample;
            SeekInternal(frame);
        } else {
            Flush();
            Init();
        }
        m_position = 0;
        if (bytes > 0) {
            return;  // this call delivered data; the next one reads the restart
        }
    }
}

void TAuConverter::SetInput(TAuInput* value) {
    if (value == this) {
        return;
    }
    std::lock_guard lock(m_dataLock);
    if (m_busy) {
        if (m_input) {
            m_input->Flush();
        }
        if (value) {
            value->Init();
        }
    }
    if (m_input) {
        m_input->RemoveFreeNotification(this);
    }
    m_input = value;
    if (m_input) {
        m_input->FreeNotification(this);
    }
}

void TAuConverter::GetData(const std::uint8_t*& buffer, std::size_t& bytes) {
    std::lock_guard lock(m_dataLock);
    if (m_endOfStream) {
        buffer = nullptr;
        bytes = 0;
        return;
    }
    GetDataInternal(buffer, bytes);
    m_position += static_cast<std::int64_t>(bytes);
    if (bytes == 0) {
        m_endOfStream = true;
    }
}

void TAuConverter::Notification(TComponent* component) {
    if (component == m_input) {
        SetInput(nullptr);
    }
}

std::size_t CopyData(TAuInput& input, void* dest, std::size_t count) {
    const std::uint8_t* buffer = nullptr;
    std::size_t bytes = count;
    input.GetData(buffer, bytes);
    bytes = std::min(bytes, count);
    if (bytes > 0 && buffer) {
        std::memcpy(dest, buffer, bytes);
    }
    return buffer ? bytes : 0;
}

std::size_t FillBuffer(TAuInput& input, void* dest, std::size_t count, bool& endOfData) {
    auto* out = static_cast<std::uint8_t*>(dest);
    std::size_t gathered = 0;
    endOfData = count == 0;
    while (gathered < count) {
        const std::size_t got = CopyData(input, out + gathered, count - gathered);
        if (got == 0) {
            endOfData = true;
            break;
        }
        gathered += got;
    }
    return gathered;
}

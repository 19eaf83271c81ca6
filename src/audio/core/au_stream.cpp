// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/au_stream.h"

#include <algorithm>
#include <cstring>

#include "audio/core/au_exception.h"

void AuStream::ReadBuffer(void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
        const std::size_t got = Read(out, count);
        if (got == 0) {
            throw EAuException("Stream read error");
        }
        out += got;
        count -= got;
    }
}

AuMemoryStream::AuMemoryStream(std::vector<std::uint8_t> data) : m_data(std::move(data)) {}

std::size_t AuMemoryStream::Read(void* buffer, std::size_t count) {
    const auto size = static_cast<std::int64_t>(m_data.size());
    if (m_position >= size) {
        return 0;
    }
    const auto available = static_cast<std::size_t>(size - m_position);
    const std::size_t n = std::min(count, available);
    std::memcpy(buffer, m_data.data() + m_position, n);
    m_position += static_cast<std::int64_t>(n);
    return n;
}

void AuMemoryStream::Write(const void* buffer, std::size_t count) {
    const auto end = static_cast<std::size_t>(m_position) + count;
    if (end > m_data.size()) {
        m_data.resize(end);
    }
    if (count > 0) {
        std::memcpy(m_data.data() + m_position, buffer, count);
    }
    m_position = static_cast<std::int64_t>(end);
}

std::int64_t AuMemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == SeekOrigin::Current) {
        base = m_position;
    } else if (origin == SeekOrigin::End) {
        base = Size();
    }
    if (base + offset < 0) {
        throw EAuException("Stream seek error");
    }
    m_position = base + offset;
    return m_position;
}

void AuMemoryStream::SetSize(std::int64_t size) {
    if (size < 0) {
        throw EAuException("Stream size error");
    }
    m_data.resize(static_cast<std::size_t>(size));
}

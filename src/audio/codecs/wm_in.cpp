// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/wm_in.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "audio/codecs/wm_reader.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"
#include "audio/tags/au_tag_text.h"

namespace {

constexpr std::int64_t kHundredthIn100ns = 100000;

// The 1-based track of a 0-based "WM/Track" value; other text unchanged.
std::string OneBasedTrack(const std::string& zeroBased) {
    int track = 0;
    const char* end = zeroBased.data() + zeroBased.size();
    const auto [next, error] = std::from_chars(zeroBased.data(), end, track);
    if (error != std::errc{} || next != end || track < 0) {
        return zeroBased;
    }
    return std::to_string(track + 1);
}

// Sample frames in `duration` (100 ns) counted in whole hundredths of a
// second; 0 (unknown) when their bytes could not be counted.
std::int64_t FramesIn(std::int64_t duration, int sampleRate, int channels) {
    const std::int64_t hundredths = duration / kHundredthIn100ns +
                                    (duration % kHundredthIn100ns >= kHundredthIn100ns / 2 ? 1 : 0);
    const std::int64_t most = std::numeric_limits<std::int64_t>::max() / sampleRate / channels / 2;
    if (hundredths / 100 >= most) {
        return 0;
    }
    return hundredths / 100 * sampleRate + hundredths % 100 * sampleRate / 100;
}

// The time of `frame` in microseconds, in two steps so that a far frame
// cannot overflow; frames beyond any file go to the latest time.
std::int64_t MicrosecondsAt(std::int64_t frame, int sampleRate) {
    constexpr std::int64_t kMicro = 1000000;
    const std::int64_t seconds =
        std::min(frame / sampleRate, std::numeric_limits<std::int64_t>::max() / kMicro - 1);
    return seconds * kMicro + frame % sampleRate * kMicro / sampleRate;
}

}  // namespace

TWMIn::TWMIn() = default;

TWMIn::~TWMIn() {
    NotifyDestruction();
    CloseFile();
}

std::int64_t TWMIn::Duration() {
    OpenFile();
    return m_duration;
}

TId3v2Tags& TWMIn::Id3v2Tags() {
    OpenFile();
    return TAuTaggedFileIn::Id3v2Tags();
}

void TWMIn::OpenFile() {
    std::lock_guard lock(m_openLock);
    if (m_opened != 0) {
        return;
    }
    if (!m_streamAssigned && m_fileName.empty()) {
        throw EAuException("File name is not assigned");
    }
    OpenOwnStream(TAuFileStream::kReadShareReadWrite);
    m_reader = WMSyncReader::Open(*m_stream);
    if (!m_reader || m_reader->Protected()) {
        // Not counted as open: the next query tries again.
        const bool isProtected = m_reader != nullptr;
        m_reader.reset();
        ReleaseStream();
        m_valid = false;
        throw EAuException(isProtected ? "File is protected"
                                       : FormatAuMessage("Cannot decode file %s", m_fileName));
    }
    m_valid = true;
    m_duration = m_reader->Duration();
    m_channels = m_reader->Channels();
    m_sampleRate = m_reader->SampleRate();
    m_bitsPerSample = 16;
    m_totalSamples = FramesIn(m_duration, m_sampleRate, m_channels);
    m_size = m_totalSamples * m_channels * 2;
    m_seekable = true;
    ReadAttributes();
    m_held = {};
    ++m_opened;
}

void TWMIn::ReadAttributes() {
    TId3v2Tags& tags = TAuTaggedFileIn::Id3v2Tags();
    const auto text = [this](const char* key) { return Utf8ToUtf16(m_reader->Attribute(key)); };
    tags.SetArtist(text("artist"));
    tags.SetTitle(text("title"));
    tags.SetAlbum(text("album"));
    tags.SetGenre(text("genre"));
    // "WM/TrackNumber" (and ID3's track) counts from 1, "WM/Track" from 0.
    std::string track = m_reader->Attribute("track");
    if (track.empty()) {
        const std::string zeroBased = m_reader->Attribute("WM/Track");
        track = zeroBased.empty() ? "" : OneBasedTrack(zeroBased);
    }
    tags.SetTrack(Utf8ToUtf16(track));
    std::string year = m_reader->Attribute("WM/Year");
    tags.SetYear(Utf8ToUtf16(year.empty() ? m_reader->Attribute("date") : year));
    tags.SetComment(text("copyright"));
}

void TWMIn::CloseFile() {
    std::lock_guard lock(m_openLock);
    if (m_opened == 0) {
        return;
    }
    m_held = {};
    m_reader.reset();
    ReleaseStream();
    m_opened = 0;
}

void TWMIn::ReleaseStream() {
    if (m_streamAssigned) {
        m_stream->SetPosition(0);
    } else {
        CloseOwnStream();
    }
}

void TWMIn::InitInternal() {
    TAuFileIn::InitInternal();
    constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::max();
    const std::int64_t frames = m_endSample - m_startSample + 1;
    const bool bounded = m_endSample >= 0 && m_sampleSize > 0 && frames < kNoEnd / m_sampleSize;
    m_windowEnd = bounded ? std::max<std::int64_t>(frames, 0) * m_sampleSize : kNoEnd;
}

void TWMIn::GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) {
    if (m_held.empty() && m_reader) {
        m_held = m_reader->NextBlock();
    }
    if (m_held.empty()) {
        buffer = nullptr;
        bytes = 0;
        m_size = m_position.load();  // the real length
        return;
    }
    bytes = std::min(bytes, m_held.size());
    buffer = m_held.data();
    m_held = m_held.subspan(bytes);
    if (m_size > 0 && m_size < m_windowEnd &&
        m_position + static_cast<std::int64_t>(bytes) >= m_size) {
        // The estimate is used up, yet the decoder may hold more: keep the
        // pass going until it ends (which sets the real size) or reaches the
        // window's end.
        m_size = std::min(m_windowEnd,
                          m_position + static_cast<std::int64_t>(bytes + m_held.size()) + 1);
    }
}

bool TWMIn::SeekInternal(std::int64_t& frame) {
    if (!m_busy || !m_reader || m_sampleRate <= 0) {
        return false;
    }
    m_held = {};
    m_reader->Seek(MicrosecondsAt(frame, m_sampleRate));
    return true;
}

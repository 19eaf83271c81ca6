// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/wma_out.h"

#include <charconv>

#include "audio/codecs/wma_formats.h"
#include "audio/codecs/wma_writer.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"
#include "audio/tags/au_tag_text.h"

namespace {

// The 0-based "WM/Track" of a 1-based track number; nothing for other text.
std::string ZeroBasedTrack(const std::string& track) {
    int number = 0;
    const char* end = track.data() + track.size();
    const auto [next, error] = std::from_chars(track.data(), end, number);
    if (error != std::errc{} || next != end || number < 1) {
        return {};
    }
    return std::to_string(number - 1);
}

}  // namespace

TWMAOut::TWMAOut() {
    for (const TWMACodec& codec : WMACodecs()) {
        m_codecs.push_back(codec.Name);
    }
}

TWMAOut::~TWMAOut() {
    Stop(false);
}

std::vector<std::string> TWMAOut::Formats(int codecPosition) const {
    std::vector<std::string> descriptions;
    if (codecPosition < 0 || static_cast<std::size_t>(codecPosition) >= m_codecs.size()) {
        return descriptions;
    }
    for (const TWMAFormat& format : WMAFormats(m_vbr || m_lossless)) {
        descriptions.push_back(format.Description());
    }
    return descriptions;
}

bool TWMAOut::HasVBRFormats(int codecPosition) const {
    return codecPosition >= 0 && static_cast<std::size_t>(codecPosition) < m_codecs.size() &&
           !WMAFormats(true).empty();
}

void TWMAOut::Prepare() {
    m_endOfData = false;
    if (!StreamAssigned() && FileName().empty()) {
        throw EAuException("File name is not assigned.");
    }
    TAuInput& input = *Input();
    input.Init();
    const TWMAInput pcm{input.Channels(), input.SampleRate(), input.BitsPerSample()};
    const std::optional<TWMAChoice> choice =
        m_codecPosition >= 0 ? WMAFormatAt(m_codecPosition, m_formatPosition, m_vbr || m_lossless)
        : m_vbr ? SearchWMAFormat(m_vbrQuality, true, m_lossless, pcm.Channels, pcm.BitsPerSample,
                                  pcm.SampleRate)
                : SearchWMAFormat(m_desiredBitrate, false, m_lossless, pcm.Channels,
                                  pcm.BitsPerSample, pcm.SampleRate);
    if (!choice) {
        throw EAuException("Failed to init codec");
    }
    m_writer = std::make_unique<TWMAWriter>(*choice, pcm);
    if (!StreamAssigned()) {
        // Created by this run: a failed run removes it again.
        SetOwnStream(std::make_unique<TAuFileStream>(FileName(), TAuFileStream::kCreate), true);
    }
    m_writer->Begin(*m_stream, Attributes());
    // A hundredth of a second of audio, in bits' worth of bytes (80 ms of
    // 16-bit audio), kept to whole sample frames.
    const std::size_t frameBytes =
        static_cast<std::size_t>(pcm.Channels) * static_cast<std::size_t>(pcm.BitsPerSample) / 8;
    const std::size_t wanted = static_cast<std::size_t>(pcm.Channels) *
                               static_cast<std::size_t>(pcm.BitsPerSample) *
                               static_cast<std::size_t>(pcm.SampleRate) / 100;
    m_block.resize(std::max(frameBytes, wanted / frameBytes * frameBytes));
}

std::vector<std::pair<std::string, std::string>> TWMAOut::Attributes() {
    TId3v2Tags& tags = Id3v2Tags();
    std::vector<std::pair<std::string, std::string>> attributes;
    const auto add = [&attributes](const char* key, const std::u16string& value) {
        if (!value.empty()) {
            attributes.emplace_back(key, Utf16ToUtf8(value));
        }
    };
    add("artist", tags.Artist());  // "Author"
    add("album", tags.Album());    // "WM/AlbumTitle"
    add("genre", tags.Genre());    // "WM/Genre"
    add("WM/Year", tags.Year());
    // "WM/TrackNumber" counts from 1, "WM/Track" from 0; readers look at
    // either, so both are written.
    add("track", tags.Track());
    add("WM/Track", Utf8ToUtf16(ZeroBasedTrack(Utf16ToUtf8(tags.Track()))));
    add("title", tags.Title());
    add("copyright", tags.Comment());
    return attributes;
}

bool TWMAOut::DoOutput(bool abort) {
    if (!CanOutput()) {
        return true;
    }
    if (abort || m_endOfData) {
        return false;
    }
    const std::size_t bytes = FillBuffer(*Input(), m_block.data(), m_block.size(), m_endOfData);
    m_writer->Write(m_block.data(), bytes);
    return true;
}

void TWMAOut::Done() {
    Input()->Flush();
    m_writer->Finish();
    ReleaseRun();
    ReleaseStream();
}

void TWMAOut::ReleaseAfterFailure() {
    ReleaseRun();
    TAuTaggedFileOut::ReleaseAfterFailure();
}

void TWMAOut::ReleaseRun() {
    m_writer.reset();
    m_block = {};
}

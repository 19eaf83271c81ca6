// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "audio/codecs/audio_stream.h"
#include "audio/codecs/ffmpeg_handles.h"
#include "audio/core/au_stream.h"

// Decodes the best audio stream of any file FFmpeg opens (Windows Media
// audio, MP3, ...) into 16-bit interleaved PCM at the stream's own rate and
// channel count, block by block. Used by TWMIn on one thread at a time;
// an internal header (it includes FFmpeg's).
class WMSyncReader {
public:
    // Opens a reader on `stream` from its start; when FFmpeg cannot open it
    // there, from byte 30. nullptr when neither works or there is no audio.
    [[nodiscard]] static std::unique_ptr<WMSyncReader> Open(AuStream& stream);
    ~WMSyncReader();
    WMSyncReader(const WMSyncReader&) = delete;
    WMSyncReader& operator=(const WMSyncReader&) = delete;

    [[nodiscard]] int Channels() const { return m_channels; }
    [[nodiscard]] int SampleRate() const { return m_sampleRate; }
    // The container's duration in 100-ns units; 0 when unknown.
    [[nodiscard]] std::int64_t Duration() const { return m_duration; }
    // The file carries a DRM marker.
    [[nodiscard]] bool Protected() const { return m_protected; }
    // A metadata value by FFmpeg's key (any letter case); empty when missing.
    [[nodiscard]] std::string Attribute(const char* key) const;

    // The next decoded block, valid until the next call; empty at the end.
    [[nodiscard]] std::span<const std::uint8_t> NextBlock();
    // Continues decoding near `microseconds` from the start.
    void Seek(std::int64_t microseconds);

private:
    WMSyncReader() = default;
    // False when FFmpeg cannot open the stream from `origin` or finds no audio.
    bool OpenFrom(AuStream& stream, std::int64_t origin);
    // Sends the next packet of the audio stream (or the end) to the decoder;
    // false once the decoder has had the end.
    bool FeedDecoder();
    // Converts m_frame into m_pcm; false when it cannot be converted.
    bool Convert();
    // Makes m_resampler take the frame's format, rate and layout.
    bool MatchResampler(const AVFrame& frame);

    std::unique_ptr<TAudioStream> m_io;  // destroyed after the format context
    InputFormatPtr m_format;
    CodecContextPtr m_codec;
    PacketPtr m_packet;
    FramePtr m_frame;
    ResamplerPtr m_resampler;
    int m_streamIndex = -1;
    int m_channels = 0;
    int m_sampleRate = 0;
    std::int64_t m_duration = 0;
    bool m_protected = false;
    bool m_endSent = false;
    // The decoded frames' format, rate and layout that m_resampler expects.
    int m_fromFormat = -1;
    int m_fromRate = 0;
    AVChannelLayout m_fromLayout{};
    AVChannelLayout m_outLayout{};  // the stream's own
    std::vector<std::uint8_t> m_pcm;
};

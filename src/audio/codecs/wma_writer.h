// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "audio/codecs/audio_stream.h"
#include "audio/codecs/ffmpeg_handles.h"
#include "audio/codecs/wma_formats.h"
#include "audio/core/au_stream.h"

// The PCM a writer takes: interleaved little-endian integer samples.
struct TWMAInput {
    int Channels;
    int SampleRate;
    int BitsPerSample;  // 8 (unsigned), 16, 24 or 32
};

// Encodes PCM into an ASF (WMA) file with FFmpeg: converts, resamples and
// mixes the input to the chosen format with swresample, cuts it into the
// encoder's frames, and writes them through the ASF muxer. One frame of
// silence goes first, because FFmpeg's decoder drops that much at the start;
// the last frame is padded with silence. The ASF packet size is fitted to
// the encoder's packets so that no space is wasted between them.
// Used by TWMAOut on its worker; an internal header (it includes FFmpeg's).
class TWMAWriter {
public:
    // Raises EAuException "Failed to init codec" when the encoder or the
    // converter refuses the formats.
    TWMAWriter(const TWMAChoice& choice, const TWMAInput& input);
    ~TWMAWriter();
    TWMAWriter(const TWMAWriter&) = delete;
    TWMAWriter& operator=(const TWMAWriter&) = delete;

    // Writes the file header with the attributes (FFmpeg metadata keys and
    // values, UTF-8) into `stream`, which must outlive the writer and be
    // seekable. Raises EAuException "Cannot create file" when that fails.
    void Begin(AuStream& stream,
               const std::vector<std::pair<std::string, std::string>>& attributes);
    // Encodes whole sample frames; a piece of a frame at the end is dropped.
    void Write(const std::uint8_t* pcm, std::size_t bytes);
    // Encodes what is left and completes the file.
    void Finish();

private:
    void OpenEncoder(const TWMAChoice& choice);
    void OpenResampler(const TWMAInput& input);
    // Appends `count` converted samples per channel from m_planes to m_fifo.
    void Queue(int count);
    // Sends every full frame of m_fifo; with `last` also the rest, padded.
    void EncodeQueued(bool last);
    // Sends a frame (nullptr: the end) and writes the packets it yields.
    void Send(const AVFrame* frame);

    const AVCodec* m_encoder = nullptr;
    CodecContextPtr m_codec;
    std::unique_ptr<TAudioStream> m_io;  // outlives the muxer that writes through it
    OutputFormatPtr m_format;
    ResamplerPtr m_resampler;
    AudioFifoPtr m_fifo;
    FramePtr m_frame;
    PacketPtr m_packet;
    AVStream* m_stream = nullptr;
    int m_inputFrameBytes = 0;
    int m_inputBits = 0;
    std::vector<std::int32_t> m_widened;       // 24-bit input as 32-bit
    std::vector<std::vector<float>> m_planes;  // converted samples, one plane per channel
    std::int64_t m_samplesSent = 0;            // encoder time base
};

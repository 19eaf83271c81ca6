// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/wav/wave_converter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
}

#include <algorithm>
#include <limits>
#include <memory>

#include "audio/wav/pcm_wav_header.h"
#include "audio/wav/wav_bytes.h"

namespace {

constexpr std::size_t kReadPiece = 1 << 16;

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct ParserDeleter {
    void operator()(AVCodecParserContext* parser) const { av_parser_close(parser); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

std::int16_t FloatToS16(float value) {
    const float scaled = std::clamp(value, -1.0F, 1.0F) * 32767.0F;
    return static_cast<std::int16_t>(scaled < 0 ? scaled - 0.5F : scaled + 0.5F);
}

// Sample `i` of channel `c` of a decoded frame as 16-bit.
std::int16_t SampleAt(const AVFrame& frame, int c, int i, int channels) {
    const auto format = static_cast<AVSampleFormat>(frame.format);
    switch (format) {
        case AV_SAMPLE_FMT_S16P:
            return reinterpret_cast<const std::int16_t*>(frame.extended_data[c])[i];
        case AV_SAMPLE_FMT_S16:
            return reinterpret_cast<const std::int16_t*>(frame.data[0])[i * channels + c];
        case AV_SAMPLE_FMT_FLTP:
            return FloatToS16(reinterpret_cast<const float*>(frame.extended_data[c])[i]);
        case AV_SAMPLE_FMT_FLT:
            return FloatToS16(reinterpret_cast<const float*>(frame.data[0])[i * channels + c]);
        default:
            return 0;
    }
}

bool KnownFormat(int format) {
    return format == AV_SAMPLE_FMT_S16P || format == AV_SAMPLE_FMT_S16 ||
           format == AV_SAMPLE_FMT_FLTP || format == AV_SAMPLE_FMT_FLT;
}

// Collects decoded frames as interleaved 16-bit PCM.
class PcmSink {
public:
    explicit PcmSink(std::vector<std::uint8_t>& pcm) : m_pcm(pcm) {}

    // Negative when the frame cannot join the ones before.
    int Add(const AVFrame& frame) {
        const int channels = frame.ch_layout.nb_channels;
        if (channels < 1 || channels > 2 || frame.sample_rate <= 0 || !KnownFormat(frame.format)) {
            return AVERROR_INVALIDDATA;
        }
        if (m_channels == 0) {
            m_channels = channels;
            m_sampleRate = frame.sample_rate;
        } else if (channels != m_channels || frame.sample_rate != m_sampleRate) {
            return AVERROR_PATCHWELCOME;
        }
        const std::size_t start = m_pcm.size();
        m_pcm.resize(start + std::size_t{2} * channels * frame.nb_samples);
        std::uint8_t* out = m_pcm.data() + start;
        for (int i = 0; i < frame.nb_samples; ++i) {
            for (int c = 0; c < channels; ++c) {
                const auto sample = static_cast<std::uint16_t>(SampleAt(frame, c, i, channels));
                PutLE16(out, sample);
                out += 2;
            }
        }
        return 0;
    }

    [[nodiscard]] int Channels() const { return m_channels; }
    [[nodiscard]] int SampleRate() const { return m_sampleRate; }

private:
    std::vector<std::uint8_t>& m_pcm;
    int m_channels = 0;
    int m_sampleRate = 0;
};

// Receives every frame the decoder has ready.
int Drain(AVCodecContext& context, AVFrame& frame, PcmSink& sink) {
    for (;;) {
        const int result = avcodec_receive_frame(&context, &frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) {
            return 0;
        }
        if (result < 0) {
            return 0;  // a damaged frame: skip it
        }
        const int added = sink.Add(frame);
        av_frame_unref(&frame);
        if (added < 0) {
            return added;
        }
    }
}

// Sends one packet (nullptr: end of data) and collects what it yields.
int Decode(AVCodecContext& context, const AVPacket* packet, AVFrame& frame, PcmSink& sink) {
    const int sent = avcodec_send_packet(&context, packet);
    if (sent < 0 && sent != AVERROR_INVALIDDATA) {
        return sent;
    }
    return Drain(context, frame, sink);
}

}  // namespace

int TWaveConverter::LoadFromStream(AuStream& stream, std::int64_t dataStart,
                                   std::uint32_t dataSize) {
    m_compressed.clear();
    stream.SetPosition(dataStart);
    std::size_t left = dataSize;
    while (left > 0) {
        const std::size_t start = m_compressed.size();
        const std::size_t piece = std::min(left, kReadPiece);
        m_compressed.resize(start + piece);
        const std::size_t got = stream.Read(m_compressed.data() + start, piece);
        m_compressed.resize(start + got);
        if (got == 0) {
            break;  // a cut-off file: convert what is there
        }
        left -= got;
    }
    return m_compressed.empty() ? AVERROR_INVALIDDATA : 0;
}

int TWaveConverter::Convert() {
    m_pcm.clear();
    const AVCodec* codec = avcodec_find_decoder_by_name("mp3");  // fixed point: 16-bit output
    if (codec == nullptr) {
        codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
    }
    if (codec == nullptr) {
        return AVERROR_DECODER_NOT_FOUND;
    }
    CodecContextPtr context(avcodec_alloc_context3(codec));
    ParserPtr parser(av_parser_init(AV_CODEC_ID_MP3));
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!context || !parser || !packet || !frame) {
        return AVERROR(ENOMEM);
    }
    if (const int opened = avcodec_open2(context.get(), codec, nullptr); opened < 0) {
        return opened;
    }
    // The parser may read this far past the end of its input.
    m_compressed.resize(m_compressed.size() + AV_INPUT_BUFFER_PADDING_SIZE, 0);
    const std::size_t total = m_compressed.size() - AV_INPUT_BUFFER_PADDING_SIZE;
    PcmSink sink(m_pcm);
    std::size_t offset = 0;
    bool flushed = false;
    while (!flushed) {
        // Once the data is used up, an empty call makes the parser hand out
        // its last frame.
        const int chunk = static_cast<int>(
            std::min<std::size_t>(total - offset, std::numeric_limits<int>::max()));
        flushed = chunk == 0;
        const int used = av_parser_parse2(parser.get(), context.get(), &packet->data, &packet->size,
                                          m_compressed.data() + offset, chunk, AV_NOPTS_VALUE,
                                          AV_NOPTS_VALUE, 0);
        if (used < 0) {
            return used;
        }
        // A parser that takes nothing would never finish: end the data.
        offset = (used == 0 && packet->size == 0) ? total : offset + static_cast<std::size_t>(used);
        if (packet->size > 0) {
            if (const int decoded = Decode(*context, packet.get(), *frame, sink); decoded < 0) {
                return decoded;
            }
        }
    }
    if (const int decoded = Decode(*context, nullptr, *frame, sink); decoded < 0) {
        return decoded;
    }
    m_compressed.clear();
    if (m_pcm.empty() ||
        m_pcm.size() > std::numeric_limits<std::uint32_t>::max() - kPcmWavHeaderBytes) {
        m_pcm.clear();
        return AVERROR_INVALIDDATA;
    }
    m_channels = sink.Channels();
    m_sampleRate = sink.SampleRate();
    return 0;
}

int TWaveConverter::SaveWavToStream(AuStream& stream) const {
    if (m_pcm.empty()) {
        return AVERROR_INVALIDDATA;
    }
    const auto dataSize = static_cast<std::uint32_t>(m_pcm.size());
    const auto header = RenderPcmWavHeader(
        {static_cast<std::uint32_t>(m_channels), static_cast<std::uint32_t>(m_sampleRate), 16},
        dataSize);
    stream.Write(header.data(), header.size());
    stream.Write(m_pcm.data(), m_pcm.size());
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/wma_writer.h"

#include <algorithm>
#include <new>

#include "audio/core/au_exception.h"

namespace {

// ASF packing measured on FFmpeg's muxer: bytes of each data packet's
// header, of each payload's header in a packet of several, and of the
// header of a packet with one payload; the muxer's default packet size.
constexpr int kPacketHeader = 12;
constexpr int kPayloadHeader = 17;
constexpr int kSinglePayloadOverhead = 26;
constexpr int kDefaultPacketSize = 3200;

// The ASF packet size that holds whole encoder packets with no gap.
int PacketSizeFor(int blockAlign) {
    const int perPacket =
        std::max(1, (kDefaultPacketSize - kPacketHeader) / (blockAlign + kPayloadHeader));
    if (perPacket == 1) {
        return blockAlign + kSinglePayloadOverhead;
    }
    return kPacketHeader + perPacket * (blockAlign + kPayloadHeader);
}

AVSampleFormat InputSampleFormat(int bits) {
    switch (bits) {
        case 8:
            return AV_SAMPLE_FMT_U8;
        case 16:
            return AV_SAMPLE_FMT_S16;
        case 24:  // widened to 32 bits before conversion
        case 32:
            return AV_SAMPLE_FMT_S32;
        default:
            return AV_SAMPLE_FMT_NONE;
    }
}

[[noreturn]] void FailCodec() {
    throw EAuException("Failed to init codec");
}

}  // namespace

TWMAWriter::TWMAWriter(const TWMAChoice& choice, const TWMAInput& input) {
    OpenEncoder(choice);
    OpenResampler(input);
    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, m_codec->ch_layout.nb_channels,
                                     m_codec->frame_size));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_fifo || !m_frame || !m_packet) {
        throw std::bad_alloc();
    }
    m_frame->format = AV_SAMPLE_FMT_FLTP;
    m_frame->sample_rate = m_codec->sample_rate;
    m_frame->nb_samples = m_codec->frame_size;
    if (av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout) < 0 ||
        av_frame_get_buffer(m_frame.get(), 0) < 0) {
        throw std::bad_alloc();
    }
    // The silent frame that FFmpeg's decoder drops instead of our first.
    m_planes.assign(static_cast<std::size_t>(m_codec->ch_layout.nb_channels),
                    std::vector<float>(static_cast<std::size_t>(m_codec->frame_size), 0.0F));
    Queue(m_codec->frame_size);
}

TWMAWriter::~TWMAWriter() = default;

void TWMAWriter::OpenEncoder(const TWMAChoice& choice) {
    m_encoder = avcodec_find_encoder_by_name(
        WMACodecs().at(static_cast<std::size_t>(choice.Codec)).Encoder.c_str());
    if (m_encoder == nullptr) {
        FailCodec();
    }
    m_codec.reset(avcodec_alloc_context3(m_encoder));
    if (!m_codec) {
        throw std::bad_alloc();
    }
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->sample_rate = choice.Format.SampleRate;
    av_channel_layout_default(&m_codec->ch_layout, choice.Format.Channels);
    m_codec->bit_rate = choice.Format.BitRate;
    m_codec->time_base = {1, choice.Format.SampleRate};
    m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(m_codec.get(), m_encoder, nullptr) < 0 || m_codec->frame_size <= 0) {
        FailCodec();
    }
}

void TWMAWriter::OpenResampler(const TWMAInput& input) {
    const AVSampleFormat format = InputSampleFormat(input.BitsPerSample);
    if (format == AV_SAMPLE_FMT_NONE || input.Channels < 1 || input.SampleRate <= 0) {
        FailCodec();
    }
    m_inputBits = input.BitsPerSample;
    m_inputFrameBytes = input.Channels * input.BitsPerSample / 8;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, input.Channels);
    SwrContext* resampler = nullptr;
    const bool made = swr_alloc_set_opts2(&resampler, &m_codec->ch_layout, AV_SAMPLE_FMT_FLTP,
                                          m_codec->sample_rate, &layout, format, input.SampleRate,
                                          0, nullptr) >= 0;
    av_channel_layout_uninit(&layout);
    m_resampler.reset(resampler);
    if (!made || swr_init(resampler) < 0) {
        FailCodec();
    }
}

void TWMAWriter::Begin(AuStream& stream,
                       const std::vector<std::pair<std::string, std::string>>& attributes) {
    AVFormatContext* context = nullptr;
    if (avformat_alloc_output_context2(&context, nullptr, "asf", nullptr) < 0) {
        throw EAuException("Cannot create file");
    }
    m_format.reset(context);
    // No "encoder" attribute naming the FFmpeg version.
    context->flags |= AVFMT_FLAG_BITEXACT;
    for (const auto& [key, value] : attributes) {
        av_dict_set(&context->metadata, key.c_str(), value.c_str(), 0);
    }
    m_stream = avformat_new_stream(context, nullptr);
    if (m_stream == nullptr ||
        avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0) {
        throw EAuException("Cannot create file");
    }
    m_stream->time_base = m_codec->time_base;
    m_io =
        std::make_unique<TAudioStream>(stream, stream.Position(), TAudioStream::Direction::Write);
    context->pb = m_io->Context();
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "packet_size", PacketSizeFor(m_codec->block_align), 0);
    const int written = avformat_write_header(context, &options);
    const DictionaryPtr unused(options);  // what the muxer did not take
    if (written < 0) {
        throw EAuException("Cannot create file");
    }
}

void TWMAWriter::Write(const std::uint8_t* pcm, std::size_t bytes) {
    const int frames = static_cast<int>(bytes / static_cast<std::size_t>(m_inputFrameBytes));
    if (frames == 0) {
        return;
    }
    const std::uint8_t* source = pcm;
    if (m_inputBits == 24) {
        const std::size_t samples = bytes / 3;
        m_widened.resize(samples);
        for (std::size_t i = 0; i < samples; ++i) {
            const std::uint8_t* s = pcm + 3 * i;
            m_widened[i] =
                static_cast<std::int32_t>((std::uint32_t{s[0]} << 8) | (std::uint32_t{s[1]} << 16) |
                                          (std::uint32_t{s[2]} << 24));
        }
        source = reinterpret_cast<const std::uint8_t*>(m_widened.data());
    }
    const int room = swr_get_out_samples(m_resampler.get(), frames);
    for (auto& plane : m_planes) {
        plane.resize(static_cast<std::size_t>(std::max(room, 0)));
    }
    std::vector<std::uint8_t*> out;
    for (auto& plane : m_planes) {
        out.push_back(reinterpret_cast<std::uint8_t*>(plane.data()));
    }
    const int converted = swr_convert(m_resampler.get(), out.data(), room, &source, frames);
    if (converted < 0) {
        throw EAuException("Failed to init codec");
    }
    Queue(converted);
    EncodeQueued(false);
}

void TWMAWriter::Finish() {
    // What the resampler still holds.
    const int room = std::max(swr_get_out_samples(m_resampler.get(), 0), 0);
    std::vector<std::uint8_t*> out;
    for (auto& plane : m_planes) {
        plane.resize(static_cast<std::size_t>(room));
        out.push_back(reinterpret_cast<std::uint8_t*>(plane.data()));
    }
    const int converted =
        room > 0 ? swr_convert(m_resampler.get(), out.data(), room, nullptr, 0) : 0;
    Queue(std::max(converted, 0));
    EncodeQueued(true);
    Send(nullptr);
    if (av_write_trailer(m_format.get()) < 0) {
        throw EAuException("Stream write error");
    }
}

void TWMAWriter::Queue(int count) {
    if (count <= 0) {
        return;
    }
    std::vector<void*> planes;
    for (auto& plane : m_planes) {
        planes.push_back(plane.data());
    }
    if (av_audio_fifo_write(m_fifo.get(), planes.data(), count) < count) {
        throw std::bad_alloc();
    }
}

void TWMAWriter::EncodeQueued(bool last) {
    const int frameSize = m_codec->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
           (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
        if (av_frame_make_writable(m_frame.get()) < 0) {
            throw std::bad_alloc();
        }
        const int got =
            av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(m_frame->data), frameSize);
        // The encoder takes only whole frames: pad the last one.
        av_samples_set_silence(m_frame->data, got, frameSize - got, m_codec->ch_layout.nb_channels,
                               AV_SAMPLE_FMT_FLTP);
        m_frame->pts = m_samplesSent;
        m_samplesSent += frameSize;
        Send(m_frame.get());
    }
}

void TWMAWriter::Send(const AVFrame* frame) {
    if (avcodec_send_frame(m_codec.get(), frame) < 0) {
        throw EAuException("Failed to init codec");
    }
    while (avcodec_receive_packet(m_codec.get(), m_packet.get()) == 0) {
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        if (av_interleaved_write_frame(m_format.get(), m_packet.get()) < 0) {
            throw EAuException("Stream write error");
        }
    }
}

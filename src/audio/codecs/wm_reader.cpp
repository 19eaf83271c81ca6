// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/wm_reader.h"

#include <array>
#include <limits>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Where the reader tries again when a file does not open at its start.
constexpr std::int64_t kRetryOrigin = 30;

// A layout swresample can map: an unspecified order becomes the usual
// layout of its channel count.
AVChannelLayout UsableLayout(const AVChannelLayout& layout) {
    AVChannelLayout usable{};
    if (layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&usable, layout.nb_channels);
    } else {
        av_channel_layout_copy(&usable, &layout);
    }
    return usable;
}

}  // namespace

std::unique_ptr<WMSyncReader> WMSyncReader::Open(AuStream& stream) {
    for (const std::int64_t origin : std::array<std::int64_t, 2>{0, kRetryOrigin}) {
        std::unique_ptr<WMSyncReader> reader(new WMSyncReader());
        if (reader->OpenFrom(stream, origin)) {
            return reader;
        }
    }
    return nullptr;
}

WMSyncReader::~WMSyncReader() {
    av_channel_layout_uninit(&m_outLayout);
    av_channel_layout_uninit(&m_fromLayout);
}

bool WMSyncReader::OpenFrom(AuStream& stream, std::int64_t origin) {
    m_io = std::make_unique<TAudioStream>(stream, origin, TAudioStream::Direction::Read);
    AVFormatContext* context = avformat_alloc_context();
    if (context == nullptr) {
        return false;
    }
    context->pb = m_io->Context();
    context->flags |= AVFMT_FLAG_CUSTOM_IO;
    // FFmpeg's demuxers for playlists, manifests and lists of files open the
    // files and URLs such a file names. We read the one stream we were given:
    // an empty list of allowed protocols keeps FFmpeg from reaching the
    // network or other local files.
    if (av_opt_set(context, "protocol_whitelist", "", 0) < 0) {
        avformat_free_context(context);
        return false;
    }
    if (avformat_open_input(&context, nullptr, nullptr, nullptr) < 0) {
        return false;  // FFmpeg has freed the context
    }
    m_format.reset(context);
    if (avformat_find_stream_info(context, nullptr) < 0) {
        return false;
    }
    const AVCodec* decoder = nullptr;
    m_streamIndex = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (m_streamIndex < 0 || decoder == nullptr) {
        return false;
    }
    m_codec.reset(avcodec_alloc_context3(decoder));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_codec || !m_packet || !m_frame ||
        avcodec_parameters_to_context(m_codec.get(), context->streams[m_streamIndex]->codecpar) <
            0 ||
        avcodec_open2(m_codec.get(), decoder, nullptr) < 0) {
        return false;
    }
    m_channels = m_codec->ch_layout.nb_channels;
    m_sampleRate = m_codec->sample_rate;
    if (m_channels <= 0 || m_sampleRate <= 0) {
        return false;
    }
    m_outLayout = UsableLayout(m_codec->ch_layout);
    // A length too long to count in 100 ns counts as unknown.
    if (context->duration != AV_NOPTS_VALUE && context->duration > 0 &&
        context->duration <= std::numeric_limits<std::int64_t>::max() / 10) {
        m_duration = context->duration * 10;  // microseconds -> 100 ns
    }
    // FFmpeg reports DRM headers as metadata but decodes on regardless.
    m_protected = !Attribute("ASF_Protection_Type").empty() || !Attribute("encryption").empty();
    return true;
}

std::string WMSyncReader::Attribute(const char* key) const {
    const AVDictionaryEntry* entry = av_dict_get(m_format->metadata, key, nullptr, 0);
    return entry != nullptr ? entry->value : "";
}

std::span<const std::uint8_t> WMSyncReader::NextBlock() {
    for (;;) {
        const int received = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (received == 0) {
            const bool converted = Convert();
            av_frame_unref(m_frame.get());
            if (converted && !m_pcm.empty()) {
                return m_pcm;
            }
        } else if (received == AVERROR_EOF || !FeedDecoder()) {
            return {};
        }
        // Otherwise the decoder wants more data (or skipped a damaged frame).
    }
}

bool WMSyncReader::FeedDecoder() {
    if (m_endSent) {
        return false;
    }
    for (;;) {
        if (av_read_frame(m_format.get(), m_packet.get()) < 0) {
            avcodec_send_packet(m_codec.get(), nullptr);
            m_endSent = true;
            return true;
        }
        const bool ours = m_packet->stream_index == m_streamIndex;
        if (ours) {
            // A damaged packet is refused and skipped, as a player would.
            avcodec_send_packet(m_codec.get(), m_packet.get());
        }
        av_packet_unref(m_packet.get());
        if (ours) {
            return true;
        }
    }
}

bool WMSyncReader::MatchResampler(const AVFrame& frame) {
    AVChannelLayout from = UsableLayout(frame.ch_layout);
    if (m_resampler && frame.format == m_fromFormat && frame.sample_rate == m_fromRate &&
        av_channel_layout_compare(&from, &m_fromLayout) == 0) {
        av_channel_layout_uninit(&from);
        return true;
    }
    av_channel_layout_uninit(&m_fromLayout);
    m_fromLayout = from;
    m_fromFormat = frame.format;
    m_fromRate = frame.sample_rate;
    SwrContext* resampler = nullptr;
    const bool ready =
        swr_alloc_set_opts2(&resampler, &m_outLayout, AV_SAMPLE_FMT_S16, m_sampleRate, &from,
                            static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                            nullptr) >= 0;
    m_resampler.reset(resampler);
    if (!ready || swr_init(resampler) < 0) {
        m_resampler.reset();
        return false;
    }
    return true;
}

bool WMSyncReader::Convert() {
    const AVFrame& frame = *m_frame;
    if (!MatchResampler(frame)) {
        return false;
    }
    const int room = swr_get_out_samples(m_resampler.get(), frame.nb_samples);
    if (room < 0) {
        return false;
    }
    m_pcm.resize(static_cast<std::size_t>(room) * m_channels * 2);
    std::uint8_t* out = m_pcm.data();
    const int converted =
        swr_convert(m_resampler.get(), &out, room,
                    const_cast<const std::uint8_t**>(frame.extended_data), frame.nb_samples);
    m_pcm.resize(converted < 0 ? 0 : static_cast<std::size_t>(converted) * m_channels * 2);
    return converted >= 0;
}

void WMSyncReader::Seek(std::int64_t microseconds) {
    av_seek_frame(m_format.get(), -1, microseconds, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(m_codec.get());
    m_endSent = false;
}

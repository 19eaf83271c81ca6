// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/codecs/vorbis_out.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "audio/codecs/flac_comment_block.h"
#include "audio/codecs/ogg_binding.h"
#include "audio/codecs/vorbis_binding.h"
#include "audio/codecs/vorbisenc_binding.h"
#include "audio/core/au_exception.h"
#include "audio/core/au_file_stream.h"

namespace {

constexpr std::size_t kBlockBytes = 32768;  // PCM asked from the input per block
// Frames handed to the analysis at a time. The library moves the frames it
// holds back to the start of its buffer after every block it takes out, so
// feeding a few at a time keeps that copying small.
constexpr int kAnalysisFrames = 1024;

constexpr std::array<int, 18> kBitRates{-1,     24000,  32000,  45000,  48000,  46000,
                                        64000,  80000,  96000,  112000, 128000, 144000,
                                        160000, 192000, 224000, 256000, 320000, 499000};

bool IsBelow(TVorbisBitRate a, TVorbisBitRate b) {
    return static_cast<int>(a) < static_cast<int>(b);
}

// The comment header packet with the container's comments, built here in
// one buffer: the library packs it through a writer that grows 256 bytes at
// a time, which a cover of megabytes turns into thousands of copies of the
// whole packet. The vendor is the library's, taken from the header it made
// for no comments.
std::vector<unsigned char> CommentPacket(const ogg_packet& library, const TVorbisTags& tags) {
    constexpr std::size_t kVendorStart = 11;  // packet type 3, "vorbis", vendor length
    const std::span<const unsigned char> bytes(library.packet,
                                               static_cast<std::size_t>(library.bytes));
    if (bytes.size() < kVendorStart) {
        throw EAuException("Failed to encode data.");
    }
    const std::size_t vendorLength =
        bytes[7] | (bytes[8] << 8) | (bytes[9] << 16) | (std::size_t{bytes[10]} << 24);
    if (vendorLength > bytes.size() - kVendorStart) {
        throw EAuException("Failed to encode data.");
    }
    const std::string_view vendor(reinterpret_cast<const char*>(bytes.data()) + kVendorStart,
                                  vendorLength);
    std::vector<unsigned char> packet(bytes.begin(), bytes.begin() + 7);
    const std::vector<std::uint8_t> body = VorbisCommentBody(vendor, tags, true);
    packet.insert(packet.end(), body.begin(), body.end());
    packet.push_back(1);  // framing bit
    return packet;
}

}  // namespace

int VorbisBitRateBps(TVorbisBitRate rate) {
    return kBitRates.at(static_cast<std::size_t>(rate));
}

// The library records of one run, embedded so that their addresses stay
// fixed; each is cleared, in reverse order of set-up, only if it was set up.
class VorbisEncoderState {
public:
    VorbisEncoderState(const OggBinding& ogg, const VorbisBinding& vorbis)
        : m_ogg(ogg), m_vorbis(vorbis) {}
    ~VorbisEncoderState();
    VorbisEncoderState(const VorbisEncoderState&) = delete;
    VorbisEncoderState& operator=(const VorbisEncoderState&) = delete;

    void InitInfo() {
        m_vorbis.vorbis_info_init(&info);
        m_infoReady = true;
    }
    void InitComment() {
        m_vorbis.vorbis_comment_init(&comment);
        m_commentReady = true;
    }
    // Raises EAuException when the info was not set up for encoding.
    void InitAnalysis(std::int32_t serial);

    ogg_stream_state stream{};
    ogg_page page{};
    ogg_packet packet{};
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};

private:
    const OggBinding& m_ogg;
    const VorbisBinding& m_vorbis;
    bool m_infoReady = false;
    bool m_commentReady = false;
    bool m_analysisReady = false;  // dsp, block and stream
};

void VorbisEncoderState::InitAnalysis(std::int32_t serial) {
    if (m_vorbis.vorbis_analysis_init(&dsp, &info) != 0) {
        throw EAuException("Vorbis codec setup failed.");
    }
    m_vorbis.vorbis_block_init(&dsp, &block);
    m_ogg.ogg_stream_init(&stream, serial);
    m_analysisReady = true;
}

VorbisEncoderState::~VorbisEncoderState() {
    if (m_analysisReady) {
        m_ogg.ogg_stream_clear(&stream);
        m_vorbis.vorbis_block_clear(&block);
        m_vorbis.vorbis_dsp_clear(&dsp);
    }
    if (m_commentReady) {
        m_vorbis.vorbis_comment_clear(&comment);
    }
    if (m_infoReady) {
        m_vorbis.vorbis_info_clear(&info);
    }
}

// Libraries in the order their absence is reported.
TVorbisOut::TVorbisOut()
    : m_ogg(AcquireBinding<OggBinding>()),
      m_vorbis(AcquireBinding<VorbisBinding>()),
      m_vorbisenc(AcquireBinding<VorbisencBinding>()) {}

TVorbisOut::~TVorbisOut() {
    // The run's records need the libraries: end it while both are here.
    Stop(false);
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate value) {
    m_nominal = value;
    if (IsBelow(value, m_minimum)) {
        m_minimum = value;
    }
    if (IsBelow(m_maximum, m_nominal)) {
        m_maximum = m_nominal;
    }
    if (m_nominal == TVorbisBitRate::brAutoSelect) {
        m_maximum = TVorbisBitRate::brAutoSelect;
    }
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate value) {
    if (m_nominal != TVorbisBitRate::brAutoSelect &&
        (value == TVorbisBitRate::brAutoSelect || !IsBelow(value, m_nominal))) {
        m_maximum = value;
    }
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate value) {
    if (!IsBelow(m_nominal, value)) {
        m_minimum = value;
    }
}

void TVorbisOut::OpenDestination() {
    if (StreamAssigned()) {
        return;
    }
    if (FileName().empty()) {
        throw EAuException("File name is not assigned.");
    }
    std::error_code error;
    const bool exists = std::filesystem::exists(std::filesystem::path(FileName()), error);
    const std::uint16_t mode = exists && m_fileMode == foAppend ? TAuFileStream::kReadWriteExclusive
                                                                : TAuFileStream::kCreate;
    SetOwnStream(std::make_unique<TAuFileStream>(FileName(), mode), mode == TAuFileStream::kCreate);
}

void TVorbisOut::Prepare() {
    OpenDestination();
    TAuInput& input = *Input();
    input.Init();
    if (m_fileMode == foAppend) {
        m_stream->Seek(0, SeekOrigin::End);
    }
    m_endOfStream = false;
    m_bitsPerSample = input.BitsPerSample();
    m_channels = input.Channels();
    if ((m_bitsPerSample != 8 && m_bitsPerSample != 16 && m_bitsPerSample != 24) ||
        m_channels < 1) {
        throw EAuException("Ogg Vorbis encoding needs 8-, 16- or 24-bit input.");
    }
    m_state = std::make_unique<VorbisEncoderState>(*m_ogg, *m_vorbis);
    SetUpEncoder(*m_state);
    m_state->InitComment();
    m_state->InitAnalysis(m_serial);

    VorbisEncoderState& state = *m_state;
    ogg_packet header{};
    ogg_packet libraryComments{};
    ogg_packet codebooks{};
    m_vorbis->vorbis_analysis_headerout(&state.dsp, &state.comment, &header, &libraryComments,
                                        &codebooks);
    std::vector<unsigned char> comments = CommentPacket(libraryComments, m_comments);
    ogg_packet commentHeader = libraryComments;
    commentHeader.packet = comments.data();
    commentHeader.bytes = static_cast<long>(comments.size());
    m_ogg->ogg_stream_packetin(&state.stream, &header);
    m_ogg->ogg_stream_packetin(&state.stream, &commentHeader);
    m_ogg->ogg_stream_packetin(&state.stream, &codebooks);
    // The headers end on pages of their own, before any audio.
    while (m_ogg->ogg_stream_flush(&state.stream, &state.page) != 0) {
        m_stream->Write(state.page.header, static_cast<std::size_t>(state.page.header_len));
        m_stream->Write(state.page.body, static_cast<std::size_t>(state.page.body_len));
    }
}

void TVorbisOut::SetUpEncoder(VorbisEncoderState& state) {
    const int rate = Input()->SampleRate();
    state.InitInfo();
    if (m_nominal == TVorbisBitRate::brAutoSelect) {
        // An unsupported rate or channel count fails here; encoding on an
        // info that is not set up would crash the library.
        if (m_vorbisenc->vorbis_encode_setup_vbr(&state.info, m_channels, rate, m_compression) !=
                0 ||
            m_vorbisenc->vorbis_encode_setup_init(&state.info) != 0) {
            throw EAuException("Vorbis codec setup with the requested quality failed.");
        }
        return;
    }
    const int nominal = VorbisBitRateBps(m_nominal);
    const int minimum = VorbisBitRateBps(m_minimum);
    if (m_vorbisenc->vorbis_encode_init(&state.info, m_channels, rate, VorbisBitRateBps(m_maximum),
                                        nominal, minimum < 0 ? nominal : minimum) != 0) {
        throw EAuException(
            "Vorbis codec setup with the requested bitrate failed. Try a lower bitrate.");
    }
}

bool TVorbisOut::DoOutput(bool abort) {
    if (!CanOutput()) {
        return true;
    }
    if (abort || m_endOfStream) {
        return false;
    }
    // Whole frames only: an input may hand over a block that ends inside a
    // frame, and dropping that piece would shift every later sample.
    const auto frameBytes = static_cast<std::size_t>(m_channels * m_bitsPerSample / 8);
    m_pcm.resize(kBlockBytes / frameBytes * frameBytes);
    bool endOfData = false;
    const std::size_t bytes = FillBuffer(*Input(), m_pcm.data(), m_pcm.size(), endOfData);
    const auto frames = static_cast<int>(bytes / frameBytes);
    // No frames at all tells the library that the stream has ended.
    int first = 0;
    do {
        const int count = std::min(kAnalysisFrames, frames - first);
        Analyse(m_pcm.data() + static_cast<std::size_t>(first) * frameBytes, count);
        WritePages();
        first += count;
    } while (first < frames);
    return true;
}

void TVorbisOut::Analyse(const std::uint8_t* block, int frames) {
    VorbisEncoderState& state = *m_state;
    float** buffers = m_vorbis->vorbis_analysis_buffer(&state.dsp, frames);
    const std::uint8_t* in = block;
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < m_channels; ++c) {
            float value = 0.0F;
            switch (m_bitsPerSample) {
                case 8:
                    value = static_cast<float>(in[0] - 128) / 128.0F;
                    in += 1;
                    break;
                case 16:
                    value = static_cast<float>(static_cast<std::int16_t>(in[0] | in[1] << 8)) /
                            32768.0F;
                    in += 2;
                    break;
                default:
                    value = static_cast<float>(
                                in[0] | static_cast<std::int16_t>(in[1] | in[2] << 8) * 256) /
                            8388608.0F;
                    in += 3;
                    break;
            }
            buffers[c][i] = value;
        }
    }
    m_vorbis->vorbis_analysis_wrote(&state.dsp, frames);
}

void TVorbisOut::WritePages() {
    VorbisEncoderState& state = *m_state;
    while (m_vorbis->vorbis_analysis_blockout(&state.dsp, &state.block) == 1) {
        m_vorbis->vorbis_analysis(&state.block, nullptr);
        m_vorbis->vorbis_bitrate_addblock(&state.block);
        while (m_vorbis->vorbis_bitrate_flushpacket(&state.dsp, &state.packet) != 0) {
            m_ogg->ogg_stream_packetin(&state.stream, &state.packet);
            while (!m_endOfStream && m_ogg->ogg_stream_pageout(&state.stream, &state.page) != 0) {
                m_stream->Write(state.page.header, static_cast<std::size_t>(state.page.header_len));
                m_stream->Write(state.page.body, static_cast<std::size_t>(state.page.body_len));
                m_endOfStream = m_ogg->ogg_page_eos(&state.page) != 0;
            }
        }
    }
}

void TVorbisOut::Done() {
    ReleaseStream();
    Input()->Flush();
    m_comments.Clear();
    ReleaseRun();
}

void TVorbisOut::ReleaseRun() {
    m_state.reset();
    m_pcm = {};
}

void TVorbisOut::ReleaseAfterFailure() {
    ReleaseRun();
    TAuFileOut::ReleaseAfterFailure();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/core/au_output.h"

struct LameBinding;
struct lame_global_struct;

// Constant bit rates, kbit/s as in the names.
enum class TMP3BitRate : std::uint8_t {
    br8,
    br16,
    br24,
    br32,
    br40,
    br48,
    br56,
    br64,
    br80,
    br96,
    br112,
    br128,
    br144,
    br160,
    br192,
    br224,
    br256,
    br320
};
// Encoder quality 0 (best, slowest) .. 9 (fastest).
enum class TMP3Quality : std::uint8_t { ql0, ql1, ql2, ql3, ql4, ql5, ql6, ql7, ql8, ql9 };
// Requested output rate; sr41kHz asks for 41000 Hz (not 44100).
enum class TMP3SampleRate : std::uint8_t { srDefault, sr32kHz, sr41kHz, sr48kHz };
// The encoder library's channel-mode numbers.
enum class TMP3Mode : std::uint8_t { STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO };

[[nodiscard]] int MP3BitRateKbps(TMP3BitRate rate);
[[nodiscard]] int MP3SampleRateHz(TMP3SampleRate rate);

// Encodes 16-bit mono or stereo PCM from its Input into an MPEG Layer III
// file (no tag of its own). Mono input is widened to two equal channels and
// encoded in the library's mono mode.
//
// Threads: properties are set on the GUI thread while idle; Prepare,
// DoOutput and Done run on the worker. The encoder handle and buffers belong
// to one run and are released by Done or after a failure. The library stays
// loaded while any TMP3Out exists.
class TMP3Out : public TAuTaggedFileOut {
public:
    // Raises EAuException "libmp3lame.so.0 library could not be loaded.".
    TMP3Out();
    ~TMP3Out() override;

    [[nodiscard]] TMP3BitRate BitRate() const { return m_bitRate; }
    void SetBitRate(TMP3BitRate value) { m_bitRate = value; }
    [[nodiscard]] TMP3Quality Quality() const { return m_quality; }
    void SetQuality(TMP3Quality value) { m_quality = value; }
    [[nodiscard]] TMP3SampleRate SampleRate() const { return m_sampleRate; }
    void SetSampleRate(TMP3SampleRate value) { m_sampleRate = value; }
    [[nodiscard]] TMP3Mode Mode() const { return m_mode; }
    void SetMode(TMP3Mode value) { m_mode = value; }
    [[nodiscard]] bool CRC() const { return m_crc; }
    void SetCRC(bool value) { m_crc = value; }
    [[nodiscard]] bool Copyright() const { return m_copyright; }
    void SetCopyright(bool value) { m_copyright = value; }
    [[nodiscard]] bool Original() const { return m_original; }
    void SetOriginal(bool value) { m_original = value; }
    [[nodiscard]] bool WriteVBRHeader() const { return m_writeVBRHeader; }
    void SetWriteVBRHeader(bool value) { m_writeVBRHeader = value; }
    [[nodiscard]] bool EnableVBR() const { return m_enableVBR; }
    void SetEnableVBR(bool value) { m_enableVBR = value; }
    [[nodiscard]] TMP3Quality VBRQuality() const { return m_vbrQuality; }
    void SetVBRQuality(TMP3Quality value) { m_vbrQuality = value; }
    // kbit/s. A run exchanges the two when the maximum is below the minimum.
    [[nodiscard]] int VBRMinBitrate() const { return m_vbrMinBitrate; }
    void SetVBRMinBitrate(int value) { m_vbrMinBitrate = value; }
    [[nodiscard]] int VBRMaxBitrate() const { return m_vbrMaxBitrate; }
    void SetVBRMaxBitrate(int value) { m_vbrMaxBitrate = value; }

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
    void ReleaseAfterFailure() override;

private:
    struct EncoderCloser {
        const LameBinding* lame;
        void operator()(lame_global_struct* handle) const;
    };
    using EncoderHandle = std::unique_ptr<lame_global_struct, EncoderCloser>;

    void CreateDestination();
    void ConfigureEncoder(lame_global_struct* handle);
    void WriteEncoded(int bytes);
    void ReleaseRun();

    std::shared_ptr<const LameBinding> m_lame;

    TMP3BitRate m_bitRate = TMP3BitRate::br128;
    TMP3Quality m_quality = TMP3Quality::ql5;
    TMP3SampleRate m_sampleRate = TMP3SampleRate::srDefault;
    TMP3Mode m_mode = TMP3Mode::STEREO;
    bool m_crc = false;
    bool m_copyright = false;
    bool m_original = true;
    bool m_writeVBRHeader = false;
    bool m_enableVBR = false;
    TMP3Quality m_vbrQuality = TMP3Quality::ql5;
    int m_vbrMinBitrate = 128;
    int m_vbrMaxBitrate = 192;

    // Per run, worker thread.
    EncoderHandle m_handle{nullptr, EncoderCloser{nullptr}};
    int m_channels = 0;
    std::vector<std::uint8_t> m_block;  // one block of input bytes
    std::vector<std::int16_t> m_pcm;    // the block as interleaved stereo samples
    std::vector<unsigned char> m_mp3;   // encoder output, kMp3BufferBytes
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/core/au_output.h"
#include "audio/tags/vorbis_tags.h"

struct OggBinding;
struct VorbisBinding;
struct VorbisencBinding;
class VorbisEncoderState;

// Managed bit rates; ordinals are compared, each stands for bit/s (see
// VorbisBitRateBps: brAutoSelect is -1, br56 is 46000).
enum class TVorbisBitRate : std::uint8_t {
    brAutoSelect,
    br24,
    br32,
    br45,
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
    br320,
    br499
};

[[nodiscard]] int VorbisBitRateBps(TVorbisBitRate rate);

// Encodes 8-, 16- or 24-bit PCM from its Input into an Ogg Vorbis file, by
// quality (Compression) when the nominal bit rate is brAutoSelect, else with
// the managed bit rates, and writes the non-empty Comments (a picture as a
// METADATA_BLOCK_PICTURE comment). With foAppend an existing file gets a
// further logical stream (serial Serial) at its end.
//
// Threads: properties are set on the GUI thread while idle; Prepare,
// DoOutput and Done run on the worker. The library records belong to one run
// and are released by Done or after a failure. The libraries stay loaded
// while any TVorbisOut exists.
class TVorbisOut : public TAuFileOut {
public:
    // Raises EAuException "<soname> library could not be loaded." for the
    // first of libogg.so.0, libvorbis.so.0, libvorbisenc.so.2 that is absent.
    TVorbisOut();
    ~TVorbisOut() override;

    // Quality used without a nominal bit rate, -0.1 .. 1.0.
    [[nodiscard]] float Compression() const { return m_compression; }
    void SetCompression(float value) { m_compression = value; }
    // Emptied by each successful run; the setter copies the values.
    [[nodiscard]] TVorbisTags& Comments() { return m_comments; }
    void SetComments(const TVorbisTags& value) { m_comments.Assign(value); }

    // The three setters keep minimum <= nominal <= maximum (brAutoSelect
    // maximum meaning no limit) as described at each.
    [[nodiscard]] TVorbisBitRate DesiredNominalBitrate() const { return m_nominal; }
    // Lowers the minimum to the nominal, raises the maximum to it; a
    // brAutoSelect nominal makes the maximum brAutoSelect too.
    void SetDesiredNominalBitrate(TVorbisBitRate value);
    [[nodiscard]] TVorbisBitRate DesiredMaximumBitrate() const { return m_maximum; }
    // Ignored while the nominal is brAutoSelect, or when below the nominal
    // (brAutoSelect itself is accepted).
    void SetDesiredMaximumBitrate(TVorbisBitRate value);
    [[nodiscard]] TVorbisBitRate MinimumBitrate() const { return m_minimum; }
    // Ignored when above the nominal.
    void SetMinimumBitrate(TVorbisBitRate value);

    void SetFileMode(TFileOutputMode value) override { m_fileMode = value; }
    [[nodiscard]] std::int32_t Serial() const { return m_serial; }
    void SetSerial(std::int32_t value) { m_serial = value; }

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
    void ReleaseAfterFailure() override;

private:
    void OpenDestination();
    void SetUpEncoder(VorbisEncoderState& state);
    // Hands `frames` frames of the input block to the library (0: the end).
    void Analyse(const std::uint8_t* block, int frames);
    // Writes every page the library has completed.
    void WritePages();
    void ReleaseRun();

    std::shared_ptr<const OggBinding> m_ogg;
    std::shared_ptr<const VorbisBinding> m_vorbis;
    std::shared_ptr<const VorbisencBinding> m_vorbisenc;

    float m_compression = 0.2F;
    TVorbisTags m_comments;
    TVorbisBitRate m_nominal = TVorbisBitRate::brAutoSelect;
    TVorbisBitRate m_maximum = TVorbisBitRate::brAutoSelect;
    TVorbisBitRate m_minimum = TVorbisBitRate::brAutoSelect;
    std::int32_t m_serial = 0;

    // Per run, worker thread.
    std::unique_ptr<VorbisEncoderState> m_state;
    int m_bitsPerSample = 0;
    int m_channels = 0;
    bool m_endOfStream = false;       // the library's last page is written
    std::vector<std::uint8_t> m_pcm;  // one block of whole input frames
};

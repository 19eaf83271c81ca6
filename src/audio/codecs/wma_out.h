// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/core/au_output.h"

class TWMAWriter;

// Encodes PCM from its Input (8, 16, 24 or 32-bit, any rate and channel
// count) into a Windows Media audio file, with the tag values of Id3v2Tags
// as the file's attributes.
//
// The format is chosen by position (CodecPosition >= 0: FormatPosition in
// that codec's list of the current mode) or, with CodecPosition -1, by the
// search for the format closest to DesiredBitrate (or VBRQuality with VBR)
// among those with the input's channels and bits. A position outside its
// list, or a search that finds nothing, ends the run with "Failed to init
// codec" before any file is created. Input that differs from the chosen
// format is resampled and mixed to it.
//
// Threads: properties and the lists on the GUI thread while idle; Prepare,
// DoOutput and Done on the worker. The writer and the block buffer belong to
// one run and are released by Done or after a failure.
class TWMAOut : public TAuTaggedFileOut {
public:
    TWMAOut();
    ~TWMAOut() override;

    // Wanted bit rate for the search; values below 1000 are kbit/s.
    [[nodiscard]] std::uint32_t DesiredBitrate() const { return m_desiredBitrate; }
    void SetDesiredBitrate(std::uint32_t value) { m_desiredBitrate = value; }
    [[nodiscard]] bool Lossless() const { return m_lossless; }
    void SetLossless(bool value) { m_lossless = value; }
    [[nodiscard]] bool VBR() const { return m_vbr; }
    void SetVBR(bool value) { m_vbr = value; }
    [[nodiscard]] std::uint8_t VBRQuality() const { return m_vbrQuality; }
    void SetVBRQuality(std::uint8_t value) { m_vbrQuality = value; }

    // The names of the codecs this build can encode.
    [[nodiscard]] const std::vector<std::string>& Codecs() const { return m_codecs; }
    // The descriptions of a codec's formats: the VBR list when VBR or
    // Lossless is set (empty in this build), otherwise the CBR list; empty
    // for a position outside Codecs().
    [[nodiscard]] std::vector<std::string> Formats(int codecPosition) const;
    // Whether the codec at this position has VBR formats (none in this
    // build); false for a position outside Codecs().
    [[nodiscard]] bool HasVBRFormats(int codecPosition) const;
    [[nodiscard]] int CodecPosition() const { return m_codecPosition; }
    void SetCodecPosition(int value) { m_codecPosition = value; }
    [[nodiscard]] int FormatPosition() const { return m_formatPosition; }
    void SetFormatPosition(int value) { m_formatPosition = value; }

protected:
    void Prepare() override;
    bool DoOutput(bool abort) override;
    void Done() override;
    void ReleaseAfterFailure() override;

private:
    // Metadata keys and values for the writer, from Id3v2Tags.
    [[nodiscard]] std::vector<std::pair<std::string, std::string>> Attributes();
    void ReleaseRun();

    std::uint32_t m_desiredBitrate = 0;
    bool m_lossless = false;
    bool m_vbr = false;
    std::uint8_t m_vbrQuality = 0;
    std::vector<std::string> m_codecs;
    int m_codecPosition = -1;
    int m_formatPosition = 0;

    // Per run, worker thread.
    std::unique_ptr<TWMAWriter> m_writer;
    std::vector<std::uint8_t> m_block;
    bool m_endOfData = false;
};

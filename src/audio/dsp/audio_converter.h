// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/dsp/pcm_convert.h"

// Converts the PCM of its Input to another sample width (8, 16 or 24 bits)
// and channel count (1 or 2): channels first (stereo to mono by the mean,
// mono to stereo by Mode), then the width, 8 and 24 bits meeting through 16.
// It reads whole frames in blocks of about 12 KiB and converts each block in
// a work buffer of its own.
//
// Threads: properties on the GUI thread while idle; the pass on the worker
// of the output that reads it. Ownership: the work buffer belongs to a pass;
// the Input is not owned.
class TAudioConverter : public TAuConverter {
public:
    TAudioConverter() = default;
    ~TAudioConverter() override;

    [[nodiscard]] TMSConverterMode Mode() const { return m_mode; }
    void SetMode(TMSConverterMode value) { m_mode = value; }
    // 0: the input's width.
    [[nodiscard]] int OutBitsPerSample() const { return m_outBitsPerSample; }
    void SetOutBitsPerSample(int value) { m_outBitsPerSample = value; }
    // 0: the input's channel count.
    [[nodiscard]] int OutChannels() const { return m_outChannels; }
    void SetOutChannels(int value) { m_outChannels = value; }

    // OutBitsPerSample/OutChannels or the input's (0 without input).
    [[nodiscard]] int BitsPerSample() override;
    [[nodiscard]] int Channels() override;
    // The input's (0 without input).
    [[nodiscard]] int SampleRate() override;

protected:
    // Raises "Input is not assigned". A format it cannot convert is raised
    // by the first GetData, so the run that reads it ends with the message.
    void InitInternal() override;
    void FlushInternal() override;
    // Raises "The Stream is not opened" outside a pass.
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;

private:
    // Reads and converts the next block; false at the end of the input.
    bool Refill();
    [[nodiscard]] std::size_t Convert(std::size_t bytes);

    TMSConverterMode m_mode = msmMonoToBoth;
    int m_outBitsPerSample = 0;
    int m_outChannels = 0;

    // Per pass (worker thread).
    int m_inBits = 0;
    int m_inChannels = 0;
    int m_outBits = 0;
    int m_outChans = 0;
    std::size_t m_bufferSize = 0;  // bytes asked from the input per block
    std::vector<std::uint8_t> m_work;
    std::size_t m_blockStart = 0;  // unread part of the current block, bytes
    std::size_t m_blockEnd = 0;
    bool m_inputEnded = false;
    std::string m_startFailure;
};

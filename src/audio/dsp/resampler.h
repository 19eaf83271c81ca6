// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/core/au_input.h"
#include "audio/dsp/samplerate_binding.h"

// Frees a converter state through the library that made it.
struct SrcStateDeleter {
    decltype(&::src_delete) Delete = nullptr;
    void operator()(SRC_STATE* state) const { Delete(state); }
};

enum TResamplerQuality : std::uint8_t { rqBest, rqMedium, rqFastest };

// Changes the sample rate of its Input's PCM to OutSampleRate with the
// sample-rate conversion library's sinc converters. 8-bit and 16-bit input
// keep their width; 24-bit input comes out as 16-bit. An input already at
// OutSampleRate passes through untouched. Resampled samples are clipped to
// the 16-bit range (band-limited resampling overshoots full scale), and the
// stream ends exactly at the announced Size: cut there, or filled with
// silence up to it.
//
// The library is bound when the object is created: a missing library makes
// the constructor raise "libsamplerate.so.0 library could not be loaded.".
//
// Threads: properties on the GUI thread while idle; the pass on the worker
// of the output that reads it. Ownership: the converter state belongs to a
// pass; the buffers (about 12 MiB) to the object; the Input is not owned.
class TResampler : public TAuConverter {
public:
    static constexpr std::uint32_t kDefaultSampleRate = 44100;

    TResampler();
    ~TResampler() override;

    [[nodiscard]] TResamplerQuality Quality() const { return m_quality; }
    void SetQuality(TResamplerQuality value) { m_quality = value; }
    // Hz; a value of 2000 or less, or above 999999, is stored as 44100.
    [[nodiscard]] std::uint32_t OutSampleRate() const { return m_outSampleRate; }
    void SetOutSampleRate(std::int64_t value);

    // 16 for 24-bit input that is resampled, otherwise the input's.
    [[nodiscard]] int BitsPerSample() override;
    // The input's; raises "Input not assigned" without input.
    [[nodiscard]] int Channels() override;
    [[nodiscard]] int SampleRate() override { return static_cast<int>(m_outSampleRate); }

protected:
    // Raises "The component is busy." and "Input is not assigned". A ratio
    // the library rejects or a converter it cannot create is raised by the
    // first GetData, so the run that reads it ends with the message.
    void InitInternal() override;
    void FlushInternal() override;
    void GetDataInternal(const std::uint8_t*& buffer, std::size_t& bytes) override;

private:
    [[nodiscard]] bool PassesThrough();
    void ReadInput();
    // Bytes read from a 24-bit input, narrowed into the input buffer.
    std::size_t ReadNarrowed(std::size_t freeBytes);
    void Resample();
    void FillToSize();

    std::shared_ptr<const SamplerateBinding> m_src;
    TResamplerQuality m_quality = rqBest;
    std::uint32_t m_outSampleRate = kDefaultSampleRate;

    // Per pass (worker thread).
    std::unique_ptr<SRC_STATE, SrcStateDeleter> m_state;
    SRC_DATA m_data{};
    bool m_passThrough = false;
    int m_inBits = 0;
    int m_channels = 0;
    bool m_endOfInput = false;
    bool m_tailPending = false;  // the library may still hold output of past input
    std::string m_startFailure;

    std::vector<std::int16_t> m_in;  // 16-bit input, m_inFill samples held
    std::size_t m_inFill = 0;
    std::vector<std::uint8_t> m_wide;  // one read of 24-bit input
    std::size_t m_carry = 0;           // bytes of a cut-off 24-bit sample at its start
    std::vector<float> m_floatIn;
    std::vector<float> m_floatOut;
    std::vector<std::int16_t> m_out;  // 16-bit output (8-bit narrowed in place)
    std::size_t m_outPos = 0;         // bytes
    std::size_t m_outLen = 0;         // bytes
};

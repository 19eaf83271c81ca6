// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "audio/dsp/audio_converter.h"
#include "audio/dsp/resampler.h"
#include "audio/wav/wave_in.h"
#include "audio/wav/wave_out.h"

// An error the resample tool shows in an error box; nothing was started.
class EResampleToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What the tool shows about a chosen input file.
struct WavInputInfo {
    std::string FileName;  // without folder
    int Channels = 0;
    int SampleRate = 0;  // Hz
    int BitsPerSample = 0;
    std::string Encoding;
};

// "Unsupported", "Raw PCM", "DVI IMA ADPCM", "Microsoft ADPCM", "ACM".
[[nodiscard]] std::string WavTypeName(TWavType type);

// The output format the user asks for.
struct ResampleSettings {
    int Channels = 1;
    std::string SampleRateText = "22050";  // decimal, as typed
    int BitsPerSample = 8;
    TWavType Encoding = wtPCM;  // wtPCM or wtDVIADPCM, for the WAV writer
};

// The resample tool's pipeline: WaveIn1 -> Resampler1 -> AudioConverter1 ->
// WaveOut1 (a name ending exactly in ".wav") or WMAOut1 (any other name),
// and the decisions of a conversion's start.
//
// Threads: GUI thread only; the chosen output's events arrive there through
// the pipeline's dispatcher. Ownership: owns every component; the outputs
// are destroyed (and stopped) before the converters and the input.
class WavResampleChain {
public:
    using WmaFactory = std::function<std::unique_ptr<TAuFileOut>()>;

    explicit WavResampleChain(WmaFactory makeWmaOutput);
    ~WavResampleChain();
    WavResampleChain(const WavResampleChain&) = delete;
    WavResampleChain& operator=(const WavResampleChain&) = delete;

    // Points WaveIn1 at the file; its description when it is a usable WAV
    // file, nothing otherwise.
    [[nodiscard]] std::optional<WavInputInfo> ChooseInput(const std::string& path);
    // Picks the output by the name's extension and names it; returns the
    // name without folder.
    std::string ChooseOutput(const std::string& path);

    // Sets the chain up and runs the chosen output. False (nothing started)
    // when the input is not a usable WAV file. Raises EResampleToolError
    // when no output is named, the rate is not a number or the chosen
    // writer is not available, and EAuException when the resampler's
    // library is missing or the output refuses to run.
    bool Start(const ResampleSettings& settings);
    // Stops a running conversion: asynchronously (its end is reported as
    // usual) or synchronously (nothing more is reported).
    void Stop(bool async);

    // The chosen output, or nullptr (also while the WMA writer is missing).
    [[nodiscard]] TAuFileOut* ChosenOutput();
    [[nodiscard]] bool WmaChosen() const { return m_chosen == Chosen::Wma; }

    // The running output's progress percentage (-1 when unknown).
    std::function<void(int progress)> OnProgress;
    // The running output has ended; the message is empty after success.
    std::function<void(const std::string& exceptionMessage)> OnDone;

private:
    enum class Chosen { None, Wave, Wma };

    // Creates Resampler1 and links the chain if that has not been done;
    // raises when the library cannot be loaded.
    void LinkResampler();
    // Creates WMAOut1 if the build has a writer; raises its library error.
    void CreateWmaOutput();

    WmaFactory m_makeWmaOutput;
    TWaveIn WaveIn1;
    std::unique_ptr<TResampler> Resampler1;
    TAudioConverter AudioConverter1;
    TWaveOut WaveOut1;
    std::unique_ptr<TAuFileOut> WMAOut1;
    Chosen m_chosen = Chosen::None;
    std::string m_wmaFileName;  // kept for a writer created later
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/wav_resample_chain.h"

#include <charconv>
#include <filesystem>
#include <utility>

#include "audio/core/au_exception.h"

namespace {

constexpr std::uint32_t kStartSampleRate = 44100;  // Hz

std::string NameWithoutFolder(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::int64_t ParseInteger(const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        throw EResampleToolError("'" + text + "' is not a valid integer value");
    }
    return value;
}

}  // namespace

std::string WavTypeName(TWavType type) {
    switch (type) {
        case wtPCM:
            return "Raw PCM";
        case wtDVIADPCM:
            return "DVI IMA ADPCM";
        case wtMSADPCM:
            return "Microsoft ADPCM";
        case wtACM:
            return "ACM";
        default:
            return "Unsupported";
    }
}

WavResampleChain::WavResampleChain(WmaFactory makeWmaOutput)
    : m_makeWmaOutput(std::move(makeWmaOutput)) {
    AudioConverter1.SetMode(msmMonoToBoth);
    WaveOut1.SetInput(&AudioConverter1);
    WaveOut1.SetWavType(wtPCM);
    WaveOut1.SetBlockSize(TWaveOut::kDefaultBlockSize);
    WaveOut1.SetFileMode(foRewrite);
    ForwardOutputEvents(WaveOut1, OnProgress, OnDone);
    try {
        LinkResampler();
    } catch (const EAuException&) {
        // Reported when a conversion starts; the tool still opens.
    }
}

WavResampleChain::~WavResampleChain() = default;

std::optional<WavInputInfo> WavResampleChain::ChooseInput(const std::string& path) {
    WaveIn1.SetFileName(path);
    if (!WaveIn1.Valid()) {
        return std::nullopt;
    }
    return WavInputInfo{NameWithoutFolder(path), WaveIn1.Channels(), WaveIn1.SampleRate(),
                        WaveIn1.BitsPerSample(), WavTypeName(WaveIn1.WavType())};
}

std::string WavResampleChain::ChooseOutput(const std::string& path) {
    // Letter case counts: "x.WAV" goes to the Windows Media writer.
    if (std::filesystem::path(path).extension() == ".wav") {
        m_chosen = Chosen::Wave;
        WaveOut1.SetFileName(path);
    } else {
        m_chosen = Chosen::Wma;
        m_wmaFileName = path;
        try {
            CreateWmaOutput();
        } catch (const EAuException&) {
            // Reported when a conversion starts.
        }
    }
    return NameWithoutFolder(path);
}

bool WavResampleChain::Start(const ResampleSettings& settings) {
    if (m_chosen == Chosen::Wma) {
        CreateWmaOutput();
        if (!WMAOut1) {
            throw EResampleToolError("WMA encoding is not available.");
        }
    }
    TAuFileOut* output = ChosenOutput();
    if (output == nullptr || output->FileName().empty()) {
        throw EResampleToolError("The output file name is not set!");
    }
    AudioConverter1.SetOutBitsPerSample(0);
    AudioConverter1.SetOutChannels(0);
    const std::int64_t sampleRate = ParseInteger(settings.SampleRateText);
    if (!WaveIn1.Valid()) {
        return false;
    }
    LinkResampler();
    Resampler1->SetOutSampleRate(sampleRate);
    // Compared with what the resampler delivers, so that 24 bits asked of a
    // resampled 24-bit input (which the resampler narrows) are 24 bits.
    if (settings.BitsPerSample != Resampler1->BitsPerSample()) {
        AudioConverter1.SetOutBitsPerSample(settings.BitsPerSample);
    }
    if (settings.Channels != WaveIn1.Channels()) {
        AudioConverter1.SetOutChannels(settings.Channels);
    }
    WaveOut1.SetWavType(settings.Encoding);
    output->Run();
    return true;
}

void WavResampleChain::Stop(bool async) {
    if (TAuFileOut* output = ChosenOutput()) {
        output->Stop(async);
    }
}

TAuFileOut* WavResampleChain::ChosenOutput() {
    switch (m_chosen) {
        case Chosen::Wave:
            return &WaveOut1;
        case Chosen::Wma:
            return WMAOut1.get();
        default:
            return nullptr;
    }
}

void WavResampleChain::LinkResampler() {
    if (Resampler1) {
        return;
    }
    Resampler1 = std::make_unique<TResampler>();
    Resampler1->SetInput(&WaveIn1);
    Resampler1->SetQuality(rqBest);
    Resampler1->SetOutSampleRate(kStartSampleRate);
    AudioConverter1.SetInput(Resampler1.get());
}

void WavResampleChain::CreateWmaOutput() {
    if (!WMAOut1) {
        WMAOut1 = m_makeWmaOutput();
        if (!WMAOut1) {
            return;
        }
        WMAOut1->SetInput(&AudioConverter1);
        ForwardOutputEvents(*WMAOut1, OnProgress, OnDone);
    }
    WMAOut1->SetFileName(m_wmaFileName);
}

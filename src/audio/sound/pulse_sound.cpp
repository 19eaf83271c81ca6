// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/sound/pulse_sound.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <utility>

namespace {

// Bytes the server keeps buffered ahead of what is heard (0.25 s).
constexpr std::uint32_t kTargetBufferBytes = kSoundBytesPerSecond / 4;

struct SimpleDeleter {
    void operator()(pa_simple* stream) const { pa_simple_free(stream); }
};
using SimplePtr = std::unique_ptr<pa_simple, SimpleDeleter>;

class PulseOutput final : public SoundOutput {
public:
    explicit PulseOutput(SimplePtr stream) : m_stream(std::move(stream)) {}

    bool Write(std::span<const std::uint8_t> pcm) override {
        int error = 0;
        return pa_simple_write(m_stream.get(), pcm.data(), pcm.size(), &error) == 0;
    }

    bool Drain() override {
        int error = 0;
        return pa_simple_drain(m_stream.get(), &error) == 0;
    }

    void Discard() override {
        int error = 0;
        pa_simple_flush(m_stream.get(), &error);
    }

private:
    SimplePtr m_stream;
};

}  // namespace

PulseSoundSystem::PulseSoundSystem(std::string applicationName, std::string streamName)
    : m_applicationName(std::move(applicationName)), m_streamName(std::move(streamName)) {}

SoundOpenResult PulseSoundSystem::OpenOutput() {
    const pa_sample_spec format{PA_SAMPLE_S16LE, kSoundSampleRate, kSoundChannels};
    constexpr std::uint32_t kServerDefault = static_cast<std::uint32_t>(-1);
    const pa_buffer_attr buffer{kServerDefault, kTargetBufferBytes, kServerDefault, kServerDefault,
                                kServerDefault};
    int error = 0;
    SimplePtr stream(pa_simple_new(nullptr, m_applicationName.c_str(), PA_STREAM_PLAYBACK, nullptr,
                                   m_streamName.c_str(), &format, nullptr, &buffer, &error));
    if (!stream) {
        return {nullptr, std::string("Sound server: ") + pa_strerror(error)};
    }
    return {std::make_unique<PulseOutput>(std::move(stream)), {}};
}

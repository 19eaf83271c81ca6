// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "audio/sound/sound_output.h"

// Playback streams on the user's PulseAudio server (or PipeWire's PulseAudio
// service) through the simple API, on its default sink. The server keeps
// about a quarter of a second of audio buffered, so pausing by no longer
// writing is heard within that time and a stream never waits long in Write.
// Without a reachable server, opening fails with the library's reason.
class PulseSoundSystem final : public SoundSystem {
public:
    // Names shown in the server's list of clients and streams.
    PulseSoundSystem(std::string applicationName, std::string streamName);

    [[nodiscard]] SoundOpenResult OpenOutput() override;

private:
    const std::string m_applicationName;
    const std::string m_streamName;
};

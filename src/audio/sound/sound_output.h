// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Playback streams of the sound system. Every stream takes CD-format PCM:
// interleaved 16-bit little-endian stereo at 44100 Hz.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

inline constexpr std::uint32_t kSoundSampleRate = 44100;
inline constexpr std::uint32_t kSoundChannels = 2;
inline constexpr std::uint32_t kSoundFrameBytes = 4;  // one sample per channel
inline constexpr std::uint32_t kSoundBytesPerSecond = kSoundSampleRate * kSoundFrameBytes;

// One open playback stream. It is used by one thread at a time; destroying it
// drops whatever was written but not yet heard.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Blocks until the sound system has taken every byte (whole sample
    // frames); the wait is about one buffer length at most. False when the
    // stream failed, e.g. the server went away.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> pcm) = 0;
    // Blocks until everything written has been heard.
    [[nodiscard]] virtual bool Drain() = 0;
    // Drops what was written but not yet heard, so the next write sounds at once.
    virtual void Discard() = 0;
};

struct SoundOpenResult {
    std::unique_ptr<SoundOutput> output;  // null when the stream could not be opened
    std::string message;                  // why not
};

// Opens playback streams. Any thread.
class SoundSystem {
public:
    virtual ~SoundSystem() = default;
    [[nodiscard]] virtual SoundOpenResult OpenOutput() = 0;
};

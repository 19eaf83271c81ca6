// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A PulseAudio daemon of the test's own: no configuration files, one null
// sink "test" with rewinds off (so its monitor hears every byte that was
// played exactly once), the native protocol on a socket in a private
// runtime folder. While it runs, PULSE_SERVER points this process's clients
// at it. Stopped and removed when destroyed.
class PulseDaemon {
public:
    PulseDaemon();
    ~PulseDaemon();
    PulseDaemon(const PulseDaemon&) = delete;
    PulseDaemon& operator=(const PulseDaemon&) = delete;

    // Empty when the daemon runs; otherwise why it could not start.
    [[nodiscard]] const std::string& FailureReason() const { return m_failure; }
    // Ends the daemon at once, as when a desktop's sound server goes away.
    void Kill();

private:
    [[nodiscard]] bool WaitForSocket();

    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    std::string m_failure;
};

// Records the null sink's monitor with parec (16-bit little-endian stereo,
// 44100 Hz) from construction until Finish.
class MonitorRecording {
public:
    explicit MonitorRecording(const std::filesystem::path& file);
    ~MonitorRecording();
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // Empty when parec records; otherwise why not.
    [[nodiscard]] const std::string& FailureReason() const { return m_failure; }
    // Lets the last audio arrive, ends parec and returns what it recorded.
    [[nodiscard]] std::vector<std::uint8_t> Finish();

private:
    std::filesystem::path m_file;
    pid_t m_pid = -1;
    std::string m_failure;
};

// The bytes without their all-zero sample frames (4 bytes each): a sink fills
// the gaps of a stream that ran dry with silence, which says nothing about
// the audio that was played.
[[nodiscard]] std::vector<std::uint8_t> WithoutSilentFrames(const std::vector<std::uint8_t>& pcm);

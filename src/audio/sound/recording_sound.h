// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/sound/sound_output.h"

// The null sink: keeps what is played in memory instead of sounding it, one
// byte record per opened stream, so tests see exactly what a player handed
// to the sound system. In real time a write blocks for as long as its audio
// would take to be heard, like a sound card; otherwise it returns at once.
//
// Threads: streams are written on any thread; Streams and the observer
// setter may be called from any thread. Ownership: the system owns the
// records; a stream shares its record, so it may outlive the system.
class RecordingSoundSystem final : public SoundSystem {
public:
    using Bytes = std::vector<std::uint8_t>;
    // Called on the writing thread after each write, with the stream's
    // position among the opened streams and its byte count so far.
    using WriteObserver = std::function<void(std::size_t stream, std::size_t bytes)>;

    explicit RecordingSoundSystem(bool realTime = false);

    [[nodiscard]] SoundOpenResult OpenOutput() override;

    // The bytes written to each stream opened so far, in opening order.
    [[nodiscard]] std::vector<Bytes> Streams() const;
    void SetWriteObserver(WriteObserver observer);

    // State shared with the streams.
    struct Shared {
        std::mutex mutex;
        std::vector<Bytes> streams;
        WriteObserver observer;
    };

private:
    const bool m_realTime;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};

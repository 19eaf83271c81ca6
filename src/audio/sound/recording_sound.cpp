// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/sound/recording_sound.h"

#include <algorithm>
#include <thread>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

class RecordingOutput final : public SoundOutput {
public:
    RecordingOutput(std::shared_ptr<RecordingSoundSystem::Shared> shared, std::size_t stream,
                    bool realTime)
        : m_shared(std::move(shared)), m_stream(stream), m_realTime(realTime) {}

    bool Write(std::span<const std::uint8_t> pcm) override {
        RecordingSoundSystem::WriteObserver observer;
        std::size_t bytes = 0;
        {
            std::lock_guard lock(m_shared->mutex);
            RecordingSoundSystem::Bytes& record = m_shared->streams[m_stream];
            record.insert(record.end(), pcm.begin(), pcm.end());
            bytes = record.size();
            observer = m_shared->observer;
        }
        if (m_realTime) {
            WaitUntilHeard(pcm.size());
        }
        if (observer) {
            observer(m_stream, bytes);
        }
        return true;
    }

    bool Drain() override { return true; }
    void Discard() override {}

private:
    // A card plays on from where it was, or from now after running dry.
    void WaitUntilHeard(std::size_t bytes) {
        const auto duration = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(static_cast<double>(bytes) / kSoundBytesPerSecond));
        m_heardAt = std::max(m_heardAt, Clock::now()) + duration;
        std::this_thread::sleep_until(m_heardAt);
    }

    const std::shared_ptr<RecordingSoundSystem::Shared> m_shared;
    const std::size_t m_stream;
    const bool m_realTime;
    Clock::time_point m_heardAt{};
};

}  // namespace

RecordingSoundSystem::RecordingSoundSystem(bool realTime) : m_realTime(realTime) {}

SoundOpenResult RecordingSoundSystem::OpenOutput() {
    std::lock_guard lock(m_shared->mutex);
    m_shared->streams.emplace_back();
    return {std::make_unique<RecordingOutput>(m_shared, m_shared->streams.size() - 1, m_realTime),
            {}};
}

std::vector<RecordingSoundSystem::Bytes> RecordingSoundSystem::Streams() const {
    std::lock_guard lock(m_shared->mutex);
    return m_shared->streams;
}

void RecordingSoundSystem::SetWriteObserver(WriteObserver observer) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->observer = std::move(observer);
}

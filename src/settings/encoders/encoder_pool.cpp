// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/encoders/encoder_pool.h"

#include <algorithm>
#include <utility>

#include "audio/core/au_exception.h"
#include "audio/wav/wave_in.h"

EncoderPool::EncoderPool(std::size_t slots, std::chrono::milliseconds doneEventDelay)
    : m_doneEventDelay(doneEventDelay) {
    for (std::size_t i = 0; i < slots; ++i) {
        auto slot = std::make_unique<Slot>();
        Slot& self = *slot;
        self.Step.OnProgress = [this, &self](int progress) {
            if (OnProgress && self.Job) {
                OnProgress(*self.Job, progress);
            }
        };
        // The message is copied: a handler that starts the next job in this
        // slot clears the output's own.
        self.Step.OnDone = [this, &self](std::string message) {
            const std::optional<std::size_t> job = std::exchange(self.Job, std::nullopt);
            if (OnDone && job) {
                OnDone(*job, message);
            }
        };
        m_slots.push_back(std::move(slot));
    }
}

EncoderPool::~EncoderPool() {
    Stop();
}

std::size_t EncoderPool::Start(EncodeJob job, const TOptionsSetting& settings) {
    const auto free = std::ranges::find_if(m_slots, [](const auto& slot) { return !slot->Job; });
    if (free == m_slots.end()) {
        throw EAuException("No encoder slot is free");
    }
    Slot& slot = **free;
    slot.Reader = job.Reader ? std::move(job.Reader) : std::make_unique<TWaveIn>();
    const auto beforeRun = [this, &job](TAuFileOut& output) {
        output.SetDoneEventDelay(m_doneEventDelay);
        if (job.BeforeRun) {
            job.BeforeRun(output);
        }
    };
    slot.Job = m_nextJob;
    try {
        slot.Step.Start(*slot.Reader, job.InputPath, job.OutputFormat, job.OutputPath, settings,
                        job.Tags, beforeRun);
    } catch (...) {
        slot.Job.reset();
        throw;
    }
    return m_nextJob++;
}

void EncoderPool::Stop() {
    for (const auto& slot : m_slots) {
        if (slot->Job) {
            static_cast<void>(slot->Step.Stop());
            slot->Job.reset();
        }
    }
}

bool EncoderPool::HasFreeSlot() const {
    return Running() < m_slots.size();
}

std::size_t EncoderPool::Running() const {
    return static_cast<std::size_t>(
        std::ranges::count_if(m_slots, [](const auto& slot) { return slot->Job.has_value(); }));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace net {

// Lets one request start per interval, for services that limit how often a
// client may ask. Threads: any; one gate is shared by every thread that asks
// the same service.
class RateGate {
public:
    explicit RateGate(std::chrono::milliseconds interval);
    RateGate(const RateGate&) = delete;
    RateGate& operator=(const RateGate&) = delete;

    // Waits until the interval has passed since the last request let through,
    // then lets this one through; false when stop came first.
    [[nodiscard]] bool Pass(std::stop_token stop);

private:
    const std::chrono::milliseconds m_interval;
    std::mutex m_mutex;
    std::condition_variable_any m_stopped;
    std::chrono::steady_clock::time_point m_nextStart;  // guarded by m_mutex
};

}  // namespace net

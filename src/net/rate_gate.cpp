// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/rate_gate.h"

namespace net {

RateGate::RateGate(std::chrono::milliseconds interval) : m_interval(interval) {}

bool RateGate::Pass(std::stop_token stop) {
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (stop.stop_requested()) {
            return false;
        }
        const auto now = std::chrono::steady_clock::now();
        if (now >= m_nextStart) {
            m_nextStart = now + m_interval;
            return true;
        }
        // The wait reads its end time while the lock is released, so it gets
        // a copy. Nothing but a stop wakes it early; after it, another thread
        // may have taken the turn, so the time is checked again.
        const auto nextStart = m_nextStart;
        m_stopped.wait_until(lock, stop, nextStart, [] { return false; });
    }
}

}  // namespace net

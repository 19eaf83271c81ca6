// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_helpers.h"

#include <fcntl.h>
#include <sys/file.h>

#include <chrono>
#include <system_error>
#include <thread>

#include "audio/core/file_descriptor.h"

std::string TwoDigits(int number) {
    const std::string digits = std::to_string(number);
    return number >= 0 && number <= 9 ? "0" + digits : digits;
}

std::string DefaultTrackTitle(int track) {
    return "Track" + TwoDigits(track);
}

bool IsFileInUse(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::exists(path, error) || std::filesystem::is_directory(path, error)) {
        return false;
    }
    // Non-blocking, so that a FIFO or device cannot hold the caller.
    const FileDescriptor fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd.IsOpen()) {
        return true;
    }
    // The lock goes with the descriptor when it is closed.
    return ::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0;
}

void BusyWait(int milliseconds) {
    if (milliseconds < 1) {
        return;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_until(deadline);
    }
}

std::string IncludeTrailingSeparator(const std::string& path) {
    if (path.empty() || path.back() == '/') {
        return path;
    }
    return path + '/';
}

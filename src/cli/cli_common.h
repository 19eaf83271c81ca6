// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What every subcommand of brisklark-cli shares: its exit statuses, the
// failure message, the drive list and a drive opened for one command. Runs
// on the program's only thread.

#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "cd/access/cd_access.h"

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitBadUsage = 2;

// Writes "brisklark-cli: <reason>" to standard error; kExitFailure.
int Failure(const std::string& reason);

// One JSON value as a line of standard output. Paths and names need not be
// UTF-8: bytes that are not become U+FFFD rather than stopping the program.
void PrintJsonLine(const nlohmann::ordered_json& value);

// One entry of the drive list: real drives first, then disc images.
struct CliDrive {
    TCDDriveInfo Info{};
    std::string Path{};  // device node or image file
};

[[nodiscard]] std::vector<CliDrive> ListDrives();

// A handle on one drive, closed when the object goes; 0 when it did not open.
class ScopedDriveHandle {
public:
    explicit ScopedDriveHandle(const TCDDriveInfo& drive);
    ~ScopedDriveHandle();
    ScopedDriveHandle(const ScopedDriveHandle&) = delete;
    ScopedDriveHandle& operator=(const ScopedDriveHandle&) = delete;

    [[nodiscard]] TCDHandle Get() const { return m_handle; }

private:
    TCDHandle m_handle = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_common.h"

#include <iostream>

#include <nlohmann/json.hpp>

int Failure(const std::string& reason) {
    std::cerr << "brisklark-cli: " << reason << '\n';
    return kExitFailure;
}

void PrintJsonLine(const nlohmann::ordered_json& value) {
    std::cout << value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
}

std::vector<CliDrive> ListDrives() {
    TCDList list;
    if (GetCDList(&list) != 1) {
        return {};
    }
    const std::vector<std::string> paths = GetCDDrivePaths();
    std::vector<CliDrive> drives;
    for (int i = 0; i < list.Num; ++i) {
        const auto position = static_cast<std::size_t>(i);
        drives.push_back({list.Drives[i], position < paths.size() ? paths[position] : ""});
    }
    return drives;
}

ScopedDriveHandle::ScopedDriveHandle(const TCDDriveInfo& drive) {
    TGetCDHandle request;
    request.Adapter = drive.Adapter;
    request.Target = drive.Target;
    request.Lun = drive.Lun;
    m_handle = GetCDHandle(&request);
}

ScopedDriveHandle::~ScopedDriveHandle() {
    if (m_handle != 0) {
        CloseCDHandle(m_handle);
    }
}

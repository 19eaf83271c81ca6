// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

// A fresh, empty folder under the system's temporary folder, named after the
// running test, removed with everything in it when the object goes. Tests
// may leave read-only files in it; the folder's own bits decide removal.
class TestFolder {
public:
    TestFolder();
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    [[nodiscard]] const std::filesystem::path& Path() const { return m_path; }
    // The path of a file in the folder, as text.
    [[nodiscard]] std::string File(const std::string& name) const;
    [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
        return m_path / name;
    }

private:
    std::filesystem::path m_path;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags_test_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

TagsTempDir::TagsTempDir() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    m_path = (std::filesystem::temp_directory_path() / "brisklark_tags_tests" /
              (std::string(info->test_suite_name()) + "_" + info->name() + "_" +
               std::to_string(getpid())))
                 .string();
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
}

TagsTempDir::~TagsTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TagsTempDir::Path(const std::string& name) const {
    return m_path + "/" + name;
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()),
               static_cast<std::streamsize>(data.size()));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

namespace {

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

}  // namespace

ScriptResult RunPython(const std::string& script, const std::vector<std::string>& args) {
    const std::string scriptPath = (std::filesystem::temp_directory_path() /
                                    ("brisklark_tags_" + std::to_string(getpid()) + ".py"))
                                       .string();
    std::ofstream(scriptPath) << script;
    std::string command = "/usr/bin/python3 " + Quote(scriptPath);
    for (const std::string& arg : args) {
        command += " " + Quote(arg);
    }
    ScriptResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        return result;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.Output.append(buffer, got);
    }
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::filesystem::remove(scriptPath);
    return result;
}

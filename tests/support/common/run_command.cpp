// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/common/run_command.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    std::unique_ptr<FILE, decltype(&::pclose)> pipe(::popen(command.c_str(), "r"), &::pclose);
    if (!pipe) {
        return result;
    }
    char chunk[4096];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0) {
        result.Output.append(chunk, got);
    }
    const int status = ::pclose(pipe.release());
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

CommandResult RunPython(const std::string& script, const std::vector<std::string>& args) {
    static std::atomic<int> counter{0};
    const std::filesystem::path scriptPath =
        std::filesystem::temp_directory_path() / ("brisklark_script_" + std::to_string(::getpid()) +
                                                  "_" + std::to_string(counter++) + ".py");
    std::ofstream(scriptPath) << script;
    std::string command = "/usr/bin/python3 " + ShellQuote(scriptPath.string());
    for (const std::string& arg : args) {
        command += " " + ShellQuote(arg);
    }
    CommandResult result = RunCommand(command);
    std::filesystem::remove(scriptPath);
    return result;
}

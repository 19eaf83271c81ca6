// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/common/oracle.h"

#include <unistd.h>

#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>

#include "support/common/run_command.h"

namespace {

constexpr const char* kInstallHint = " (scripts/install-deps installs it)";

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Each answer is asked for once per test executable.
std::string Cached(const std::string& key, std::string (*probe)(const std::string&),
                   const std::string& name) {
    static std::mutex lock;
    static std::map<std::string, std::string> answers;
    std::lock_guard guard(lock);
    const auto found = answers.find(key);
    if (found != answers.end()) {
        return found->second;
    }
    return answers[key] = probe(name);
}

std::string ProbeProgram(const std::string& program) {
    return OnPath(program) ? "" : program + " is not installed" + kInstallHint;
}

std::string ProbeModule(const std::string& module) {
    const bool imports =
        RunCommand("/usr/bin/python3 -c " + ShellQuote("import " + module) + " 2>/dev/null").Ok();
    return imports ? "" : "the Python module " + module + " is not installed" + kInstallHint;
}

}  // namespace

std::string MissingProgram(const std::string& program) {
    return Cached("program:" + program, ProbeProgram, program);
}

std::string MissingPythonModule(const std::string& module) {
    return Cached("module:" + module, ProbeModule, module);
}

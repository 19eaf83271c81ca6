// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/sound/pulse_daemon.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

#include "support/common/files.h"
#include "support/common/run_command.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto kStartTimeout = 10s;
constexpr auto kPollInterval = 50ms;

// Starts program (searched in PATH) with this process's environment plus
// `extra`, its output going to outputFile. -1 and the reason on failure.
pid_t Spawn(const std::vector<std::string>& arguments,
            const std::map<std::string, std::string>& extra, const fs::path& outputFile,
            std::string& failure) {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text(*entry);
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            environment[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : extra) {
        environment[name] = value;
    }
    std::vector<std::string> environmentTexts;
    for (const auto& [name, value] : environment) {
        environmentTexts.push_back(name + "=" + value);
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& text : environmentTexts) {
        envp.push_back(text.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        failure = arguments[0] + " cannot be started: " + std::strerror(error);
        return -1;
    }
    return pid;
}

bool HasExited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

void EndProcess(pid_t pid, int signal) {
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
}

// True once the server lists a recording stream (parec has connected).
bool ServerHasRecordingStream() {
    return !RunCommand("pactl list short source-outputs 2>/dev/null").Output.empty();
}

}  // namespace

PulseDaemon::PulseDaemon() {
    std::string pattern = (fs::temp_directory_path() / "brisklark_pulse_XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        m_failure = "no private runtime folder for the PulseAudio daemon";
        return;
    }
    m_folder = pattern;
    m_pid = Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                   "--load=module-null-sink sink_name=test norewinds=1",
                   "--load=module-native-protocol-unix"},
                  {{"XDG_RUNTIME_DIR", m_folder.string()}, {"HOME", m_folder.string()}},
                  m_folder / "daemon.log", m_failure);
    if (m_pid < 0) {
        return;
    }
    if (!WaitForSocket()) {
        m_failure = "the PulseAudio daemon did not start: " + ReadText(m_folder / "daemon.log");
        return;
    }
    ::setenv("PULSE_SERVER", ("unix:" + (m_folder / "pulse" / "native").string()).c_str(), 1);
}

PulseDaemon::~PulseDaemon() {
    ::unsetenv("PULSE_SERVER");
    Kill();
    std::error_code error;
    fs::remove_all(m_folder, error);
}

void PulseDaemon::Kill() {
    if (m_pid > 0) {
        EndProcess(m_pid, SIGKILL);
        m_pid = -1;
    }
}

bool PulseDaemon::WaitForSocket() {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (m_folder / "pulse" / "native").string();
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (HasExited(m_pid)) {
            m_pid = -1;
            return false;
        }
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool accepted =
            ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(probe);
        if (accepted) {
            return true;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    return false;
}

MonitorRecording::MonitorRecording(const fs::path& file) : m_file(file) {
    m_pid = Spawn({"parec", "--device=test.monitor", "--format=s16le", "--rate=44100",
                   "--channels=2", "--raw", "--latency-msec=20"},
                  {}, m_file, m_failure);
    if (m_pid < 0) {
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!ServerHasRecordingStream()) {
        if (HasExited(m_pid)) {
            m_pid = -1;
            m_failure = "parec ended before it recorded: " + ReadText(m_file);
            return;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            m_failure = "parec did not start recording";
            return;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

MonitorRecording::~MonitorRecording() {
    if (m_pid > 0) {
        EndProcess(m_pid, SIGTERM);
    }
}

std::vector<std::uint8_t> MonitorRecording::Finish() {
    if (m_pid > 0) {
        // parec hands on what it records every 20 ms; give the tail time to arrive.
        std::this_thread::sleep_for(300ms);
        EndProcess(m_pid, SIGTERM);
        m_pid = -1;
    }
    return ReadFileBytes(m_file);
}

std::vector<std::uint8_t> WithoutSilentFrames(const std::vector<std::uint8_t>& pcm) {
    std::vector<std::uint8_t> kept;
    for (std::size_t at = 0; at + 4 <= pcm.size(); at += 4) {
        if (pcm[at] != 0 || pcm[at + 1] != 0 || pcm[at + 2] != 0 || pcm[at + 3] != 0) {
            kept.insert(kept.end(), pcm.begin() + static_cast<std::ptrdiff_t>(at),
                        pcm.begin() + static_cast<std::ptrdiff_t>(at + 4));
        }
    }
    return kept;
}

// SPDX-License-Identifier: GPL-3.0-or-later
//
// Start-up time: from starting the program to its main window's first paint,
// on Qt's offscreen platform, with a small disc image as its drive. The
// program is the real one (its main is compiled into this executable under
// another name); each iteration runs it in a fresh process, which reports
// the paint through a pipe and ends there. Counters: start_ms (wall),
// start_cpu_ms (the child's processor time) and peak_mb (its peak resident
// memory). Goal: under 300 ms.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "discimage/disc_image.h"
#include "discimage/synth.h"

int BrisklarkMain(int argc, char* argv[]);

namespace {

namespace fs = std::filesystem;

// The descriptor the child writes to at the first paint (environment).
constexpr const char* kPaintPipeVariable = "BRISKLARK_BENCH_PAINT_FD";

// In the child: ends the process at the main window's first paint, after
// telling the parent. Exiting at once keeps tear-down out of the figures.
class FirstPaintWatcher final : public QObject {
public:
    explicit FirstPaintWatcher(int fd) : m_fd(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool handled = QObject::eventFilter(watched, event);
        if (event->type() == QEvent::Paint && watched->inherits("TfrmMain")) {
            // The paint itself has not run yet; let it, then report.
            watched->removeEventFilter(this);
            QCoreApplication::instance()->removeEventFilter(this);
            watched->event(event);
            const char byte = 1;
            static_cast<void>(::write(m_fd, &byte, 1));
            std::_Exit(0);
        }
        return handled;
    }

private:
    int m_fd;
};

// Runs when the program's QApplication is made (in the child only).
void WatchForFirstPaint() {
    const char* fd = std::getenv(kPaintPipeVariable);
    if (fd != nullptr) {
        QCoreApplication::instance()->installEventFilter(new FirstPaintWatcher(std::atoi(fd)));
    }
}

double Seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

// A folder with a four-track disc image and private settings, temporary and
// socket folders, so no running copy of the program is reached.
class StartupFolder {
public:
    StartupFolder()
        : m_folder(fs::temp_directory_path() / ("bench_startup_" + std::to_string(::getpid()))) {
        fs::create_directories(m_folder / "config");
        fs::create_directories(m_folder / "tmp");
        std::vector<discimage::Pcm> tracks;
        for (int i = 0; i < 4; ++i) {
            tracks.push_back(discimage::SineTone(220.0 * (i + 1), 10 * 44100, 0.5));
        }
        m_ok = discimage::WriteDiscImage(m_folder / "disc.cue", tracks).ok;
    }
    ~StartupFolder() {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }
    StartupFolder(const StartupFolder&) = delete;
    StartupFolder& operator=(const StartupFolder&) = delete;

    bool Ok() const { return m_ok; }
    const fs::path& Path() const { return m_folder; }

private:
    fs::path m_folder;
    bool m_ok = false;
};

struct Start {
    double wall = 0;
    double cpu = 0;
    long peakKilobytes = 0;
};

// Starts the program in a child process and waits for its first paint.
bool StartOnce(const StartupFolder& folder, Start& start) {
    int fds[2];
    if (::pipe(fds) != 0) {
        return false;
    }
    const auto begin = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        ::setenv(kPaintPipeVariable, std::to_string(fds[1]).c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::setenv("XDG_CONFIG_HOME", (folder.Path() / "config").c_str(), 1);
        ::setenv("TMPDIR", (folder.Path() / "tmp").c_str(), 1);
        ::setenv("BRISKLARK_DISC_IMAGES", (folder.Path() / "disc.cue").c_str(), 1);
        const char* argv[] = {"brisklark", nullptr};
        ::execv("/proc/self/exe", const_cast<char* const*>(argv));
        ::_exit(127);
    }
    ::close(fds[1]);
    char byte = 0;
    const bool painted = child > 0 && ::read(fds[0], &byte, 1) == 1;
    const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - begin;
    ::close(fds[0]);
    int status = -1;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
        return false;
    }
    start = {wall.count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime), usage.ru_maxrss};
    return painted && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartToMainWindow(benchmark::State& state) {
    const StartupFolder folder;
    if (!folder.Ok()) {
        state.SkipWithError("the disc image could not be made");
        return;
    }
    Start total;
    for (auto _ : state) {
        Start start;
        if (!StartOnce(folder, start)) {
            state.SkipWithError("the program did not paint its main window");
            return;
        }
        state.SetIterationTime(start.wall);
        total.wall += start.wall;
        total.cpu += start.cpu;
        total.peakKilobytes = std::max(total.peakKilobytes, start.peakKilobytes);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["start_ms"] = 1000 * total.wall / iterations;
    state.counters["start_cpu_ms"] = 1000 * total.cpu / iterations;
    state.counters["peak_mb"] = static_cast<double>(total.peakKilobytes) / 1024.0;
}
BENCHMARK(BM_StartToMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(WatchForFirstPaint)

int main(int argc, char** argv) {
    if (std::getenv(kPaintPipeVariable) != nullptr) {
        return BrisklarkMain(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

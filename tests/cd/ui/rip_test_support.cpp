// SPDX-License-Identifier: GPL-3.0-or-later
#include "rip_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string_view>

#include "audio/core/ui/pipeline_wake_up.h"
#include "cd/access/libcdio_backend.h"
#include "cd/rip_thread.h"
#include "cd/ui/rip_window.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "settings/app_paths.h"
#include "support/cd/forwarding_device.h"
#include "support/ui/qt_environment.h"

namespace fs = std::filesystem;

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_cd_ui", QtEnvironment::Pipeline::RunsPipelineCalls));

// Records the messages a rip window receives, before it handles each.
class MessageRecorder final : public QObject {
public:
    MessageRecorder(TfrmCDRip& window, RipRecord& record, fs::path output,
                    std::vector<std::string> titles, std::function<void(TfrmCDRip&, int)> onMessage)
        : m_window(window),
          m_record(record),
          m_output(std::move(output)),
          m_titles(std::move(titles)),
          m_onMessage(std::move(onMessage)) {}

    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        int percent = 0;
        if (event->type() == static_cast<QEvent::Type>(WM_RIPERROR)) {
            const auto code = static_cast<RipMessageEvent*>(event)->Message().LParam;
            m_record.stages.push_back("error " + std::to_string(code));
            percent = -static_cast<int>(code);
        } else if (event->type() == static_cast<QEvent::Type>(WM_RIPPROGRESS)) {
            const auto* info = dynamic_cast<const TProcessInfo*>(
                static_cast<RipMessageEvent*>(event)->Message().Payload.get());
            percent = info->Percent;
            NoteTags();
            Note(*info);
        } else {
            return false;
        }
        m_record.completedTexts.push_back(Label("lCompleted"));
        if (m_onMessage) {
            m_onMessage(m_window, percent);
        }
        return false;
    }

    // Adds a "tag" stage for every MP3 file of the rip that has newly got
    // its ID3v1 tag.
    void NoteTags() {
        for (const std::string& item : m_titles) {
            const std::string title = item.substr(2);
            const fs::path mp3 = m_output / (title + ".mp3");
            std::error_code error;
            if (m_tagged.contains(title) || !fs::is_regular_file(mp3, error)) {
                continue;
            }
            const Bytes bytes = ReadFileBytes(mp3);
            if (bytes.size() >= 128 &&
                std::string_view(reinterpret_cast<const char*>(bytes.data()) + bytes.size() - 128,
                                 3) == "TAG") {
                m_tagged.insert(title);
                m_record.stages.push_back("tag " + title);
            }
        }
    }

private:
    void Note(const TProcessInfo& info) {
        const std::string status = info.Status != 0 ? "/" + std::to_string(info.Status) : "";
        const std::string title = Label("lCurrentTrack").toStdString();
        if (info.Percent == kPercentRipEnded) {
            m_record.stages.push_back("rip " + title +
                                      " completed=" + Label("lCompleted").toStdString() + status);
        } else if (info.Percent == kPercentEncodeEnded) {
            m_record.stages.push_back("encode " + title + status);
        }
    }

    QString Label(const char* name) const {
        return m_window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    TfrmCDRip& m_window;
    RipRecord& m_record;
    fs::path m_output;
    std::vector<std::string> m_titles;
    std::function<void(TfrmCDRip&, int)> m_onMessage;
    std::set<std::string> m_tagged;
};

// A drive of another backend whose sector reads pass the gate first.
class GatedDevice final : public ForwardingDevice {
public:
    GatedDevice(std::unique_ptr<CDDevice> device, std::shared_ptr<ReadGate> gate)
        : ForwardingDevice(std::move(device)), m_gate(std::move(gate)) {}

    bool ReadAudio(std::uint32_t start, std::uint32_t count, std::uint8_t* dest) override {
        m_gate->Pass();
        return ForwardingDevice::ReadAudio(start, count, dest);
    }

private:
    std::shared_ptr<ReadGate> m_gate;
};

}  // namespace

void RipWindowTest::SetUp() {
    m_output = m_root / "out";
    fs::create_directories(m_output);
    fs::create_directories(m_root / "program");
    LoadOptions(m_settings, TAppPaths(m_root / "program", m_root / "config"));
    m_settings.CommonOptions.OutputFolder = m_output.string();
    m_settings.CommonOptions.IsKeepWav = false;
    // Every rip looks its disc up: on loopback, where nothing listens. The
    // tests count the files a rip leaves; the rip log is tested without a
    // window.
    m_settings.Verify.AccurateRipServer = "http://127.0.0.1:9";
    m_settings.Verify.WriteLog = false;
    m_disc = {.Artist = "The Artist",
              .Album = "The Album",
              .Year = "1999",
              .GenrePosition = 18 /* "Blues" */,
              .Comment = "live"};
}

void RipWindowTest::TearDown() {
    if (m_handle != 0) {
        CloseCDHandle(m_handle);
    }
    if (m_gated) {
        // Null restores the default backend on its next use.
        SetCDBackend(std::move(m_previousBackend));
    }
    ::unsetenv("BRISKLARK_DISC_IMAGES");
}

void RipWindowTest::OpenDisc(const std::vector<Bytes>& tracks) {
    const fs::path cue = m_root / "disc.cue";
    const auto written = discimage::WriteDiscImage(cue, tracks);
    ASSERT_TRUE(written.ok) << written.message;
    m_handle = OpenImageDrive(cue);
    ASSERT_NE(m_handle, 0U) << "error " << GetAspiLibError();
}

std::shared_ptr<ReadGate> RipWindowTest::GateReads(int blockedRead) {
    auto gate = std::make_shared<ReadGate>(blockedRead);
    // The gate counts the drive's reads, one per rip read only when reading
    // plainly: a careful read makes several.
    m_settings.Verify.SecureRead = false;
    m_previousBackend = SetCDBackend(std::make_shared<WrappingBackend>(
        MakeLibcdioBackend(), [gate](std::unique_ptr<CDDevice> device) {
            return std::make_unique<GatedDevice>(std::move(device), gate);
        }));
    m_gated = true;
    return gate;
}

void ReadGate::Pass() {
    std::unique_lock lock(m_lock);
    ++m_reads;
    if (m_reads == m_blockedRead) {
        m_released.wait(lock, [this] { return m_open; });
    }
}

void ReadGate::Release() {
    {
        std::lock_guard lock(m_lock);
        m_open = true;
    }
    m_released.notify_all();
}

RipRecord RipWindowTest::Rip(const std::vector<std::string>& items,
                             const std::function<void(TfrmCDRip&, int)>& onMessage) {
    RipRecord record;
    TfrmCDRip window(nullptr, m_handle, items, m_settings, m_disc,
                     [&record](const QString& text) { record.errors.push_back(text); });
    MessageRecorder recorder(window, record, m_output, items, onMessage);
    window.installEventFilter(&recorder);
    QObject::connect(&window, &QDialog::finished, &recorder, [&] {
        recorder.NoteTags();
        record.stages.emplace_back("close");
    });
    // Guards against a rip that never ends; no test relies on its timing.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, &window, [&window] {
        ADD_FAILURE() << "the rip window did not close";
        window.bStopClick();
    });
    watchdog.start(120000);
    window.exec();
    return record;
}

Bytes OneSecondTone(double hertz) {
    return discimage::SineTone(hertz, discimage::kSampleRate, 0.5);
}

Bytes WavFileOf(const Bytes& pcm) {
    Bytes file(44 + pcm.size());
    const auto put = [&file](std::size_t offset, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) {
            file[offset + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(value >> (8 * i));
        }
    };
    const auto tag = [&file](std::size_t offset, const char* text) {
        std::copy_n(text, 4, file.begin() + static_cast<std::ptrdiff_t>(offset));
    };
    const auto size = static_cast<std::uint32_t>(pcm.size());
    tag(0, "RIFF");
    put(4, size + 36, 4);
    tag(8, "WAVE");
    tag(12, "fmt ");
    put(16, 16, 4);
    put(20, 1, 2);
    put(22, 2, 2);
    put(24, 44100, 4);
    put(28, 176400, 4);
    put(32, 4, 2);
    put(34, 16, 2);
    tag(36, "data");
    put(40, size, 4);
    std::copy(pcm.begin(), pcm.end(), file.begin() + 44);
    return file;
}

Bytes DecodeWithFfmpeg(const fs::path& path) {
    const CommandResult decoded = RunCommand("ffmpeg -v error -i '" + path.string() +
                                             "' -f s16le -ac 2 -ar 44100 - 2>/dev/null");
    EXPECT_EQ(decoded.Status, 0) << "ffmpeg could not decode " << path;
    return {decoded.Output.begin(), decoded.Output.end()};
}

std::map<std::string, std::string> ReadTags(const fs::path& path) {
    // The Debian python, which has mutagen; ID3 frames by id, Vorbis
    // comments by lower-case name.
    const std::string script =
        "import sys, mutagen\n"
        "f = mutagen.File(sys.argv[1])\n"
        "t = f.tags if f is not None else None\n"
        "if t is not None and hasattr(t, 'getall'):\n"
        "    [print(x.FrameID + '=' + str(x)) for x in t.values()]\n"
        "elif t is not None:\n"
        "    [print(k.lower() + '=' + v) for k, v in t]\n";
    const CommandResult read =
        RunCommand("/usr/bin/python3 -c \"" + script + "\" '" + path.string() + "'");
    EXPECT_EQ(read.Status, 0) << "mutagen could not read " << path;
    std::map<std::string, std::string> tags;
    std::size_t start = 0;
    while (start < read.Output.size()) {
        const std::size_t end = read.Output.find('\n', start);
        const std::string line = read.Output.substr(start, end - start);
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            tags[line.substr(0, equals)] = line.substr(equals + 1);
        }
        start = end == std::string::npos ? read.Output.size() : end + 1;
    }
    return tags;
}

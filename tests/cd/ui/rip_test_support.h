// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared set-up of the rip window tests: a QApplication on the offscreen
// platform with the pipeline woken through its event loop, a scratch folder
// per test, a BIN/CUE disc image opened as a drive, a rip run modally with
// every message and error box recorded, and the external decoders and tag
// reader that check what the rip wrote.

#include <gtest/gtest.h>

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cd/access/cd_access.h"
#include "cd/access/cd_backend.h"
#include "disc/disc_info.h"
#include "discimage/disc_image.h"
#include "settings/options_setting.h"
#include "support/common/files.h"
#include "support/common/oracle.h"
#include "support/common/run_command.h"
#include "support/common/test_folder.h"

class TfrmCDRip;
class ReadGate;

using Bytes = std::vector<std::uint8_t>;

// What a modal rip did, in the order it happened.
struct RipRecord {
    // One entry per stage: "rip <title> completed=<lCompleted>" when a rip
    // ends (Percent 1000, with "/<status>" unless 0), "encode <title>" when
    // an encoding ends (Percent 2000), "tag <title>" once the title's MP3
    // file carries an ID3v1 tag, "error <code>" for WM_RIPERROR, "close".
    std::vector<std::string> stages;
    std::vector<QString> errors;          // texts of the error boxes
    std::vector<QString> completedTexts;  // lCompleted at every message
};

class RipWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the disc image of these tracks and opens it as a drive.
    void OpenDisc(const std::vector<Bytes>& tracks);
    // From now on drives opened hold their blockedRead-th sector read (1 =
    // the first) until the gate is released.
    [[nodiscard]] std::shared_ptr<ReadGate> GateReads(int blockedRead);

    // Runs a rip window over the items until it closes. onMessage runs for
    // every message before the window handles it, with the message's
    // Percent (or -number for WM_RIPERROR).
    RipRecord Rip(const std::vector<std::string>& items,
                  const std::function<void(TfrmCDRip&, int percent)>& onMessage = {});

    [[nodiscard]] std::filesystem::path Out(const std::string& name) const {
        return m_output / name;
    }

    TestFolder m_folder;
    std::filesystem::path m_root = m_folder.Path();
    std::filesystem::path m_output;
    TOptionsSetting m_settings;
    DiscInfo m_disc;
    TCDHandle m_handle = 0;
    std::shared_ptr<CDBackend> m_previousBackend;  // may be null: not yet created
    bool m_gated = false;
};

// Holds one sector read of a drive until released, so a test can act while
// a rip thread is inside its reading loop. Released by its owner or when
// destroyed.
class ReadGate {
public:
    explicit ReadGate(int blockedRead) : m_blockedRead(blockedRead) {}
    ~ReadGate() { Release(); }
    ReadGate(const ReadGate&) = delete;
    ReadGate& operator=(const ReadGate&) = delete;

    // Rip thread: counts the read and waits while it is the held one.
    void Pass();
    void Release();

private:
    std::mutex m_lock;
    std::condition_variable m_released;
    int m_blockedRead;
    int m_reads = 0;
    bool m_open = false;
};

// One second of a tone: exactly 75 sectors.
[[nodiscard]] Bytes OneSecondTone(double hertz);

// The ripped WAV file of a track: the 44-byte header and the PCM.
[[nodiscard]] Bytes WavFileOf(const Bytes& pcm);

// Decodes a file with ffmpeg to 16-bit little-endian stereo at 44100 Hz.
[[nodiscard]] Bytes DecodeWithFfmpeg(const std::filesystem::path& path);

// The tags mutagen reads from a file, as "KEY=value" pairs (ID3 frame ids
// for MP3, lower-case Vorbis comment names for Ogg and FLAC).
[[nodiscard]] std::map<std::string, std::string> ReadTags(const std::filesystem::path& path);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Shared set-up of the main-window tests: a QApplication on the offscreen
// platform, a temporary program folder and settings folder per test, disc
// images made with the devtools library, and stand-ins that answer for the
// user and record what the commands hand over.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/hand_overs.h"
#include "app/main_window.h"
#include "app/user_prompts.h"
#include "settings/app_paths.h"
#include "support/common/test_folder.h"

// Answers in place of the user and records every box shown.
class ScriptedPrompts final : public UserPrompts {
public:
    struct Shown {
        std::string kind;  // "information", "error", "question"
        QString text;
    };

    void Information(const QString& text) override { shown.push_back({"information", text}); }
    void Error(const QString& text) override { shown.push_back({"error", text}); }
    bool Question(const QString& text) override {
        shown.push_back({"question", text});
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return yes;
    }
    QString ChooseFolder(const QString& title, const QString& startFolder) override {
        titles.push_back(title);
        startFolders.push_back(startFolder);
        return folder;
    }
    QStringList ChooseFiles(const QString& title, const QString& filter) override {
        titles.push_back(title);
        filters.push_back(filter);
        return files;
    }

    std::vector<Shown> shown;
    std::deque<bool> answers;  // Yes/No for the coming questions; No when empty
    QString folder;
    QStringList files;
    QStringList titles;
    QStringList startFolders;
    QStringList filters;
};

struct RecordingRip final : RipWindowOpener {
    std::string RunRip(QWidget*, TCDHandle handle, const std::vector<std::string>& items,
                       const DiscInfo& disc) override {
        runs.emplace_back(handle, items);
        discs.push_back(disc);
        return {};
    }
    std::vector<std::pair<TCDHandle, std::vector<std::string>>> runs;
    std::vector<DiscInfo> discs;
};

// The rip window as the program runs it, recording its error boxes and the
// lines of its "Checks:" list as the window left them.
struct ModalRip final : RipWindowOpener {
    std::string RunRip(QWidget* parent, TCDHandle handle, const std::vector<std::string>& items,
                       const DiscInfo& disc) override;
    std::vector<QString> errors;
    std::vector<std::string> checks;
};

struct RecordingCddb final : CddbDialogOpener {
    void RunQueryCddb(QWidget*, std::uint8_t first, std::uint8_t last, TCDHandle handle,
                      DiscFieldsTarget&) override {
        runs.push_back({first, last, handle});
    }
    struct Run {
        int first;
        int last;
        TCDHandle handle;
    };
    std::vector<Run> runs;
};

struct RecordingConverter final : FileConverterOpener {
    void RunConverter(QWidget*, const QStringList& files, int kind, const DiscInfo&) override {
        runs.emplace_back(files, kind);
    }
    std::vector<std::pair<QStringList, int>> runs;
};

struct ScriptedTitleEditor final : TitleEditorOpener {
    std::optional<QString> EditTitle(QWidget*, const QString& title) override {
        offered.push_back(title);
        return answer;
    }
    std::optional<QString> answer;
    QStringList offered;
};

// Picks the candidate at `answer` (nothing: cancels) and records each offer.
struct ScriptedReleaseChoice final : ReleaseChoiceOpener {
    std::optional<std::size_t> ChooseRelease(QWidget*,
                                             const std::vector<TMbCandidate>& candidates) override {
        offers.push_back(candidates);
        return answer;
    }
    std::optional<std::size_t> answer;
    std::vector<std::vector<TMbCandidate>> offers;
};

// Records the device calls; positions are 1000 × track number.
struct RecordingPlayer final : CdAudioPlayer {
    bool Open(TCDHandle) override {
        calls.push_back("open");
        return true;
    }
    std::optional<std::int64_t> TrackPosition(int track) override { return track * 1000; }
    bool Play(std::int64_t from, std::optional<std::int64_t> to) override {
        calls.push_back("play " + std::to_string(from) + (to ? " " + std::to_string(*to) : ""));
        paused = false;
        return true;
    }
    bool PlayFromCurrent() override {
        calls.push_back("play on");
        return true;
    }
    bool Pause() override {
        calls.push_back("pause");
        paused = true;
        return true;
    }
    bool Resume() override {
        calls.push_back("resume");
        paused = false;
        return true;
    }
    bool IsPaused() const override { return paused; }
    bool Stop() override {
        calls.push_back("stop");
        return true;
    }
    void Close() override { calls.push_back("close"); }

    std::vector<std::string> calls;
    bool paused = false;
};

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes a disc image of tracks of the given lengths (seconds) and lists
    // it as the only drive.
    void InsertDisc(const std::vector<int>& trackSeconds);
    // The disc key the program derives for the image drive.
    [[nodiscard]] std::string DiscKey() const;
    // Writes options.ini with this output format and folder.
    void WriteOptions(int outputFormat, const std::string& outputFolder) const;

    // Creates and shows the window (first-show steps run), with this player
    // or else the recording one. The settings' [Metadata] section is
    // m_metadata and its [Verify] section m_verify, added to options.ini first.
    TfrmMain& StartWindow(CdAudioPlayer* player = nullptr);
    void CloseWindow();

    template <typename T>
    [[nodiscard]] T* Find(const char* name) const {
        return m_window->findChild<T*>(QString::fromLatin1(name));
    }

    TestFolder m_folder;
    std::filesystem::path m_root = m_folder.Path();
    std::filesystem::path m_cuePath;
    std::unique_ptr<TAppPaths> m_paths;
    ScriptedPrompts m_prompts;
    RecordingRip m_rip;
    RecordingCddb m_cddb;
    RecordingConverter m_converter;
    ScriptedTitleEditor m_titleEditor;
    // Real windows wired by StartWindow in place of the stand-ins when set.
    OptionsDialogOpener* m_options = nullptr;
    TitleEditorOpener* m_titleEditorWindow = nullptr;
    RipWindowOpener* m_ripWindow = nullptr;
    ScriptedReleaseChoice m_releaseChoice;
    // No automatic lookup, and no server but a closed loopback port, unless
    // a test sets its own.
    std::string m_metadata =
        "AutoLookup=0\nMusicBrainzServer=http://127.0.0.1:9\nCoverArt=0\n"
        "CoverArtServer=http://127.0.0.1:9\n";
    // The [Verify] section: no AccurateRip server but a closed loopback port
    // unless a test sets its own.
    std::string m_verify = "AccurateRipServer=http://127.0.0.1:9\n";
    RecordingPlayer m_player;
    std::unique_ptr<TfrmMain> m_window;
};

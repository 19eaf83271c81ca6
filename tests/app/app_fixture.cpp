// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_fixture.h"

#include <QApplication>
#include <QListWidget>

#include <atomic>
#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include "cd/access/cd_access.h"
#include "cd/cd_drive.h"
#include "cd/ui/rip_window.h"
#include "discimage/disc_image.h"
#include "discimage/image_drive.h"
#include "discimage/synth.h"
#include "settings/options_setting.h"
#include "support/ui/qt_environment.h"

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_app", QtEnvironment::Pipeline::Unused));

}  // namespace

std::string ModalRip::RunRip(QWidget* parent, TCDHandle handle,
                             const std::vector<std::string>& items, const DiscInfo& disc) {
    TfrmCDRip window(parent, handle, items, OptionsSetting, disc,
                     [this](const QString& text) { errors.push_back(text); });
    window.exec();
    const auto* list = window.findChild<QListWidget*>(QStringLiteral("lbChecks"));
    checks.clear();
    for (int row = 0; list != nullptr && row < list->count(); ++row) {
        checks.push_back(list->item(row)->text().toStdString());
    }
    return window.CheckSummary();
}

void MainWindowTest::SetUp() {
    std::filesystem::create_directories(m_root / "program");
    std::filesystem::create_directories(m_root / "config");
    m_paths = std::make_unique<TAppPaths>(m_root / "program", m_root / "config");
    unsetenv("BRISKLARK_DISC_IMAGES");
    OptionsSetting = TOptionsSetting{};
}

void MainWindowTest::TearDown() {
    if (m_window) {
        CloseWindow();
    }
    unsetenv("BRISKLARK_DISC_IMAGES");
}

void MainWindowTest::InsertDisc(const std::vector<int>& trackSeconds) {
    std::vector<discimage::Pcm> tracks;
    std::uint32_t seed = 1;
    for (const int seconds : trackSeconds) {
        tracks.push_back(
            discimage::BytePattern(static_cast<std::size_t>(seconds) * discimage::kFramesPerSecond *
                                       discimage::kSectorBytes,
                                   seed++));
    }
    m_cuePath = m_root / "disc.cue";
    const discimage::WriteResult written = discimage::WriteDiscImage(m_cuePath, tracks);
    ASSERT_TRUE(written.ok) << written.message;
    setenv("BRISKLARK_DISC_IMAGES", m_cuePath.c_str(), 1);
}

std::string MainWindowTest::DiscKey() const {
    const TCDHandle handle = OpenImageDrive(m_cuePath);
    if (handle == 0) {
        return {};
    }
    std::string key = DiscKeyOf(handle);
    CloseCDHandle(handle);
    return key;
}

void MainWindowTest::WriteOptions(int outputFormat, const std::string& outputFolder) const {
    std::ofstream file(m_paths->OptionsFile());
    file << "[CommonOptions]\nOutputFolder=" << outputFolder << "\nOutputFormat=" << outputFormat
         << "\n";
}

TfrmMain& MainWindowTest::StartWindow(CdAudioPlayer* player) {
    MainWindowHandOvers handOvers;
    handOvers.rip = m_ripWindow != nullptr ? m_ripWindow : &m_rip;
    handOvers.cddb = &m_cddb;
    handOvers.converter = &m_converter;
    handOvers.titleEditor = m_titleEditorWindow != nullptr ? m_titleEditorWindow : &m_titleEditor;
    handOvers.options = m_options;
    handOvers.player = player != nullptr ? player : &m_player;
    handOvers.releaseChoice = &m_releaseChoice;
    std::ofstream(m_paths->OptionsFile(), std::ios::app) << "\n[Metadata]\n"
                                                         << m_metadata << "\n[Verify]\n"
                                                         << m_verify;
    m_window = std::make_unique<TfrmMain>(*m_paths, m_prompts, handOvers);
    m_window->show();
    QApplication::processEvents();
    return *m_window;
}

void MainWindowTest::CloseWindow() {
    m_window->close();
    m_window.reset();
}

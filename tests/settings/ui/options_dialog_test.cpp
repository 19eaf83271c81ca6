// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog on the offscreen platform, loading from and saving to a
// real "options.ini", with disc images as drives.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <cstdlib>
#include <map>
#include <memory>
#include <ostream>

#include "discimage/disc_image.h"
#include "discimage/synth.h"
#include "settings/options_setting.h"
#include "settings/ui/options_dialog.h"
#include "support/common/files.h"
#include "support/common/test_folder.h"
#include "support/ui/dialog_layout.h"
#include "support/ui/qt_environment.h"

// Readable QString values in failure messages.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

void PrintTo(const TMetadataOptions& m, std::ostream* out) {
    *out << '{' << m.AutoLookup << ", \"" << m.MusicBrainzServer << "\", " << m.CoverArt << ", \""
         << m.CoverArtServer << "\", " << m.UseCDText << ", \"" << m.CddbEmail << "\", "
         << m.EmbedCover << ", " << m.ReplayGain << ", " << m.Id3v2Version << '}';
}

void PrintTo(const TVerifyOptions& v, std::ostream* out) {
    *out << '{' << v.SecureRead << ", " << v.ReadRetries << ", " << v.AccurateRip << ", \""
         << v.AccurateRipServer << "\", " << v.DecodeCheck << ", " << v.WriteLog << '}';
}

namespace {

[[maybe_unused]] const ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(
        new QtEnvironment("test_settings_ui", QtEnvironment::Pipeline::Unused));

struct RecordingTarget final : OptionsTarget {
    void SwitchDrive(int position) override { switches.push_back(position); }
    void ShowOutputSettings() override { ++outputShown; }
    std::vector<int> switches;
    int outputShown = 0;
};

// Every key with a value other than its default (and inside its range).
constexpr const char* kCustomOptions = R"([CommonOptions]
OutputFolder=@OUT@
OutputFormat=4
IsKeepWav=1
IsNormalize=1
NormalizePercent=87
EnableRipTime=1
RipTime=12
[Mp3Options]
IsSelectVBR=1
IsVBRHead=1
BitRate=96
MaxBitRate=256
VBRQuality=7
StereoMode=3
CPU=2
ConstantBitRate=8
[OggOptions]
IsUseCompress=0
CompressPosition=55
MaxBitRate=14
NomalBitRate=8
MinBitRate=1
[WMAOptions]
CodecIndex=0
FormatIndex=12
VBR=0
[FLACOptions]
Compression=7
[APEOptions]
Compression=4500
CPU=1
[CDOptions]
Index=-1
CDDb=1
)";

}  // namespace

class OptionsDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_root / "program");
        std::filesystem::create_directories(m_root / "out");
        m_paths = std::make_unique<TAppPaths>(m_root / "program", m_root / "config");
        unsetenv("BRISKLARK_DISC_IMAGES");
    }

    void TearDown() override {
        m_dialog.reset();
        unsetenv("BRISKLARK_DISC_IMAGES");
    }

    // Writes options.ini (with @OUT@ standing for an existing folder) and
    // loads it into the record.
    void LoadFile(std::string text) {
        for (auto at = text.find("@OUT@"); at != std::string::npos; at = text.find("@OUT@")) {
            text.replace(at, 5, (m_root / "out").string());
        }
        WriteText(m_paths->OptionsFile(), text);
        LoadOptions(m_settings, *m_paths);
    }

    // Lists disc images as the drives, in this order.
    void InsertDiscs(const std::vector<std::string>& names) {
        std::string list;
        for (const std::string& name : names) {
            const std::filesystem::path cue = m_root / (name + ".cue");
            std::filesystem::create_directories(cue.parent_path());
            ASSERT_TRUE(discimage::WriteDiscImage(
                            cue, {discimage::BytePattern(discimage::kSectorBytes * 75, 1)})
                            .ok);
            list += (list.empty() ? "" : ":") + cue.string();
        }
        setenv("BRISKLARK_DISC_IMAGES", list.c_str(), 1);
    }

    TfrmOptions& Open() {
        TOptionsPrompts prompts{[this](const QString& text) { m_errors.push_back(text); },
                                [this](const QString& title, const QString& startFolder) {
                                    m_folderTitles.push_back(title);
                                    m_folderStarts.push_back(startFolder);
                                    return m_chosenFolder;
                                }};
        m_dialog = std::make_unique<TfrmOptions>(nullptr, m_settings, m_target, prompts);
        m_dialog->show();
        QApplication::processEvents();
        return *m_dialog;
    }

    template <typename T>
    [[nodiscard]] T* Find(const char* name) const {
        T* widget = m_dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    void Click(const char* button) { Find<QPushButton>(button)->click(); }

    // The record as the settings file holds it after saving and reading back.
    [[nodiscard]] TOptionsSetting SavedAndReloaded() const {
        EXPECT_TRUE(SaveOptions(m_settings, *m_paths).Ok);
        TOptionsSetting reloaded;
        LoadOptions(reloaded, *m_paths);
        return reloaded;
    }

    TestFolder m_root;
    std::unique_ptr<TAppPaths> m_paths;
    TOptionsSetting m_settings;
    RecordingTarget m_target;
    std::vector<QString> m_errors;
    QStringList m_folderTitles;
    QStringList m_folderStarts;
    QString m_chosenFolder;
    std::unique_ptr<TfrmOptions> m_dialog;
};

TEST_F(OptionsDialogTest, ShowsEverySettingOfTheFile) {
    LoadFile(kCustomOptions);
    Open();
    EXPECT_EQ(Find<QLineEdit>("editOutputDir")->text().toStdString(), (m_root / "out").string());
    EXPECT_EQ(Find<QComboBox>("cbOutputFormat")->currentText(), "FLAC file(*.FLAC)");
    EXPECT_FALSE(Find<QCheckBox>("ckbKeepWav")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("ckNormalize")->isChecked());
    EXPECT_EQ(Find<QSpinBox>("SpinEdit1")->value(), 87);
    EXPECT_TRUE(Find<QRadioButton>("rbVBR")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("ckbVBRHead")->isChecked());
    EXPECT_EQ(Find<QComboBox>("cbMinBitRate")->currentText(), "96 kbit/s");
    EXPECT_EQ(Find<QComboBox>("cbMaxBitRate")->currentText(), "256 kbit/s");
    EXPECT_EQ(Find<QComboBox>("cbVBRQuality")->currentText(), "7");
    EXPECT_EQ(Find<QComboBox>("cbStereoMode")->currentText(), "Mono");
    EXPECT_EQ(Find<QSlider>("tbMP3Cpu")->value(), 2);
    EXPECT_EQ(Find<QComboBox>("cbConstantBitRate")->currentText(), "320");
    EXPECT_FALSE(Find<QCheckBox>("cbUseCompress")->isChecked());
    EXPECT_EQ(Find<QSlider>("tbCompression")->value(), 55);
    EXPECT_EQ(Find<QComboBox>("cbOggMaxBit")->currentText(), "320 kbit/s");
    EXPECT_EQ(Find<QComboBox>("cbOggNomBit")->currentText(), "128 kbit/s");
    EXPECT_EQ(Find<QComboBox>("cbOggMinBit")->currentText(), " 45 kbit/s");
    EXPECT_EQ(Find<QComboBox>("cbFlacCompression")->currentText(), "7");
    EXPECT_EQ(Find<QSpinBox>("seAPECompression")->value(), 4500);
    EXPECT_EQ(Find<QSlider>("tbAPECpuUsage")->value(), 1);
    EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentIndex(), 0);
}

// "OK" without a change stores what was loaded: the whole record survives
// a save and a fresh load unchanged.
TEST_F(OptionsDialogTest, OkUnchangedStoresTheSameSettings) {
    for (const char* file : {"", kCustomOptions}) {
        SCOPED_TRACE(file);
        LoadFile(file);
        std::filesystem::create_directories(m_settings.CommonOptions.OutputFolder);
        const TOptionsSetting loaded = m_settings;
        Open();
        Click("bOK");
        EXPECT_TRUE(m_errors.empty());
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
        EXPECT_TRUE(m_settings == loaded);
        EXPECT_TRUE(SavedAndReloaded() == loaded);
    }
}

TEST_F(OptionsDialogTest, ValuesOutsideTheSpinRangesGoToTheNearerBound) {
    struct Case {
        const char* file;
        int normalize;
        int ape;
    };
    for (const Case& c :
         {Case{"[CommonOptions]\nNormalizePercent=150\n[APEOptions]\nCompression=20000\n", 100,
               10000},
          Case{"[CommonOptions]\nNormalizePercent=-5\n[APEOptions]\nCompression=10\n", 0, 1000}}) {
        LoadFile(std::string(c.file) + "[CommonOptions]\nOutputFolder=@OUT@\n");
        Open();
        Click("bOK");
        EXPECT_EQ(m_settings.CommonOptions.NormalizePercent, c.normalize) << c.file;
        EXPECT_EQ(m_settings.APEOptions.Compression, c.ape) << c.file;
    }
}

// The minimum and maximum bit rates are the first three characters of the
// lists' texts; anything else, or a minimum above the maximum, stops storing
// there and shows the field.
TEST_F(OptionsDialogTest, StoresTheBitRateTextsOrStopsAtOneThatIsNoNumber) {
    struct Case {
        const char* minText;
        const char* maxText;
        int bitRate;     // stored BitRate, -1: unchanged
        int maxBitRate;  // stored MaxBitRate, -1: unchanged
        const char* error;
        const char* field;  // where the focus goes with the error
    };
    const Case cases[] = {
        {" 32 kbit/s", "320 kbit/s", 32, 320, nullptr, nullptr},
        {"96 kbit/s", " 96 kbit/s", 96, 96, nullptr, nullptr},
        {"1000 kbit/s", "128", 100, 128, nullptr, nullptr},
        {"abc", "320 kbit/s", -1, -1, "'abc' is not a valid integer value.", "cbMinBitRate"},
        {"128 kbit/s", "x", 128, -1, "'x' is not a valid integer value.", "cbMaxBitRate"},
        {"", "128 kbit/s", -1, -1, "'' is not a valid integer value.", "cbMinBitRate"},
        {"96 kbit/s", " 40 kbit/s", -1, -1,
         "The minimum bit rate (96 kbit/s) is above the maximum bit rate (40 kbit/s).",
         "cbMinBitRate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minText);
        LoadFile("[CommonOptions]\nOutputFolder=@OUT@\n[Mp3Options]\nBitRate=48\nMaxBitRate=56\n");
        m_errors.clear();
        m_target = RecordingTarget{};
        const TOptionsSetting loaded = m_settings;
        Open();
        Find<QRadioButton>("rbVBR")->click();
        Find<QComboBox>("cbMinBitRate")->setEditText(QString::fromLatin1(c.minText));
        Find<QComboBox>("cbMaxBitRate")->setEditText(QString::fromLatin1(c.maxText));
        Find<QComboBox>("cbOutputFormat")->setCurrentIndex(ofOGG);
        Find<QComboBox>("cbVBRQuality")->setCurrentIndex(9);
        Click("bOK");
        EXPECT_EQ(m_settings.Mp3Options.BitRate, c.bitRate < 0 ? 48 : c.bitRate);
        EXPECT_EQ(m_settings.Mp3Options.MaxBitRate, c.maxBitRate < 0 ? 56 : c.maxBitRate);
        // Stored before the bit rates in every case; after them only when
        // both are numbers.
        EXPECT_EQ(m_settings.CommonOptions.OutputFormat, ofOGG);
        EXPECT_TRUE(m_settings.Mp3Options.IsSelectVBR);
        EXPECT_EQ(m_settings.Mp3Options.VBRQuality, c.error ? loaded.Mp3Options.VBRQuality : 9);
        if (c.error != nullptr) {
            EXPECT_EQ(m_errors, std::vector<QString>{QString::fromLatin1(c.error)});
            EXPECT_TRUE(m_dialog->isVisible());
            EXPECT_EQ(m_target.outputShown, 0);
            EXPECT_EQ(Find<QTabWidget>("PageControl1")->currentWidget()->objectName(), "tsLame");
            EXPECT_EQ(m_dialog->focusWidget(), Find<QComboBox>(c.field));
        } else {
            EXPECT_TRUE(m_errors.empty());
            EXPECT_FALSE(m_dialog->isVisible());
        }
    }
}

TEST_F(OptionsDialogTest, MissingFolderKeepsTheDialogOpenAndStoresNothing) {
    LoadFile(kCustomOptions);
    const TOptionsSetting loaded = m_settings;
    Open();
    const QString missing = QString::fromStdString((m_root / "gone").string());
    Find<QLineEdit>("editOutputDir")->setText(missing);
    Find<QComboBox>("cbOutputFormat")->setCurrentIndex(ofMP3);
    Find<QLineEdit>("editOutputDir")->clearFocus();
    Click("bOK");
    EXPECT_EQ(m_errors, std::vector<QString>{missing + ",the output folder does not exist."});
    EXPECT_TRUE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->focusWidget(), Find<QLineEdit>("editOutputDir"));
    EXPECT_TRUE(m_settings == loaded);
    EXPECT_EQ(m_target.outputShown, 0);
}

TEST_F(OptionsDialogTest, CancelAfterChangesLeavesEverySetting) {
    LoadFile(kCustomOptions);
    const TOptionsSetting loaded = m_settings;
    InsertDiscs({"first", "second"});
    Open();
    Find<QLineEdit>("editOutputDir")->setText("/tmp");
    Find<QComboBox>("cbOutputFormat")->setCurrentIndex(ofWAV);
    Find<QCheckBox>("ckNormalize")->click();
    Click("bLameDefault");
    Find<QComboBox>("cbOggNomBit")->setCurrentIndex(3);
    Find<QCheckBox>("cbWMA_VBR")->click();
    Find<QComboBox>("cbFlacCompression")->setCurrentIndex(0);
    Find<QSpinBox>("seAPECompression")->setValue(9000);
    Find<QComboBox>("cbCDList")->setCurrentIndex(1);
    Click("bCancel");
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(m_settings == loaded);
    EXPECT_TRUE(m_target.switches.empty());
    EXPECT_EQ(m_target.outputShown, 0);
}

TEST_F(OptionsDialogTest, WavFormatDisablesTheDeleteBoxWhichStillStores) {
    LoadFile("[CommonOptions]\nOutputFolder=@OUT@\nIsKeepWav=0\n");
    Open();
    auto* deleteWav = Find<QCheckBox>("ckbKeepWav");
    auto* format = Find<QComboBox>("cbOutputFormat");
    EXPECT_TRUE(deleteWav->isEnabled());
    format->setCurrentIndex(ofWAV);
    EXPECT_FALSE(deleteWav->isEnabled());
    EXPECT_TRUE(deleteWav->isChecked());
    format->setCurrentIndex(ofAPE);
    EXPECT_TRUE(deleteWav->isEnabled());
    deleteWav->click();
    format->setCurrentIndex(ofWAV);
    Click("bOK");
    EXPECT_TRUE(m_settings.CommonOptions.IsKeepWav);
    EXPECT_EQ(m_settings.CommonOptions.OutputFormat, ofWAV);
}

TEST_F(OptionsDialogTest, NormalizeAndBitRateModeEnableTheirControls) {
    LoadFile("");
    Open();
    auto* normalize = Find<QCheckBox>("ckNormalize");
    auto* percent = Find<QSpinBox>("SpinEdit1");
    const std::vector<QWidget*> vbrControls{
        Find<QCheckBox>("ckbVBRHead"), Find<QComboBox>("cbMinBitRate"),
        Find<QComboBox>("cbMaxBitRate"), Find<QComboBox>("cbVBRQuality")};
    const auto vbrEnabled = [&] {
        int enabled = 0;
        for (const QWidget* control : vbrControls) {
            enabled += control->isEnabled() ? 1 : 0;
        }
        return enabled;
    };
    EXPECT_FALSE(percent->isEnabled());
    EXPECT_EQ(vbrEnabled(), 0);
    normalize->click();
    EXPECT_TRUE(percent->isEnabled());
    Find<QRadioButton>("rbVBR")->click();
    EXPECT_EQ(vbrEnabled(), 4);
    Find<QRadioButton>("rbCBR")->click();
    EXPECT_EQ(vbrEnabled(), 0);
    normalize->click();
    EXPECT_FALSE(percent->isEnabled());
}

TEST_F(OptionsDialogTest, LameDefaultButtonSetsTheDefaultEncoderChoice) {
    LoadFile(std::string(kCustomOptions) + "[CommonOptions]\nOutputFolder=@OUT@\n");
    Open();
    Click("bLameDefault");
    Click("bOK");
    const TMp3Options& mp3 = m_settings.Mp3Options;
    EXPECT_FALSE(mp3.IsSelectVBR);
    EXPECT_FALSE(mp3.IsVBRHead);
    EXPECT_EQ(mp3.ConstantBitRate, 5);
    EXPECT_EQ(mp3.BitRate, 128);
    EXPECT_EQ(mp3.MaxBitRate, 320);
    EXPECT_EQ(mp3.VBRQuality, 4);
    EXPECT_EQ(mp3.StereoMode, 1);
    EXPECT_EQ(mp3.CPU, 3);
    EXPECT_FALSE(Find<QComboBox>("cbMinBitRate")->isEnabled());
}

TEST_F(OptionsDialogTest, BrowsePutsTheChosenFolderIntoTheField) {
    LoadFile(kCustomOptions);
    Open();
    auto* field = Find<QLineEdit>("editOutputDir");
    const QString before = field->text();
    Click("bBrowse");
    EXPECT_EQ(field->text(), before);
    m_chosenFolder = QStringLiteral("/srv/music");
    Click("bBrowse");
    EXPECT_EQ(field->text(), "/srv/music");
    Click("bBrowse");
    EXPECT_EQ(m_folderTitles, QStringList(3, "Please select the folder to save the audio file"));
    EXPECT_EQ(m_folderStarts, QStringList({before, before, "/srv/music"}));
}

TEST_F(OptionsDialogTest, DriveListSelectsTheStoredDriveAndSwitchesOnlyOnAChange) {
    InsertDiscs({"first", "second"});
    struct Case {
        int storedIndex;
        int chosen;  // -1: left as shown
        int shown;
        std::vector<int> switches;
        int storedAfter;
    };
    const Case cases[] = {
        {-1, -1, 0, {}, 0},
        {0, 1, 0, {1}, 1},
        {1, -1, 1, {}, 1},
        {1, 0, 1, {0}, 0},
        // A stored drive beyond the list selects none and keeps the open one.
        {5, -1, -1, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.storedIndex);
        LoadFile("[CommonOptions]\nOutputFolder=@OUT@\n[CDOptions]\nIndex=" +
                 std::to_string(c.storedIndex) + "\n");
        m_target = RecordingTarget{};
        Open();
        auto* drives = Find<QComboBox>("cbCDList");
        ASSERT_EQ(drives->count(), 2);
        EXPECT_EQ(drives->itemText(0), "Image   first.cue");
        EXPECT_EQ(drives->itemText(1), "Image   second.cue");
        EXPECT_EQ(drives->currentIndex(), c.shown);
        if (c.chosen >= 0) {
            drives->setCurrentIndex(c.chosen);
        }
        Click("bOK");
        EXPECT_EQ(m_target.switches, c.switches);
        EXPECT_EQ(m_target.outputShown, 1);
        EXPECT_EQ(m_settings.CDOptions.Index, c.storedAfter);
    }
}

// Images of one file name show as much of their folders as tells them apart;
// the others keep their file name.
TEST_F(OptionsDialogTest, DriveListTellsImagesOfOneFileNameApart) {
    InsertDiscs({"one/disc", "two/disc", "two/a_name_longer_than_sixteen"});
    LoadFile("");
    Open();
    auto* drives = Find<QComboBox>("cbCDList");
    ASSERT_EQ(drives->count(), 3);
    EXPECT_EQ(drives->itemText(0), "Image   one/disc.cue");
    EXPECT_EQ(drives->itemText(1), "Image   two/disc.cue");
    EXPECT_EQ(drives->itemText(2), "Image   a_name_longer_than_sixteen.cue");
}

// The normalise percentage takes typing like the other number fields.
TEST_F(OptionsDialogTest, NormalizePercentTakesTyping) {
    LoadFile(kCustomOptions);
    Open();
    auto* percent = Find<QSpinBox>("SpinEdit1");
    percent->selectAll();
    for (const QChar digit : QStringLiteral("42")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_0 + digit.digitValue(), Qt::NoModifier, digit);
        QApplication::sendEvent(percent, &press);
    }
    Click("bOK");
    EXPECT_EQ(m_settings.CommonOptions.NormalizePercent, 42);
}

TEST_F(OptionsDialogTest, WmaListsComeFromTheWindowsMediaOutput) {
    LoadFile("[CommonOptions]\nOutputFolder=@OUT@\n");
    Open();
    auto* codecs = Find<QListWidget>("lbCodecs");
    auto* formats = Find<QListWidget>("lbFormats");
    ASSERT_GT(codecs->count(), 0);
    EXPECT_EQ(codecs->currentRow(), 0);
    ASSERT_GT(formats->count(), 29);
    EXPECT_EQ(formats->currentRow(), 29);

    // No codec has VBR formats: the box cannot be ticked, and a note says why.
    auto* vbr = Find<QCheckBox>("cbWMA_VBR");
    EXPECT_FALSE(vbr->isEnabled());
    EXPECT_FALSE(Find<QLabel>("lWmaNoVBR")->isHidden());
    vbr->click();
    EXPECT_FALSE(vbr->isChecked());
    EXPECT_EQ(formats->currentRow(), 29);

    formats->setCurrentRow(3);
    Click("bWmaDefault");
    EXPECT_EQ(codecs->currentRow(), 0);
    EXPECT_EQ(formats->currentRow(), 29);
    Click("bOK");
    EXPECT_EQ(m_settings.WMAOptions.CodecIndex, 0);
    EXPECT_EQ(m_settings.WMAOptions.FormatIndex, 29);
    EXPECT_FALSE(m_settings.WMAOptions.VBR);
}

// A stored VBR for a codec without VBR formats shows, and is stored, as CBR
// with the stored format.
TEST_F(OptionsDialogTest, StoredWmaVbrWithoutVbrFormatsIsCbr) {
    LoadFile("[CommonOptions]\nOutputFolder=@OUT@\n[WMAOptions]\nFormatIndex=5\nVBR=1\n");
    Open();
    EXPECT_FALSE(Find<QCheckBox>("cbWMA_VBR")->isChecked());
    EXPECT_EQ(Find<QListWidget>("lbFormats")->currentRow(), 5);
    Click("bOK");
    EXPECT_EQ(m_settings.WMAOptions.FormatIndex, 5);
    EXPECT_FALSE(m_settings.WMAOptions.VBR);
}

// The metadata and verify pages show the stored values; "OK" stores what was
// typed, without the spaces around the texts and with the retry count down on
// its steps of five, and "Cancel" stores nothing. An ID3v2 version other than
// 3 shows, and is stored as, 2.4.
TEST_F(OptionsDialogTest, MetadataAndVerifyPagesShowAndStoreOnlyOnOk) {
    struct Pages {
        TMetadataOptions metadata;
        TVerifyOptions verify;
    };
    const Pages defaults{{true, "https://musicbrainz.org", true, "https://coverartarchive.org",
                          true, "", true, true, 4},
                         {true, 20, true, "http://www.accuraterip.com", true, true}};
    const Pages custom{{false, "http://127.0.0.1:5000", false, "covers.lan", false,
                        "jo@example.org", false, false, 3},
                       {false, 65, false, "http://127.0.0.1:5001", false, false}};
    // Kept as typed but for the spaces: the lookups say what is wrong with them.
    const Pages typed{{true, " musicbrainz.org/ws ", true, "\tftp://covers ", true,
                       " not an address ", true, false, 4},
                      {true, 23, true, " ar.lan/x ", true, true}};
    const Pages typedStored{
        {true, "musicbrainz.org/ws", true, "ftp://covers", true, "not an address", true, false, 4},
        {true, 20, true, "ar.lan/x", true, true}};
    struct Case {
        const char* file;
        const Pages& shown;
        const Pages* entered;  // nothing: left as shown
        const char* button;
        const Pages& stored;
    };
    const char* const customFile =
        "[Metadata]\nAutoLookup=0\nMusicBrainzServer=http://127.0.0.1:5000\nCoverArt=0\n"
        "CoverArtServer=covers.lan\nUseCDText=0\nCddbEmail=jo@example.org\nEmbedCover=0\n"
        "ReplayGain=0\nId3v2Version=3\n"
        "[Verify]\nSecureRead=0\nReadRetries=65\nAccurateRip=0\n"
        "AccurateRipServer=http://127.0.0.1:5001\nDecodeCheck=0\nWriteLog=0\n";
    const Pages emptied{{false, "", false, "", false, "", false, false, 3},
                        {false, 5, false, "", false, false}};
    // The versions by the list's texts.
    const std::map<QString, int> versions{{"2.4 (UTF-8)", 4}, {"2.3 (UTF-16, for old players)", 3}};
    const Case cases[] = {
        {"", defaults, &custom, "bOK", custom},
        {customFile, custom, &typed, "bOK", typedStored},
        {customFile, custom, &emptied, "bOK", emptied},
        {customFile, custom, nullptr, "bOK", custom},
        {customFile, custom, &defaults, "bCancel", custom},
        {"[Metadata]\nId3v2Version=7\n", defaults, nullptr, "bOK", defaults},
        {"[Metadata]\nId3v2Version=0\n", defaults, nullptr, "bOK", defaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + c.button);
        LoadFile(std::string(c.file) + "[CommonOptions]\nOutputFolder=@OUT@\n");
        Open();
        auto* autoLookup = Find<QCheckBox>("ckbAutoLookup");
        auto* server = Find<QLineEdit>("editMusicBrainzServer");
        auto* coverArt = Find<QCheckBox>("ckbCoverArt");
        auto* coverServer = Find<QLineEdit>("editCoverArtServer");
        auto* cdText = Find<QCheckBox>("ckbUseCDText");
        auto* email = Find<QLineEdit>("editCddbEmail");
        auto* embedCover = Find<QCheckBox>("ckbEmbedCover");
        auto* replayGain = Find<QCheckBox>("ckbReplayGain");
        auto* id3v2Version = Find<QComboBox>("cbId3v2Version");
        ASSERT_EQ(id3v2Version->count(), 2);
        auto* secureRead = Find<QCheckBox>("ckbSecureRead");
        auto* retries = Find<QSpinBox>("seReadRetries");
        auto* accurateRip = Find<QCheckBox>("ckbAccurateRip");
        auto* arServer = Find<QLineEdit>("editAccurateRipServer");
        auto* decodeCheck = Find<QCheckBox>("ckbDecodeCheck");
        auto* writeLog = Find<QCheckBox>("ckbWriteLog");
        const TMetadataOptions shown{autoLookup->isChecked(),
                                     server->text().toStdString(),
                                     coverArt->isChecked(),
                                     coverServer->text().toStdString(),
                                     cdText->isChecked(),
                                     email->text().toStdString(),
                                     embedCover->isChecked(),
                                     replayGain->isChecked(),
                                     versions.at(id3v2Version->currentText())};
        EXPECT_EQ(shown, c.shown.metadata);
        const TVerifyOptions shownVerify{secureRead->isChecked(),  retries->value(),
                                         accurateRip->isChecked(), arServer->text().toStdString(),
                                         decodeCheck->isChecked(), writeLog->isChecked()};
        EXPECT_EQ(shownVerify, c.shown.verify);
        if (c.entered != nullptr) {
            const TMetadataOptions& m = c.entered->metadata;
            autoLookup->setChecked(m.AutoLookup);
            server->setText(QString::fromStdString(m.MusicBrainzServer));
            coverArt->setChecked(m.CoverArt);
            coverServer->setText(QString::fromStdString(m.CoverArtServer));
            cdText->setChecked(m.UseCDText);
            email->setText(QString::fromStdString(m.CddbEmail));
            embedCover->setChecked(m.EmbedCover);
            replayGain->setChecked(m.ReplayGain);
            for (const auto& [text, version] : versions) {
                if (version == m.Id3v2Version) {
                    id3v2Version->setCurrentText(text);
                }
            }
            const TVerifyOptions& v = c.entered->verify;
            secureRead->setChecked(v.SecureRead);
            // Typed, as a user would, between the steps.
            retries->findChild<QLineEdit*>()->setText(QString::number(v.ReadRetries));
            accurateRip->setChecked(v.AccurateRip);
            arServer->setText(QString::fromStdString(v.AccurateRipServer));
            decodeCheck->setChecked(v.DecodeCheck);
            writeLog->setChecked(v.WriteLog);
        }
        Click(c.button);
        EXPECT_FALSE(m_dialog->isVisible());
        EXPECT_EQ(m_settings.Metadata, c.stored.metadata);
        EXPECT_EQ(m_settings.Verify, c.stored.verify);
    }
}

TEST_F(OptionsDialogTest, DialogLayoutKeepsEveryControlWholeOnEveryTab) {
    LoadFile(kCustomOptions);
    InsertDiscs({"a_rather_long_image_name"});
    Open();
    auto* tabs = Find<QTabWidget>("PageControl1");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
        const std::string name = "options_" + tabs->tabText(tab).toLower().toStdString();
        SaveScreenshot(*m_dialog, name);
        EXPECT_EQ(LayoutProblems(*m_dialog), std::vector<std::string>{}) << name;
    }
}

TEST_F(OptionsDialogTest, EveryControlHasAnAccessibleName) {
    LoadFile("");
    Open();
    for (const char* name :
         {"editOutputDir",        "cbOutputFormat",   "SpinEdit1",      "cbCDList",
          "cbConstantBitRate",    "cbMinBitRate",     "cbMaxBitRate",   "cbVBRQuality",
          "cbStereoMode",         "tbMP3Cpu",         "tbCompression",  "cbOggNomBit",
          "cbOggMaxBit",          "cbOggMinBit",      "lbCodecs",       "lbFormats",
          "cbFlacCompression",    "seAPECompression", "tbAPECpuUsage",  "editMusicBrainzServer",
          "editCoverArtServer",   "editCddbEmail",    "cbId3v2Version", "seReadRetries",
          "editAccurateRipServer"}) {
        EXPECT_FALSE(Find<QWidget>(name)->accessibleName().isEmpty()) << name;
    }
}

// Alt and a letter reach one control only: of two captions sharing a letter on
// a page, the second cannot be reached at one stroke.
TEST_F(OptionsDialogTest, EachPageGivesEveryMnemonicToOneControl) {
    LoadFile("");
    Open();
    auto* tabs = Find<QTabWidget>("PageControl1");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        QStringList captions{Find<QPushButton>("bOK")->text(),
                             Find<QPushButton>("bCancel")->text()};
        for (const QAbstractButton* button : tabs->widget(tab)->findChildren<QAbstractButton*>()) {
            captions.append(button->text());
        }
        for (const QLabel* label : tabs->widget(tab)->findChildren<QLabel*>()) {
            if (label->buddy() != nullptr) {
                captions.append(label->text());
            }
        }
        std::map<QKeySequence, QStringList> byKey;
        for (const QString& caption : captions) {
            byKey[QKeySequence::mnemonic(caption)].append(caption);
        }
        byKey.erase(QKeySequence());  // captions without a mnemonic
        for (const auto& [key, sharing] : byKey) {
            EXPECT_EQ(sharing.size(), 1) << tabs->tabText(tab).toStdString() << ": "
                                         << sharing.join(QStringLiteral(", ")).toStdString();
        }
    }
}

// The layout check itself finds a cut-off caption and covered controls.
TEST(LayoutCheck, FindsClippedTextAndOverlaps) {
    QWidget window;
    auto* label = new QLabel(QStringLiteral("A caption far longer than its room"), &window);
    label->setObjectName(QStringLiteral("lShort"));
    label->setGeometry(5, 5, 40, 20);
    auto* first = new QPushButton(QStringLiteral("One"), &window);
    first->setGeometry(5, 40, 100, 40);
    auto* second = new QPushButton(QStringLiteral("Two"), &window);
    second->setGeometry(60, 50, 100, 40);
    window.resize(300, 100);
    window.show();
    QApplication::processEvents();
    const std::vector<std::string> problems = LayoutProblems(window);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].rfind("lShort", 0), 0u) << problems[0];
    EXPECT_NE(problems[1].find("overlaps"), std::string::npos) << problems[1];
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

#include "settings/options_setting.h"
#include "settings/ui/options_hand_over.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class TWMAOut;

// The boxes the options dialog shows.
struct TOptionsPrompts {
    std::function<void(const QString& text)> ErrorBox;
    // The folder browser, opened at startFolder: the chosen folder, or
    // empty when cancelled.
    std::function<QString(const QString& title, const QString& startFolder)> ChooseFolder;
};

// The modal "Options" dialog: the common, encoder and drive settings on six
// tabs, where titles and covers come from and what the files' tags carry on a
// seventh and how a rip is checked on an eighth. It loads the controls from
// the settings record when built and writes them back only on "OK", then asks
// the main window to switch the drive (when another one was chosen) and to
// show the output format and folder. It never writes the settings file.
//
// GUI thread only. The record, the target and the prompts are not owned and
// must outlive the dialog.
class TfrmOptions final : public QDialog {
    Q_OBJECT

public:
    TfrmOptions(QWidget* parent, TOptionsSetting& settings, OptionsTarget& target,
                TOptionsPrompts prompts);
    ~TfrmOptions() override;

    // "OK": checks the folder, stores the controls, switches the drive and
    // closes; stays open when the folder is missing, a bit rate is not a
    // number or the VBR minimum lies above the maximum.
    void bOKClick();

private:
    void BuildOutputTab();
    void BuildLameTab();
    void BuildOggTab();
    void BuildWmaTab();
    void BuildFlacTab();
    void BuildApeTab();
    void BuildMetadataTab();
    void BuildVerifyTab();
    void BuildButtons();

    void LoadControls();
    void LoadMetadata();
    void LoadVerify();
    void FillDriveList();
    // False (after telling the user) when a bit rate text is not a number or
    // the VBR minimum lies above the maximum.
    [[nodiscard]] bool StoreControls();
    void StoreMetadata();
    void StoreVerify();
    // Reads a bit-rate list's number; nothing (after telling the user) when
    // it is none.
    [[nodiscard]] std::optional<int> BitRateOf(QComboBox* list);
    // Shows the text in an error box over the field, its tab shown and the
    // focus in it, so that the user sees what to mend.
    void RefuseField(QWidget* field, const QString& text);

    void UpdateKeepWav();
    void UpdateVBRControls();
    void FillCodecs();
    // The VBR box is offered only for a codec with VBR formats; otherwise it
    // is unticked and disabled and a note says why.
    void UpdateWmaVBRBox();
    // Refills lbFormats with the selected codec's formats for the mode of
    // cbWMA_VBR and selects the first.
    void FillFormats();
    void LameDefaults();
    void WmaDefaults();
    void Browse();

    TOptionsSetting& m_settings;
    OptionsTarget& m_target;
    TOptionsPrompts m_prompts;
    // Hidden: only lists the Windows Media codecs and formats.
    std::unique_ptr<TWMAOut> m_wmaOut;
    // The drive-list position selected when the dialog opened.
    int m_initialDrivePosition = 0;

    QTabWidget* PageControl1 = nullptr;
    QWidget* tsOutput = nullptr;
    QLineEdit* editOutputDir = nullptr;
    QPushButton* bBrowse = nullptr;
    QCheckBox* ckbKeepWav = nullptr;
    QComboBox* cbOutputFormat = nullptr;
    QCheckBox* ckNormalize = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QComboBox* cbCDList = nullptr;

    QRadioButton* rbCBR = nullptr;
    QComboBox* cbConstantBitRate = nullptr;
    QRadioButton* rbVBR = nullptr;
    QCheckBox* ckbVBRHead = nullptr;
    QComboBox* cbMinBitRate = nullptr;
    QComboBox* cbMaxBitRate = nullptr;
    QComboBox* cbVBRQuality = nullptr;
    QComboBox* cbStereoMode = nullptr;
    QSlider* tbMP3Cpu = nullptr;
    QPushButton* bLameDefault = nullptr;

    QCheckBox* cbUseCompress = nullptr;
    QSlider* tbCompression = nullptr;
    QComboBox* cbOggNomBit = nullptr;
    QComboBox* cbOggMaxBit = nullptr;
    QComboBox* cbOggMinBit = nullptr;

    QListWidget* lbCodecs = nullptr;
    QListWidget* lbFormats = nullptr;
    QCheckBox* cbWMA_VBR = nullptr;
    QLabel* lWmaNoVBR = nullptr;
    QPushButton* bWmaDefault = nullptr;

    QComboBox* cbFlacCompression = nullptr;
    QSpinBox* seAPECompression = nullptr;
    QSlider* tbAPECpuUsage = nullptr;

    QCheckBox* ckbAutoLookup = nullptr;
    QLineEdit* editMusicBrainzServer = nullptr;
    QCheckBox* ckbCoverArt = nullptr;
    QLineEdit* editCoverArtServer = nullptr;
    QCheckBox* ckbUseCDText = nullptr;
    QLineEdit* editCddbEmail = nullptr;
    QCheckBox* ckbEmbedCover = nullptr;
    QCheckBox* ckbReplayGain = nullptr;
    QComboBox* cbId3v2Version = nullptr;

    QCheckBox* ckbSecureRead = nullptr;
    QSpinBox* seReadRetries = nullptr;
    QCheckBox* ckbAccurateRip = nullptr;
    QLineEdit* editAccurateRipServer = nullptr;
    QCheckBox* ckbDecodeCheck = nullptr;
    QCheckBox* ckbWriteLog = nullptr;

    QPushButton* bOK = nullptr;
    QPushButton* bCancel = nullptr;
};

// Opens the options dialog modally over the main window on the program's
// settings record.
class ModalOptionsDialog final : public OptionsDialogOpener {
public:
    explicit ModalOptionsDialog(TOptionsPrompts prompts) : m_prompts(std::move(prompts)) {}

    void RunOptions(QWidget* parent, OptionsTarget& target) override;

private:
    TOptionsPrompts m_prompts;
};

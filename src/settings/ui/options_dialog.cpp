// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "audio/codecs/wma_out.h"
#include "cd/access/cd_access.h"
#include "settings/encoders/output_formats.h"

namespace {

const QString kFolderTitle = QStringLiteral("Please select the folder to save the audio file");

const QStringList kConstantBitRates{"48", "56", "64", "80", "96", "128", "192", "256", "320"};
// Two-digit rates carry a leading space so that the first three characters
// always hold the number.
const QStringList kVBRBitRates{
    " 32 kbit/s", " 40 kbit/s", " 48 kbit/s", " 56 kbit/s", " 64 kbit/s",
    " 80 kbit/s", " 96 kbit/s", "112 kbit/s", "128 kbit/s", "160 kbit/s",
    "192 kbit/s", "224 kbit/s", "256 kbit/s", "320 kbit/s",
};
const QStringList kOggBitRates{
    " Default",   " 45 kbit/s", " 48 kbit/s", " 56 kbit/s", " 64 kbit/s",
    " 80 kbit/s", " 96 kbit/s", "112 kbit/s", "128 kbit/s", "144 kbit/s",
    "160 kbit/s", "192 kbit/s", "224 kbit/s", "256 kbit/s", "320 kbit/s",
};
const QStringList kStereoModes{"Stereo", "Joint Stereo", "Dual Channels", "Mono"};
// The ID3v2 versions offered, in list order.
constexpr std::array<std::int32_t, 2> kId3v2Versions{4, 3};
const QStringList kId3v2VersionTexts{"2.4 (UTF-8)", "2.3 (UTF-16, for old players)"};

constexpr int kMinCpu = 1;
constexpr int kMaxCpu = 3;
constexpr int kMaxNormalizePercent = 100;
constexpr int kMinAPECompression = 1000;
constexpr int kMaxAPECompression = 10000;
constexpr int kAPECompressionStep = 500;
constexpr int kMaxFlacCompression = 8;
constexpr int kMaxVBRQuality = 9;

// LAME "&Default" positions.
constexpr int kDefaultConstantBitRate = 5;  // 128
constexpr int kDefaultMinBitRate = 8;       // 128 kbit/s
constexpr int kDefaultMaxBitRate = 13;      // 320 kbit/s
constexpr int kDefaultVBRQuality = 4;
constexpr int kDefaultStereoMode = 1;  // Joint Stereo
// WMA "&Default" format position.
constexpr int kDefaultWmaFormat = 29;

// The entries of the output-format list, in format-number order.
QStringList OutputFormatTexts() {
    QStringList texts;
    for (const TOutputFormatRow& format : OutputFormats()) {
        texts.append(QString::fromLatin1(format.ListText));
    }
    return texts;
}

// "0" .. last.
QStringList Numbers(int last) {
    QStringList list;
    for (int value = 0; value <= last; ++value) {
        list.append(QString::number(value));
    }
    return list;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QStringList& entries, bool editable) {
    auto* list = Named(new QComboBox(parent), name);
    list->addItems(entries);
    list->setEditable(editable);
    if (editable) {
        list->setInsertPolicy(QComboBox::NoInsert);
    }
    return list;
}

// The caption as read out: without the "&" that marks its mnemonic ("&&"
// stands for one "&").
QString WithoutMnemonic(const QString& caption) {
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) {
            ++i;
        }
        text += caption[i];
    }
    return text;
}

// A label naming a control: the control takes the caption as its accessible
// name and gets the focus through the label (and its mnemonic, if any).
QLabel* LabelFor(const QString& caption, QWidget* control) {
    auto* label = new QLabel(caption, control->parentWidget());
    label->setBuddy(control);
    control->setAccessibleName(WithoutMnemonic(caption));
    return label;
}

// The text of a server or address field: spaces around it are never meant.
std::string FieldText(const QLineEdit* field) {
    return field->text().trimmed().toStdString();
}

QSlider* MakeCpuSlider(QWidget* parent, const char* name) {
    auto* slider = Named(new QSlider(Qt::Horizontal, parent), name);
    slider->setRange(kMinCpu, kMaxCpu);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    return slider;
}

// "Less" [slider] "More" inside a group captioned "CPU Usage".
QGroupBox* CpuGroup(QWidget* parent, QSlider* slider) {
    auto* group = new QGroupBox(QStringLiteral("CPU Usage"), parent);
    slider->setParent(group);
    slider->setAccessibleName(group->title());
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(new QLabel(QStringLiteral("Less"), group));
    layout->addWidget(slider, 1);
    layout->addWidget(new QLabel(QStringLiteral("More"), group));
    return group;
}

QGroupBox* GroupOf(const QString& caption, QWidget* parent, QWidget* control) {
    auto* group = new QGroupBox(caption, parent);
    control->setParent(group);
    control->setAccessibleName(caption);
    auto* layout = new QHBoxLayout(group);
    layout->addWidget(control);
    layout->addStretch();
    return group;
}

void SelectPosition(QComboBox* list, int position) {
    list->setCurrentIndex(position >= 0 && position < list->count() ? position : -1);
}

bool FolderExists(const QString& folder) {
    std::error_code error;
    return std::filesystem::is_directory(std::filesystem::u8path(folder.toStdString()), error);
}

// The last `count` parts of a path ("b/disc.cue" for 2), or the whole path
// when it has no more parts.
std::string TrailingParts(const std::filesystem::path& path, std::size_t count) {
    const std::vector<std::filesystem::path> parts(path.begin(), path.end());
    if (count >= parts.size()) {
        return path.string();
    }
    std::filesystem::path tail;
    for (auto part = parts.end() - static_cast<std::ptrdiff_t>(count); part != parts.end();
         ++part) {
        tail /= *part;
    }
    return tail.string();
}

// For each image, the shortest trailing part of its path that no other image
// shares: images of the same file name in different folders look different.
std::vector<std::string> DistinctImageNames(const std::vector<std::filesystem::path>& images) {
    std::vector<std::string> names;
    for (const std::filesystem::path& image : images) {
        std::string name;
        for (std::size_t count = 1; name != image.string(); ++count) {
            name = TrailingParts(image, count);
            const bool shared = std::any_of(images.begin(), images.end(), [&](const auto& other) {
                return &other != &image && TrailingParts(other, count) == name;
            });
            if (!shared) {
                break;
            }
        }
        names.push_back(name);
    }
    return names;
}

// The drive list's entries: for a drive, vendor and product joined, cut to
// 26 characters, surrounding spaces trimmed; for a disc image, the vendor
// followed by as much of the image's path as tells it from the others.
QStringList DriveNames() {
    constexpr int kDriveNameLength = 26;
    TCDList list;
    list.Max = kMaxCDDrives;
    QStringList names;
    if (GetCDList(&list) != 1) {
        return names;
    }
    const std::vector<std::string> paths = GetCDDrivePaths();
    const auto isImage = [&](int drive) {
        return QString::fromLatin1(list.Drives[drive].Vendor).trimmed() ==
                   QStringLiteral("Image") &&
               static_cast<std::size_t>(drive) < paths.size();
    };
    std::vector<std::filesystem::path> images;
    for (int drive = 0; drive < list.Num; ++drive) {
        if (isImage(drive)) {
            images.emplace_back(paths[static_cast<std::size_t>(drive)]);
        }
    }
    const std::vector<std::string> imageNames = DistinctImageNames(images);
    std::size_t image = 0;
    for (int drive = 0; drive < list.Num; ++drive) {
        const QString vendor = QString::fromLatin1(list.Drives[drive].Vendor);
        if (isImage(drive)) {
            names.append(vendor + QString::fromStdString(imageNames[image++]));
        } else {
            const QString name = vendor + QString::fromLatin1(list.Drives[drive].Product);
            names.append(name.left(kDriveNameLength).trimmed());
        }
    }
    return names;
}

}  // namespace

TfrmOptions::TfrmOptions(QWidget* parent, TOptionsSetting& settings, OptionsTarget& target,
                         TOptionsPrompts prompts)
    : QDialog(parent),
      m_settings(settings),
      m_target(target),
      m_prompts(std::move(prompts)),
      m_wmaOut(std::make_unique<TWMAOut>()) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    BuildOutputTab();
    BuildLameTab();
    BuildOggTab();
    BuildWmaTab();
    BuildFlacTab();
    BuildApeTab();
    BuildMetadataTab();
    BuildVerifyTab();
    BuildButtons();

    FillCodecs();
    LoadControls();
    PageControl1->setCurrentIndex(0);
}

TfrmOptions::~TfrmOptions() = default;

void TfrmOptions::BuildOutputTab() {
    tsOutput = Named(new QWidget(PageControl1), "tsOutput");
    PageControl1->addTab(tsOutput, QStringLiteral("Output"));

    auto* folderGroup = Named(new QGroupBox(QStringLiteral("Output folder"), tsOutput), "gbFolder");
    editOutputDir = Named(new QLineEdit(folderGroup), "editOutputDir");
    editOutputDir->setAccessibleName(folderGroup->title());
    bBrowse = Named(new QPushButton(QStringLiteral("Browse"), folderGroup), "bBrowse");
    connect(bBrowse, &QPushButton::clicked, this, &TfrmOptions::Browse);
    ckbKeepWav =
        Named(new QCheckBox(QStringLiteral("Delete WAV file after processing"), folderGroup),
              "ckbKeepWav");
    auto* folderLayout = new QGridLayout(folderGroup);
    folderLayout->addWidget(editOutputDir, 0, 0);
    folderLayout->addWidget(bBrowse, 0, 1);
    folderLayout->addWidget(ckbKeepWav, 1, 0, 1, 2);

    auto* formatGroup = Named(new QGroupBox(QStringLiteral("Output format"), tsOutput), "gbFormat");
    cbOutputFormat = MakeList(formatGroup, "cbOutputFormat", OutputFormatTexts(), false);
    connect(cbOutputFormat, &QComboBox::currentIndexChanged, this, &TfrmOptions::UpdateKeepWav);
    ckNormalize = Named(new QCheckBox(QStringLiteral("Normalize"), formatGroup), "ckNormalize");
    SpinEdit1 = Named(new QSpinBox(formatGroup), "SpinEdit1");
    SpinEdit1->setRange(0, kMaxNormalizePercent);
    SpinEdit1->setAccessibleName(ckNormalize->text());
    // A typed value outside the range goes to the nearer bound when the field
    // is left.
    SpinEdit1->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    connect(ckNormalize, &QCheckBox::toggled, SpinEdit1, &QWidget::setEnabled);
    auto* formatLayout = new QGridLayout(formatGroup);
    formatLayout->addWidget(LabelFor(QStringLiteral("Format："), cbOutputFormat), 0, 0);
    formatLayout->addWidget(cbOutputFormat, 0, 1, 1, 3);
    formatLayout->addWidget(ckNormalize, 1, 0);
    formatLayout->addWidget(SpinEdit1, 1, 1);
    formatLayout->addWidget(new QLabel(QStringLiteral("%"), formatGroup), 1, 2);
    formatLayout->setColumnStretch(3, 1);

    cbCDList = MakeList(tsOutput, "cbCDList", {}, false);
    cbCDList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto* deviceLayout = new QHBoxLayout;
    deviceLayout->addWidget(LabelFor(QStringLiteral("Device："), cbCDList));
    deviceLayout->addWidget(cbCDList, 1);

    auto* layout = new QVBoxLayout(tsOutput);
    layout->addWidget(folderGroup);
    layout->addWidget(formatGroup);
    layout->addLayout(deviceLayout);
    layout->addStretch();
}

void TfrmOptions::BuildLameTab() {
    auto* page = Named(new QWidget(PageControl1), "tsLame");
    PageControl1->addTab(page, QStringLiteral("LAME"));

    auto* bitRateGroup = Named(new QGroupBox(QStringLiteral("Bit Rate"), page), "gbBitRate");
    rbCBR =
        Named(new QRadioButton(QStringLiteral("CBR(Constant Bit Rate)"), bitRateGroup), "rbCBR");
    rbCBR->setChecked(true);
    cbConstantBitRate = MakeList(bitRateGroup, "cbConstantBitRate", kConstantBitRates, false);
    rbVBR =
        Named(new QRadioButton(QStringLiteral("VBR(Variable Bit Rate)"), bitRateGroup), "rbVBR");
    connect(rbVBR, &QRadioButton::toggled, this, &TfrmOptions::UpdateVBRControls);
    ckbVBRHead =
        Named(new QCheckBox(QStringLiteral("Write MP3 VBR Header"), bitRateGroup), "ckbVBRHead");
    cbMinBitRate = MakeList(bitRateGroup, "cbMinBitRate", kVBRBitRates, true);
    cbMaxBitRate = MakeList(bitRateGroup, "cbMaxBitRate", kVBRBitRates, true);
    cbVBRQuality = MakeList(bitRateGroup, "cbVBRQuality", Numbers(kMaxVBRQuality), true);
    auto* grid = new QGridLayout(bitRateGroup);
    grid->addWidget(rbCBR, 0, 0);
    grid->addWidget(LabelFor(QStringLiteral("Bitrate"), cbConstantBitRate), 0, 1, Qt::AlignRight);
    grid->addWidget(cbConstantBitRate, 0, 2);
    grid->addWidget(rbVBR, 1, 0);
    grid->addWidget(ckbVBRHead, 1, 1, 1, 2);
    grid->addWidget(LabelFor(QStringLiteral("Minimum bitrate:"), cbMinBitRate), 2, 0,
                    Qt::AlignRight);
    grid->addWidget(cbMinBitRate, 2, 1, 1, 2);
    grid->addWidget(LabelFor(QStringLiteral("Maximum bitrate:"), cbMaxBitRate), 3, 0,
                    Qt::AlignRight);
    grid->addWidget(cbMaxBitRate, 3, 1, 1, 2);
    grid->addWidget(LabelFor(QStringLiteral("VBR Quality:"), cbVBRQuality), 4, 0, Qt::AlignRight);
    grid->addWidget(cbVBRQuality, 4, 1, 1, 2);

    cbStereoMode = MakeList(page, "cbStereoMode", kStereoModes, true);
    tbMP3Cpu = MakeCpuSlider(page, "tbMP3Cpu");
    auto* lower = new QHBoxLayout;
    lower->addWidget(GroupOf(QStringLiteral("Channels"), page, cbStereoMode));
    lower->addWidget(CpuGroup(page, tbMP3Cpu), 1);

    bLameDefault = Named(new QPushButton(QStringLiteral("&Default"), page), "bLameDefault");
    bLameDefault->setAutoDefault(false);
    connect(bLameDefault, &QPushButton::clicked, this, &TfrmOptions::LameDefaults);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bLameDefault);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(bitRateGroup);
    layout->addLayout(lower);
    layout->addStretch();
    layout->addLayout(buttons);
}

void TfrmOptions::BuildOggTab() {
    auto* page = Named(new QWidget(PageControl1), "tsOgg");
    PageControl1->addTab(page, QStringLiteral("OGG"));

    cbUseCompress =
        Named(new QCheckBox(QStringLiteral("Use Quality setting"), page), "cbUseCompress");
    tbCompression = Named(new QSlider(Qt::Horizontal, page), "tbCompression");
    tbCompression->setRange(kMinOggQuality, kMaxOggQuality);
    tbCompression->setTickPosition(QSlider::NoTicks);
    tbCompression->setAccessibleName(cbUseCompress->text());
    auto* quality = new QHBoxLayout;
    quality->addWidget(tbCompression, 1);
    quality->addWidget(new QLabel(QStringLiteral("-> Highest quality"), page));

    auto* manager = Named(new QGroupBox(QStringLiteral("Use Bitrate manager"), page), "gbManager");
    cbOggNomBit = MakeList(manager, "cbOggNomBit", kOggBitRates, false);
    cbOggMaxBit = MakeList(manager, "cbOggMaxBit", kOggBitRates, false);
    cbOggMinBit = MakeList(manager, "cbOggMinBit", kOggBitRates, false);
    auto* grid = new QGridLayout(manager);
    grid->addWidget(LabelFor(QStringLiteral("Nominal bitrate:"), cbOggNomBit), 0, 0);
    grid->addWidget(cbOggNomBit, 0, 1);
    grid->addWidget(LabelFor(QStringLiteral("Maximum bitrate:"), cbOggMaxBit), 1, 0);
    grid->addWidget(cbOggMaxBit, 1, 1);
    grid->addWidget(LabelFor(QStringLiteral("Minimum bitrate:"), cbOggMinBit), 2, 0);
    grid->addWidget(cbOggMinBit, 2, 1);
    grid->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbUseCompress);
    layout->addLayout(quality);
    layout->addWidget(manager);
    layout->addStretch();
}

void TfrmOptions::BuildWmaTab() {
    auto* page = Named(new QWidget(PageControl1), "tsWma");
    PageControl1->addTab(page, QStringLiteral("WMA"));

    lbCodecs = Named(new QListWidget(page), "lbCodecs");
    lbFormats = Named(new QListWidget(page), "lbFormats");
    // A click or an arrow key on a codec shows that codec's formats.
    connect(lbCodecs, &QListWidget::currentRowChanged, this, &TfrmOptions::FillFormats);
    cbWMA_VBR = Named(new QCheckBox(QStringLiteral("VBR(Variable Bit Rate)"), page), "cbWMA_VBR");
    connect(cbWMA_VBR, &QCheckBox::toggled, this, &TfrmOptions::FillFormats);
    lWmaNoVBR =
        Named(new QLabel(QStringLiteral("This codec has no VBR formats."), page), "lWmaNoVBR");
    bWmaDefault = Named(new QPushButton(QStringLiteral("&Default"), page), "bWmaDefault");
    bWmaDefault->setAutoDefault(false);
    connect(bWmaDefault, &QPushButton::clicked, this, &TfrmOptions::WmaDefaults);

    auto* grid = new QGridLayout(page);
    grid->addWidget(LabelFor(QStringLiteral("Codecs"), lbCodecs), 0, 0);
    grid->addWidget(lbCodecs, 1, 0);
    grid->addWidget(LabelFor(QStringLiteral("Formats"), lbFormats), 0, 1);
    grid->addWidget(lbFormats, 1, 1);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(0, 1);
    grid->addWidget(cbWMA_VBR, 2, 0);
    grid->addWidget(bWmaDefault, 2, 1, Qt::AlignRight);
    grid->addWidget(lWmaNoVBR, 3, 0, 1, 2);
}

void TfrmOptions::BuildFlacTab() {
    auto* page = Named(new QWidget(PageControl1), "tsFlac");
    PageControl1->addTab(page, QStringLiteral("FLAC"));
    cbFlacCompression = MakeList(page, "cbFlacCompression", Numbers(kMaxFlacCompression), false);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupOf(QStringLiteral("Compression"), page, cbFlacCompression));
    layout->addStretch();
}

void TfrmOptions::BuildApeTab() {
    auto* page = Named(new QWidget(PageControl1), "tsApe");
    PageControl1->addTab(page, QStringLiteral("APE"));
    seAPECompression = Named(new QSpinBox(page), "seAPECompression");
    seAPECompression->setRange(kMinAPECompression, kMaxAPECompression);
    seAPECompression->setSingleStep(kAPECompressionStep);
    // A typed value outside the range goes to the nearer bound when the field
    // is left.
    seAPECompression->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    tbAPECpuUsage = MakeCpuSlider(page, "tbAPECpuUsage");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(GroupOf(QStringLiteral("Compression"), page, seAPECompression));
    layout->addWidget(CpuGroup(page, tbAPECpuUsage));
    layout->addStretch();
}

// Where titles and covers come from and what the files' tags carry. The server texts are kept as
// typed (bar the spaces around them): the lookups report a server they cannot use.
void TfrmOptions::BuildMetadataTab() {
    auto* page = Named(new QWidget(PageControl1), "tsMetadata");
    PageControl1->addTab(page, QStringLiteral("Metadata"));

    auto* lookupGroup = Named(new QGroupBox(QStringLiteral("MusicBrainz"), page), "gbMusicBrainz");
    ckbAutoLookup =
        Named(new QCheckBox(QStringLiteral("Look up new discs on MusicBrainz &automatically"),
                            lookupGroup),
              "ckbAutoLookup");
    editMusicBrainzServer = Named(new QLineEdit(lookupGroup), "editMusicBrainzServer");
    ckbCoverArt =
        Named(new QCheckBox(QStringLiteral("&Fetch cover art"), lookupGroup), "ckbCoverArt");
    editCoverArtServer = Named(new QLineEdit(lookupGroup), "editCoverArtServer");
    auto* lookupLayout = new QGridLayout(lookupGroup);
    lookupLayout->addWidget(ckbAutoLookup, 0, 0, 1, 2);
    lookupLayout->addWidget(LabelFor(QStringLiteral("&MusicBrainz server:"), editMusicBrainzServer),
                            1, 0);
    lookupLayout->addWidget(editMusicBrainzServer, 1, 1);
    lookupLayout->addWidget(ckbCoverArt, 2, 0, 1, 2);
    lookupLayout->addWidget(LabelFor(QStringLiteral("&Cover art server:"), editCoverArtServer), 3,
                            0);
    lookupLayout->addWidget(editCoverArtServer, 3, 1);
    lookupLayout->setColumnStretch(1, 1);

    ckbUseCDText =
        Named(new QCheckBox(QStringLiteral("Use CD-&Text titles"), page), "ckbUseCDText");

    auto* cddbGroup = Named(new QGroupBox(QStringLiteral("CDDB"), page), "gbCddb");
    editCddbEmail = Named(new QLineEdit(cddbGroup), "editCddbEmail");
    auto* cddbLayout = new QHBoxLayout(cddbGroup);
    cddbLayout->addWidget(LabelFor(QStringLiteral("&E-mail for CDDB:"), editCddbEmail));
    cddbLayout->addWidget(editCddbEmail, 1);

    auto* tagsGroup = Named(new QGroupBox(QStringLiteral("Tags"), page), "gbTags");
    ckbEmbedCover = Named(new QCheckBox(QStringLiteral("Em&bed the cover in each file"), tagsGroup),
                          "ckbEmbedCover");
    ckbReplayGain = Named(new QCheckBox(QStringLiteral("Write Replay&Gain values"), tagsGroup),
                          "ckbReplayGain");
    cbId3v2Version = MakeList(tagsGroup, "cbId3v2Version", kId3v2VersionTexts, false);
    auto* tagsLayout = new QGridLayout(tagsGroup);
    tagsLayout->addWidget(ckbEmbedCover, 0, 0, 1, 3);
    tagsLayout->addWidget(ckbReplayGain, 1, 0, 1, 3);
    tagsLayout->addWidget(LabelFor(QStringLiteral("ID3v2 &version:"), cbId3v2Version), 2, 0);
    tagsLayout->addWidget(cbId3v2Version, 2, 1);
    tagsLayout->setColumnStretch(2, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(lookupGroup);
    layout->addWidget(ckbUseCDText);
    layout->addWidget(cddbGroup);
    layout->addWidget(tagsGroup);
    layout->addStretch();
}

// How a rip is checked. The server text is kept as typed (bar the spaces
// around it), as on the metadata page.
void TfrmOptions::BuildVerifyTab() {
    auto* page = Named(new QWidget(PageControl1), "tsVerify");
    PageControl1->addTab(page, QStringLiteral("Verify"));

    auto* readGroup = Named(new QGroupBox(QStringLiteral("Reading"), page), "gbReading");
    ckbSecureRead = Named(new QCheckBox(QStringLiteral("Read &carefully (secure mode)"), readGroup),
                          "ckbSecureRead");
    seReadRetries = Named(new QSpinBox(readGroup), "seReadRetries");
    seReadRetries->setRange(kMinReadRetries, kMaxReadRetries);
    seReadRetries->setSingleStep(kReadRetriesStep);
    seReadRetries->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    auto* readLayout = new QGridLayout(readGroup);
    readLayout->addWidget(ckbSecureRead, 0, 0, 1, 3);
    readLayout->addWidget(LabelFor(QStringLiteral("Read &retries:"), seReadRetries), 1, 0);
    readLayout->addWidget(seReadRetries, 1, 1);
    readLayout->setColumnStretch(2, 1);

    auto* arGroup = Named(new QGroupBox(QStringLiteral("AccurateRip"), page), "gbAccurateRip");
    ckbAccurateRip =
        Named(new QCheckBox(QStringLiteral("Verify with &AccurateRip"), arGroup), "ckbAccurateRip");
    editAccurateRipServer = Named(new QLineEdit(arGroup), "editAccurateRipServer");
    auto* arLayout = new QGridLayout(arGroup);
    arLayout->addWidget(ckbAccurateRip, 0, 0, 1, 2);
    arLayout->addWidget(LabelFor(QStringLiteral("AccurateRip &server:"), editAccurateRipServer), 1,
                        0);
    arLayout->addWidget(editAccurateRipServer, 1, 1);
    arLayout->setColumnStretch(1, 1);

    ckbDecodeCheck =
        Named(new QCheckBox(QStringLiteral("Check encoded files by &decoding them back"), page),
              "ckbDecodeCheck");
    ckbWriteLog = Named(new QCheckBox(QStringLiteral("Write a rip &log"), page), "ckbWriteLog");

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(readGroup);
    layout->addWidget(arGroup);
    layout->addWidget(ckbDecodeCheck);
    layout->addWidget(ckbWriteLog);
    layout->addStretch();
}

void TfrmOptions::BuildButtons() {
    bOK = Named(new QPushButton(QStringLiteral("OK"), this), "bOK");
    bOK->setDefault(true);
    connect(bOK, &QPushButton::clicked, this, &TfrmOptions::bOKClick);
    bCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "bCancel");
    bCancel->setAutoDefault(false);
    connect(bCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bOK);
    buttons->addWidget(bCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// Loading fires the control reactions (enabling, the WMA refill) just as the
// user's changes do.
void TfrmOptions::LoadControls() {
    const TCommonOptions& common = m_settings.CommonOptions;
    editOutputDir->setText(QString::fromStdString(common.OutputFolder));
    SelectPosition(cbOutputFormat, common.OutputFormat);
    ckbKeepWav->setChecked(!common.IsKeepWav);
    ckNormalize->setChecked(common.IsNormalize);
    SpinEdit1->setEnabled(common.IsNormalize);
    SpinEdit1->setValue(common.NormalizePercent);
    UpdateKeepWav();

    const TMp3Options& mp3 = m_settings.Mp3Options;
    rbVBR->setChecked(mp3.IsSelectVBR);
    ckbVBRHead->setChecked(mp3.IsVBRHead);
    cbMinBitRate->setEditText(QStringLiteral("%1 kbit/s").arg(mp3.BitRate));
    cbMaxBitRate->setEditText(QStringLiteral("%1 kbit/s").arg(mp3.MaxBitRate));
    SelectPosition(cbVBRQuality, mp3.VBRQuality);
    SelectPosition(cbStereoMode, mp3.StereoMode);
    tbMP3Cpu->setValue(mp3.CPU);
    SelectPosition(cbConstantBitRate, mp3.ConstantBitRate);
    UpdateVBRControls();

    const TOggOptions& ogg = m_settings.OggOptions;
    cbUseCompress->setChecked(ogg.IsUseCompress);
    tbCompression->setValue(ogg.CompressPosition);
    SelectPosition(cbOggMaxBit, ogg.MaxBitRate);
    SelectPosition(cbOggNomBit, ogg.NomalBitRate);
    SelectPosition(cbOggMinBit, ogg.MinBitRate);

    const TWMAOptions& wma = m_settings.WMAOptions;
    lbCodecs->setCurrentRow(wma.CodecIndex);
    lbFormats->setCurrentRow(wma.FormatIndex);
    // A stored VBR for a codec without VBR formats is shown as CBR and
    // stored so on "OK".
    cbWMA_VBR->setChecked(wma.VBR && cbWMA_VBR->isEnabled());

    SelectPosition(cbFlacCompression, m_settings.FLACOptions.Compression);
    seAPECompression->setValue(m_settings.APEOptions.Compression);
    tbAPECpuUsage->setValue(m_settings.APEOptions.CPU);

    FillDriveList();
    LoadMetadata();
    LoadVerify();
}

void TfrmOptions::LoadMetadata() {
    const TMetadataOptions& metadata = m_settings.Metadata;
    ckbAutoLookup->setChecked(metadata.AutoLookup);
    editMusicBrainzServer->setText(QString::fromStdString(metadata.MusicBrainzServer));
    ckbCoverArt->setChecked(metadata.CoverArt);
    editCoverArtServer->setText(QString::fromStdString(metadata.CoverArtServer));
    ckbUseCDText->setChecked(metadata.UseCDText);
    editCddbEmail->setText(QString::fromStdString(metadata.CddbEmail));
    ckbEmbedCover->setChecked(metadata.EmbedCover);
    ckbReplayGain->setChecked(metadata.ReplayGain);
    // Only 3 asks for the older version; any other value means the default, 2.4.
    const auto position =
        std::ranges::find(kId3v2Versions, metadata.Id3v2Version) - kId3v2Versions.begin();
    cbId3v2Version->setCurrentIndex(
        position < std::ssize(kId3v2Versions) ? static_cast<int>(position) : 0);
}

void TfrmOptions::LoadVerify() {
    const TVerifyOptions& verify = m_settings.Verify;
    ckbSecureRead->setChecked(verify.SecureRead);
    seReadRetries->setValue(verify.ReadRetries);
    ckbAccurateRip->setChecked(verify.AccurateRip);
    editAccurateRipServer->setText(QString::fromStdString(verify.AccurateRipServer));
    ckbDecodeCheck->setChecked(verify.DecodeCheck);
    ckbWriteLog->setChecked(verify.WriteLog);
}

void TfrmOptions::FillDriveList() {
    const int index = m_settings.CDOptions.Index;
    m_initialDrivePosition = index == -1 ? 0 : index;
    cbCDList->addItems(DriveNames());
    SelectPosition(cbCDList, m_initialDrivePosition);
}

void TfrmOptions::UpdateKeepWav() {
    ckbKeepWav->setEnabled(cbOutputFormat->currentIndex() != ofWAV);
}

void TfrmOptions::UpdateVBRControls() {
    const bool vbr = rbVBR->isChecked();
    const std::array<QWidget*, 4> vbrControls{ckbVBRHead, cbMinBitRate, cbMaxBitRate, cbVBRQuality};
    for (QWidget* control : vbrControls) {
        control->setEnabled(vbr);
    }
}

void TfrmOptions::FillCodecs() {
    lbCodecs->clear();
    for (const std::string& name : m_wmaOut->Codecs()) {
        lbCodecs->addItem(QString::fromStdString(name));
    }
    lbCodecs->setCurrentRow(0);
    FillFormats();
}

void TfrmOptions::UpdateWmaVBRBox() {
    const bool offered = m_wmaOut->HasVBRFormats(lbCodecs->currentRow());
    if (!offered) {
        // Quietly: the formats are refilled next anyway.
        const QSignalBlocker quiet(cbWMA_VBR);
        cbWMA_VBR->setChecked(false);
    }
    cbWMA_VBR->setEnabled(offered);
    lWmaNoVBR->setVisible(!offered);
}

void TfrmOptions::FillFormats() {
    UpdateWmaVBRBox();
    lbFormats->clear();
    m_wmaOut->SetVBR(cbWMA_VBR->isChecked());
    for (const std::string& format : m_wmaOut->Formats(lbCodecs->currentRow())) {
        lbFormats->addItem(QString::fromStdString(format));
    }
    lbFormats->setCurrentRow(0);
}

void TfrmOptions::LameDefaults() {
    rbCBR->setChecked(true);
    cbConstantBitRate->setCurrentIndex(kDefaultConstantBitRate);
    ckbVBRHead->setChecked(false);
    cbMinBitRate->setCurrentIndex(kDefaultMinBitRate);
    cbMaxBitRate->setCurrentIndex(kDefaultMaxBitRate);
    cbVBRQuality->setCurrentIndex(kDefaultVBRQuality);
    cbStereoMode->setCurrentIndex(kDefaultStereoMode);
    tbMP3Cpu->setValue(kMaxCpu);
}

void TfrmOptions::WmaDefaults() {
    lbCodecs->setCurrentRow(0);
    FillFormats();
    lbFormats->setCurrentRow(kDefaultWmaFormat);
    cbWMA_VBR->setChecked(false);
}

void TfrmOptions::Browse() {
    const QString folder = m_prompts.ChooseFolder(kFolderTitle, editOutputDir->text());
    if (!folder.isEmpty()) {
        editOutputDir->setText(folder);
    }
}

void TfrmOptions::bOKClick() {
    if (!FolderExists(editOutputDir->text())) {
        m_prompts.ErrorBox(editOutputDir->text() + QStringLiteral(",") +
                           QStringLiteral("the output folder does not exist."));
        if (PageControl1->currentWidget() == tsOutput) {
            editOutputDir->setFocus();
        }
        return;
    }
    if (!StoreControls()) {
        return;
    }
    const int drive = cbCDList->currentIndex();
    // Without a selected drive (a stored position beyond the list) the open
    // drive is kept rather than closed for nothing.
    if (cbCDList->count() > 0 && drive >= 0 && drive != m_initialDrivePosition) {
        m_target.SwitchDrive(drive);
    }
    m_target.ShowOutputSettings();
    accept();
}

// Stores in the order of the record's fields; a bit-rate text that is not a
// number, or a VBR minimum above the maximum, stops the storing there,
// leaving the fields before it stored.
bool TfrmOptions::StoreControls() {
    TCommonOptions& common = m_settings.CommonOptions;
    common.IsKeepWav = !ckbKeepWav->isChecked();
    common.OutputFormat = cbOutputFormat->currentIndex();
    common.OutputFolder = editOutputDir->text().toStdString();
    common.IsNormalize = ckNormalize->isChecked();
    SpinEdit1->interpretText();
    common.NormalizePercent = SpinEdit1->value();

    TMp3Options& mp3 = m_settings.Mp3Options;
    mp3.IsSelectVBR = rbVBR->isChecked();
    mp3.IsVBRHead = ckbVBRHead->isChecked();
    const std::optional<int> minBitRate = BitRateOf(cbMinBitRate);
    if (!minBitRate) {
        return false;
    }
    const std::optional<int> maxBitRate = BitRateOf(cbMaxBitRate);
    if (!maxBitRate) {
        mp3.BitRate = *minBitRate;
        return false;
    }
    // The limits bound VBR only; the encoder does not honour reversed ones.
    if (mp3.IsSelectVBR && *minBitRate > *maxBitRate) {
        RefuseField(cbMinBitRate,
                    QStringLiteral("The minimum bit rate (%1 kbit/s) is above the maximum bit "
                                   "rate (%2 kbit/s).")
                        .arg(*minBitRate)
                        .arg(*maxBitRate));
        return false;
    }
    mp3.BitRate = *minBitRate;
    mp3.MaxBitRate = *maxBitRate;
    mp3.VBRQuality = cbVBRQuality->currentIndex();
    mp3.StereoMode = cbStereoMode->currentIndex();
    mp3.CPU = tbMP3Cpu->value();
    mp3.ConstantBitRate = cbConstantBitRate->currentIndex();

    TOggOptions& ogg = m_settings.OggOptions;
    ogg.IsUseCompress = cbUseCompress->isChecked();
    ogg.CompressPosition = tbCompression->value();
    ogg.MaxBitRate = cbOggMaxBit->currentIndex();
    ogg.NomalBitRate = cbOggNomBit->currentIndex();
    ogg.MinBitRate = cbOggMinBit->currentIndex();

    TWMAOptions& wma = m_settings.WMAOptions;
    wma.CodecIndex = lbCodecs->currentRow();
    wma.FormatIndex = lbFormats->currentRow();
    wma.VBR = cbWMA_VBR->isChecked();

    m_settings.FLACOptions.Compression = cbFlacCompression->currentIndex();
    seAPECompression->interpretText();
    m_settings.APEOptions.Compression = seAPECompression->value();
    m_settings.APEOptions.CPU = tbAPECpuUsage->value();
    m_settings.CDOptions.Index = cbCDList->currentIndex();
    StoreMetadata();
    StoreVerify();
    return true;
}

void TfrmOptions::StoreMetadata() {
    TMetadataOptions& metadata = m_settings.Metadata;
    metadata.AutoLookup = ckbAutoLookup->isChecked();
    metadata.MusicBrainzServer = FieldText(editMusicBrainzServer);
    metadata.CoverArt = ckbCoverArt->isChecked();
    metadata.CoverArtServer = FieldText(editCoverArtServer);
    metadata.UseCDText = ckbUseCDText->isChecked();
    metadata.CddbEmail = FieldText(editCddbEmail);
    metadata.EmbedCover = ckbEmbedCover->isChecked();
    metadata.ReplayGain = ckbReplayGain->isChecked();
    metadata.Id3v2Version =
        kId3v2Versions.at(static_cast<std::size_t>(cbId3v2Version->currentIndex()));
}

void TfrmOptions::StoreVerify() {
    TVerifyOptions& verify = m_settings.Verify;
    verify.SecureRead = ckbSecureRead->isChecked();
    seReadRetries->interpretText();
    // A typed value between the steps goes down to a step: careful reads
    // retry in whole rounds.
    verify.ReadRetries = seReadRetries->value() / kReadRetriesStep * kReadRetriesStep;
    verify.AccurateRip = ckbAccurateRip->isChecked();
    verify.AccurateRipServer = FieldText(editAccurateRipServer);
    verify.DecodeCheck = ckbDecodeCheck->isChecked();
    verify.WriteLog = ckbWriteLog->isChecked();
}

// The number is the first three characters of the list's text.
std::optional<int> TfrmOptions::BitRateOf(QComboBox* list) {
    const QString number = list->currentText().left(3).trimmed();
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok) {
        RefuseField(list, QStringLiteral("'%1' is not a valid integer value.").arg(number));
        return std::nullopt;
    }
    return value;
}

void TfrmOptions::RefuseField(QWidget* field, const QString& text) {
    for (QWidget* page = field; page != nullptr; page = page->parentWidget()) {
        if (const int tab = PageControl1->indexOf(page); tab >= 0) {
            PageControl1->setCurrentIndex(tab);
            break;
        }
    }
    field->setFocus();
    m_prompts.ErrorBox(text);
}

void ModalOptionsDialog::RunOptions(QWidget* parent, OptionsTarget& target) {
    TfrmOptions dialog(parent, OptionsSetting, target, m_prompts);
    dialog.exec();
}

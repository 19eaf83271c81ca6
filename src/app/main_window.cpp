// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>
#include <array>
#include <exception>

#include "app/user_prompts.h"
#include "audio/tags/id3v1_genres.h"
#include "cd/cd_drive.h"
#include "cd/track_list.h"
#include "disc/disc_records.h"
#include "settings/encoders/output_formats.h"
#include "settings/options_setting.h"
#include "settings/settings_helpers.h"

namespace {

constexpr int kInitialWidth = 690;
constexpr int kInitialHeight = 545;
constexpr int kMinimumWidth = 678;
constexpr int kMediaPollMilliseconds = 2000;
constexpr int kGenreRowsShown = 20;
// The genre list is at least this many characters wide; its open list shows
// the whole names.
constexpr int kGenreCharsShown = 6;

// Design-time geometry of the client area (pixels); the resize arithmetic
// derives everything else from these.
constexpr int kDiscGroupLeft = 3;
constexpr int kDiscGroupHeight = 50;
constexpr int kDiscLabelLeft = 8;
constexpr int kDiscLabelTop = 22;
constexpr int kDiscFieldTop = 18;
constexpr int kFieldHeight = 23;
constexpr int kTrackListTop = kDiscGroupHeight + 4;
constexpr int kOutputGroupHeight = 52;
constexpr int kFormatGroupLeft = 3;
constexpr int kFormatGroupWidth = 250;
constexpr int kFolderGroupLeft = kFormatGroupLeft + kFormatGroupWidth + 5;
constexpr int kOutputLabelTop = 24;
constexpr int kOutputFieldTop = 19;
constexpr int kBrowseButtonWidth = 28;
constexpr int kStatusBarHeight = 22;

// Width of the disc-field group at which the field widths below were designed.
constexpr int kDesignGroupWidth = 665;
constexpr int kArtistDesignWidth = 100;
constexpr int kYearDesignWidth = 45;
constexpr int kGenreDesignWidth = 109;

constexpr int kArtistMaxLength = 30;
constexpr int kAlbumMaxLength = 30;
constexpr int kYearMaxLength = 4;
constexpr int kCommentMaxLength = 30;

const QString kCaption = QStringLiteral("Brisklark");
const QString kNoAudioCD = QString::fromLatin1(kNoAudioCDText);

// The user cannot type a field longer than `limit` characters, but text the
// program puts in (cache, CDDB) is kept whole: the cap follows the current
// length, so such a text can be shortened but not lengthened.
void LimitTyping(QLineEdit* field, int limit) {
    field->setMaxLength(limit);
    QObject::connect(field, &QLineEdit::textChanged, field, [field, limit](const QString& text) {
        field->setMaxLength(std::max<int>(limit, static_cast<int>(text.size())));
    });
}

void SetProgramText(QLineEdit* field, const QString& text) {
    field->setMaxLength(std::max<int>(field->maxLength(), static_cast<int>(text.size())));
    field->setText(text);
}

// Runs one step of start-up or closing; a failure must not stop the rest.
template <typename Step>
void Swallowing(Step step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

}  // namespace

TfrmMain::TfrmMain(TAppPaths paths, UserPrompts& prompts, MainWindowHandOvers handOvers,
                   QWidget* parent)
    : QMainWindow(parent),
      m_paths(std::move(paths)),
      m_prompts(prompts),
      m_handOvers(handOvers),
      m_session(m_paths.DiscCacheFile()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kCaption);
    LoadOptions(OptionsSetting, m_paths);
    m_paths.CreateDefaultOutputFolder(OptionsSetting.CommonOptions.OutputFolder);

    BuildActions();
    BuildMenus();
    BuildToolBar();
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(m_client);
    BuildDiscFields(m_client);
    BuildTrackList(m_client);
    BuildOutputGroups(m_client);
    ConnectDiscEdits();
    StatusBar1 = new QStatusBar(m_client);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(StatusBar1);
    StatusBar1->addWidget(m_statusPanel, 1);
    m_client->installEventFilter(this);

    const QSize minimumClient = MinimumClientSize();
    m_client->setMinimumSize(minimumClient);
    setMinimumWidth(std::max(kMinimumWidth, minimumClient.width()));
    resize(kInitialWidth, kInitialHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }

    m_idleTimer = new QTimer(this);
    m_idleTimer->setSingleShot(true);
    m_idleTimer->setInterval(0);
    connect(m_idleTimer, &QTimer::timeout, this, &TfrmMain::UpdateActions);
    qApp->installEventFilter(this);

    m_mediaTimer = new QTimer(this);
    m_mediaTimer->setInterval(kMediaPollMilliseconds);
    connect(m_mediaTimer, &QTimer::timeout, this, &TfrmMain::PollMediaChange);
    m_mediaTimer->start();
    UpdateActions();
}

TfrmMain::~TfrmMain() {
    AbandonLookups();
    qApp->removeEventFilter(this);
}

void TfrmMain::BuildActions() {
    const auto makeAction = [this](QAction*& action, const char* name, const QString& text,
                                   const QKeySequence& shortcut, const QString& hint,
                                   void (TfrmMain::*command)()) {
        action = new QAction(text, this);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        action->setToolTip(hint.isEmpty() ? QString(text).remove(QLatin1Char('&')) : hint);
        action->setStatusTip(hint);
        connect(action, &QAction::triggered, this, command);
    };
    makeAction(aRip, "aRip", QStringLiteral("&Rip Selected Tracks..."),
               QKeySequence(Qt::CTRL | Qt::Key_R), {}, &TfrmMain::RipSelectedTracks);
    makeAction(aQueryCDDB, "aQueryCDDB", QStringLiteral("&Query CDDB..."), {}, {},
               &TfrmMain::QueryCDDB);
    makeAction(aQueryMusicBrainz, "aQueryMusicBrainz", QStringLiteral("Query &MusicBrainz..."), {},
               {}, &TfrmMain::QueryMusicBrainz);
    makeAction(aCDTextTitles, "aCDTextTitles", QStringLiteral("Titles from C&D-Text"), {}, {},
               &TfrmMain::TitlesFromCDText);
    makeAction(aFindReadOffset, "aFindReadOffset", QStringLiteral("Find read &offset..."), {}, {},
               &TfrmMain::FindDriveReadOffset);
    makeAction(aSelectAll, "aSelectAll", QStringLiteral("&Select All"), {},
               QStringLiteral("Select all tracks"), &TfrmMain::SelectAllTracks);
    makeAction(aSelectNone, "aSelectNone", QStringLiteral("&Unselect All"), {},
               QStringLiteral("Cancel all selected track"), &TfrmMain::SelectNoTrack);
    makeAction(aInvertSelection, "aInvertSelection", QStringLiteral("&Invert Selection"), {}, {},
               &TfrmMain::InvertTicks);
    makeAction(aEditTrackName, "aEditTrackName", QStringLiteral("&Edit Track's Title..."),
               QKeySequence(Qt::CTRL | Qt::Key_F2),
               QStringLiteral("Rename the current track title"), &TfrmMain::EditTrackName);
    makeAction(aOptions, "aOptions", QStringLiteral("&Options..."),
               QKeySequence(Qt::CTRL | Qt::Key_O), {}, &TfrmMain::OpenOptions);
    makeAction(aPlay, "aPlay", QStringLiteral("&Play"), QKeySequence(Qt::CTRL | Qt::Key_P), {},
               &TfrmMain::Play);
    makeAction(aPause, "aPause", QStringLiteral("P&ause"), {}, {}, &TfrmMain::Pause);
    makeAction(aStop, "aStop", QStringLiteral("&Stop"), {}, {}, &TfrmMain::Stop);
    makeAction(aHelp, "aHelp", QStringLiteral("&Online Help"), QKeySequence(Qt::Key_F1), {},
               &TfrmMain::OpenHelp);
    makeAction(aHomepage, "aHomepage", QStringLiteral("&Home Page"), {}, {},
               &TfrmMain::OpenHomePage);
}

QAction* TfrmMain::AddMenuEntry(QMenu* menu, const char* name, const QString& text,
                                void (TfrmMain::*command)()) {
    QAction* entry = menu->addAction(text);
    entry->setObjectName(QString::fromLatin1(name));
    connect(entry, &QAction::triggered, this, command);
    return entry;
}

void TfrmMain::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("miFile"));
    file->addAction(aRip);
    file->addSeparator();
    QMenu* wavConverter = file->addMenu(QStringLiteral("Wav Converter"));
    wavConverter->setObjectName(QStringLiteral("miWavConverter"));
    const auto addConverter = [this](QMenu* menu, const QString& text, int tag) {
        QAction* entry = menu->addAction(text);
        entry->setObjectName(QStringLiteral("miConverter%1").arg(tag));
        entry->setData(tag);
        connect(entry, &QAction::triggered, this, [this, tag] { RunConverter(tag); });
        return entry;
    };
    // The resample tool is reachable only from code; its entry stays hidden.
    addConverter(wavConverter, QStringLiteral("Wav to Wa&v..."), 1)->setVisible(false);
    addConverter(wavConverter, QStringLiteral("Wav to &Mp3..."), 2);
    addConverter(wavConverter, QStringLiteral("Wav to &Ogg..."), 3);
    addConverter(wavConverter, QStringLiteral("Wav to &Wma..."), 4);
    addConverter(wavConverter, QStringLiteral("Wav to &Flac..."), 5);
    addConverter(wavConverter, QStringLiteral("Wav to &Ape..."), 6);
    addConverter(file, QStringLiteral("&Mp3 to Wav Converter..."), 7);
    addConverter(file, QStringLiteral("&Wma to Wav Converter..."), 8);
    addConverter(file, QStringLiteral("M&p3 to Wma Converter..."), 9);
    addConverter(file, QStringLiteral("Wma &to Mp3 Converter..."), 10);
    file->addSeparator();
    file->addActions({aPlay, aPause, aStop});
    file->addSeparator();
    AddMenuEntry(file, "miEjectCD", QStringLiteral("&Eject CD-ROM"), &TfrmMain::EjectCDROM);
    AddMenuEntry(file, "miCloseCD", QStringLiteral("&Close CD-ROM"), &TfrmMain::CloseCDROM);
    AddMenuEntry(file, "miRefreshCD", QStringLiteral("Re&fresh CD"), &TfrmMain::RefreshCD);
    file->addAction(aFindReadOffset);
    file->addSeparator();
    AddMenuEntry(file, "miExit", QStringLiteral("E&xit"), &TfrmMain::CloseWindow);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("miEdit"));
    edit->addActions({aSelectAll, aSelectNone, aInvertSelection});
    edit->addSeparator();
    edit->addAction(aEditTrackName);
    edit->addSeparator();
    AddMenuEntry(edit, "miJumpOutputFolder", QStringLiteral("&Jump Output Folder"),
                 &TfrmMain::JumpOutputFolder);

    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    tools->setObjectName(QStringLiteral("miTools"));
    tools->addActions({aQueryCDDB, aQueryMusicBrainz, aCDTextTitles});
    tools->addSeparator();
    tools->addAction(aOptions);

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("miHelp"));
    help->addAction(aHelp);
    help->addSeparator();
    help->addAction(aHomepage);
    help->addSeparator();
    AddMenuEntry(help, "miAbout", QStringLiteral("&About..."), &TfrmMain::ShowAbout);

    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("ListMenu"));
    m_listMenu->addAction(aRip);
    m_listMenu->addSeparator();
    m_listMenu->addActions({aSelectAll, aSelectNone, aInvertSelection});
    m_listMenu->addSeparator();
    m_listMenu->addActions({aPlay, aPause, aStop});
    m_listMenu->addSeparator();
    m_listMenu->addAction(aEditTrackName);
}

void TfrmMain::BuildToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("Main"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(24, 24));
    const auto addButton = [this, bar](const char* name, const QString& text, const QString& hint,
                                       QStyle::StandardPixmap icon, QAction* mirrored) {
        QAction* button = bar->addAction(style()->standardIcon(icon), text);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        if (mirrored != nullptr) {
            connect(button, &QAction::triggered, mirrored, &QAction::trigger);
            m_toolBarMirrors.push_back({button, mirrored});
        }
        return button;
    };
    addButton("tbRip", QStringLiteral("Rip"), QStringLiteral("Rip selected tracks"),
              QStyle::SP_DriveCDIcon, aRip);
    bar->addSeparator();
    QAction* convert =
        addButton("tbConvert", QStringLiteral("Convert"), QStringLiteral("Wav to Mp3 Converter"),
                  QStyle::SP_BrowserReload, nullptr);
    connect(convert, &QAction::triggered, this, [this] { RunConverter(2); });
    bar->addSeparator();
    addButton("tbQueryCDDB", QStringLiteral("CDDB"), QStringLiteral("Query CDDB"),
              QStyle::SP_DriveNetIcon, aQueryCDDB);
    addButton("tbQueryMusicBrainz", QStringLiteral("MusicBrainz"),
              QStringLiteral("Query MusicBrainz"), QStyle::SP_DriveNetIcon, aQueryMusicBrainz);
    bar->addSeparator();
    QAction* folder =
        addButton("tbFolder", QStringLiteral("Folder"), QStringLiteral("Open the output folder"),
                  QStyle::SP_DirOpenIcon, nullptr);
    connect(folder, &QAction::triggered, this, &TfrmMain::JumpOutputFolder);
    bar->addSeparator();
    addButton("tbPlay", QStringLiteral("Play"), QStringLiteral("Play the selected track"),
              QStyle::SP_MediaPlay, aPlay);
    addButton("tbPause", QStringLiteral("Pause"), QStringLiteral("Pause"), QStyle::SP_MediaPause,
              aPause);
    addButton("tbStop", QStringLiteral("Stop"), QStringLiteral("Stop"), QStyle::SP_MediaStop,
              aStop);
    bar->addSeparator();
    addButton("tbOptions", QStringLiteral("Options"), QStringLiteral("Options"),
              QStyle::SP_FileDialogDetailedView, aOptions);
    bar->addSeparator();
    addButton("tbHelp", QStringLiteral("Help"), QStringLiteral("Help"), QStyle::SP_DialogHelpButton,
              aHelp);
    addButton("tbHomepage", QStringLiteral("Home"), QStringLiteral("Visit our home page"),
              QStyle::SP_DirHomeIcon, aHomepage);
    QAction* exit = addButton("tbExit", QStringLiteral("Exit"), QStringLiteral("Exit"),
                              QStyle::SP_DialogCloseButton, nullptr);
    connect(exit, &QAction::triggered, this, &TfrmMain::CloseWindow);
}

void TfrmMain::BuildDiscFields(QWidget* client) {
    gbID3 = new QGroupBox(client);
    gbID3->setObjectName(QStringLiteral("gbID3"));
    gbID3->setGeometry(kDiscGroupLeft, 0, kInitialWidth - 6, kDiscGroupHeight);
    const auto makeLabel = [this](const char* name, const QString& text) {
        auto* label = new QLabel(text, gbID3);
        label->setObjectName(QString::fromLatin1(name));
        label->adjustSize();
        label->move(kDiscLabelLeft, kDiscLabelTop);
        return label;
    };
    const auto makeField = [this](const char* name, int limit) {
        auto* field = new QLineEdit(gbID3);
        field->setObjectName(QString::fromLatin1(name));
        field->setGeometry(0, kDiscFieldTop, 50, kFieldHeight);
        LimitTyping(field, limit);
        return field;
    };
    lArtist = makeLabel("lArtist", QStringLiteral("Artist:"));
    ID3artist = makeField("ID3artist", kArtistMaxLength);
    lAlbum = makeLabel("lAlbum", QStringLiteral("Album:"));
    ID3album = makeField("ID3album", kAlbumMaxLength);
    lYear = makeLabel("lYear", QStringLiteral("Year:"));
    ID3year = makeField("ID3year", kYearMaxLength);
    lGenre = makeLabel("lGenre", QStringLiteral("Genre:"));
    ID3genre = new QComboBox(gbID3);
    ID3genre->setObjectName(QStringLiteral("ID3genre"));
    ID3genre->setEditable(false);
    // About twenty genres at a time: styles that show a closed list's whole
    // content at once would cover the screen with the 149 entries.
    ID3genre->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
    ID3genre->setMaxVisibleItems(kGenreRowsShown);
    ID3genre->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ID3genre->setMinimumContentsLength(kGenreCharsShown);
    for (const std::string_view name : GenreListNames()) {
        ID3genre->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    }
    ID3genre->setCurrentIndex(-1);
    ID3genre->setGeometry(0, kDiscFieldTop, 50,
                          std::max(kFieldHeight, ID3genre->sizeHint().height()));
    ID3genre->view()->setMinimumWidth(
        ID3genre->fontMetrics().horizontalAdvance(QStringLiteral("Contemporary Christian")) + 40);
    lComment = makeLabel("lComment", QStringLiteral("Comment:"));
    ID3comment = makeField("ID3comment", kCommentMaxLength);
}

void TfrmMain::BuildTrackList(QWidget* client) {
    ListView1 = new QTreeWidget(client);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    ListView1->setHeaderLabels({QStringLiteral("No."), QStringLiteral("Title"),
                                QStringLiteral("Start Time"), QStringLiteral("Length(min)")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(QHeaderView::Interactive);
    ListView1->setColumnWidth(kColumnNumber, 90);
    ListView1->setColumnWidth(kColumnTitle, 230);
    ListView1->setColumnWidth(kColumnStart, 100);
    ListView1->setColumnWidth(kColumnLength, 100);
    ListView1->headerItem()->setTextAlignment(kColumnStart, Qt::AlignCenter);
    ListView1->headerItem()->setTextAlignment(kColumnLength, Qt::AlignCenter);
    ListView1->move(0, kTrackListTop);
    connect(ListView1, &QTreeWidget::itemClicked, this, &TfrmMain::OnTrackClicked);
    // Space flips the current row's tick whichever column has the focus (the
    // tick box's own handling covers only its column).
    auto* spaceTicks = new QShortcut(QKeySequence(Qt::Key_Space), ListView1);
    spaceTicks->setContext(Qt::WidgetShortcut);
    connect(spaceTicks, &QShortcut::activated, this, [this] {
        if (QTreeWidgetItem* item = ListView1->currentItem()) {
            FlipTick(item);
        }
    });
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &TfrmMain::EditTrackName);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &TfrmMain::ShowListMenu);
}

void TfrmMain::BuildOutputGroups(QWidget* client) {
    gbOutputFormat = new QGroupBox(client);
    gbOutputFormat->setObjectName(QStringLiteral("gbOutputFormat"));
    gbOutputFormat->setGeometry(kFormatGroupLeft, 0, kFormatGroupWidth, kOutputGroupHeight);
    auto* formatLabel = new QLabel(QStringLiteral("Output Format:"), gbOutputFormat);
    formatLabel->setObjectName(QStringLiteral("lOutputFormat"));
    formatLabel->adjustSize();
    formatLabel->move(kDiscLabelLeft, kOutputLabelTop);
    cbOutputFormat = new QComboBox(gbOutputFormat);
    cbOutputFormat->setObjectName(QStringLiteral("cbOutputFormat"));
    for (const TOutputFormatRow& format : OutputFormats()) {
        cbOutputFormat->addItem(QString::fromLatin1(format.ListText));
    }
    const int formatLeft = formatLabel->x() + formatLabel->width() + 6;
    cbOutputFormat->setGeometry(formatLeft, kOutputFieldTop, kFormatGroupWidth - formatLeft - 10,
                                kFieldHeight);
    // Only the user's choice changes the setting; the program's own
    // selections (start-up, options dialog) come from it.
    connect(cbOutputFormat, &QComboBox::activated, this,
            [](int position) { OptionsSetting.CommonOptions.OutputFormat = position; });

    gbOutputFolder = new QGroupBox(client);
    gbOutputFolder->setObjectName(QStringLiteral("gbOutputFolder"));
    gbOutputFolder->setGeometry(kFolderGroupLeft, 0, 200, kOutputGroupHeight);
    lOutputFolder = new QLabel(QStringLiteral("Output Folder:"), gbOutputFolder);
    lOutputFolder->setObjectName(QStringLiteral("lOutputFolder"));
    lOutputFolder->adjustSize();
    lOutputFolder->move(kDiscLabelLeft, kOutputLabelTop);
    eOutputDir = new QLineEdit(gbOutputFolder);
    eOutputDir->setObjectName(QStringLiteral("eOutputDir"));
    eOutputDir->setReadOnly(true);
    eOutputDir->setGeometry(lOutputFolder->x() + lOutputFolder->width() + 6, kOutputFieldTop, 50,
                            kFieldHeight);
    bBrowser = new QToolButton(gbOutputFolder);
    bBrowser->setText(QStringLiteral("..."));
    bBrowser->setObjectName(QStringLiteral("bBrowser"));
    bBrowser->setGeometry(0, kOutputFieldTop,
                          std::max(kBrowseButtonWidth, bBrowser->sizeHint().width()),
                          kFieldHeight + 1);
    connect(bBrowser, &QToolButton::clicked, this, &TfrmMain::BrowseOutputFolder);
}

// Integer arithmetic, as designed for the 665-pixel-wide disc-field group.
void TfrmMain::LayoutClientArea(QSize client) {
    const int clientWidth = client.width();
    const int clientHeight = client.height();

    const int outputTop = clientHeight - kStatusBarHeight - gbOutputFormat->height() - 3;
    gbOutputFormat->move(gbOutputFormat->x(), outputTop);
    gbOutputFolder->move(gbOutputFolder->x(), outputTop);
    StatusBar1->setGeometry(0, clientHeight - kStatusBarHeight, clientWidth, kStatusBarHeight);
    ListView1->setGeometry(ListView1->x(), ListView1->y(), clientWidth,
                           std::max(0, outputTop - ListView1->y() - 3));

    const int groupWidth = clientWidth - 6;
    gbID3->resize(groupWidth, gbID3->height());
    const auto placeField = [](QWidget* field, const QLabel* label, int width) {
        field->setGeometry(label->x() + label->width() + 1, field->y(), width, field->height());
    };
    const auto placeLabelAfter = [](QLabel* label, const QWidget* field) {
        label->move(field->x() + field->width() + 6, label->y());
    };
    const int artistWidth = groupWidth * kArtistDesignWidth / kDesignGroupWidth;
    placeField(ID3artist, lArtist, artistWidth);
    placeLabelAfter(lAlbum, ID3artist);
    placeField(ID3album, lAlbum, artistWidth);
    placeLabelAfter(lYear, ID3album);
    placeField(ID3year, lYear, groupWidth * kYearDesignWidth / kDesignGroupWidth);
    placeLabelAfter(lGenre, ID3year);
    placeField(ID3genre, lGenre, groupWidth * kGenreDesignWidth / kDesignGroupWidth);
    placeLabelAfter(lComment, ID3genre);
    const int commentLeft = lComment->x() + lComment->width() + 1;
    placeField(ID3comment, lComment, groupWidth - commentLeft - 5);

    const int folderGroupWidth = clientWidth - gbOutputFolder->x() - 8;
    gbOutputFolder->resize(folderGroupWidth, gbOutputFolder->height());
    eOutputDir->resize(folderGroupWidth - eOutputDir->x() - bBrowser->width() - 16,
                       eOutputDir->height());
    bBrowser->move(eOutputDir->x() + eOutputDir->width() + 8, bBrowser->y());
}

// The fields get their share of the width: the narrowest width at which each
// has its minimum is found by laying out ever wider. The height holds the
// fixed rows and the track list at its minimum.
QSize TfrmMain::MinimumClientSize() {
    const int height = kTrackListTop + ListView1->minimumSizeHint().height() + 3 +
                       gbOutputFormat->height() + 3 + kStatusBarHeight;
    // A list shows its entries; a text field at least a year's four digits
    // (its minimum holds the widest character).
    const auto fits = [](const QWidget* field) {
        const QFontMetrics& metrics = field->fontMetrics();
        const int needed = qobject_cast<const QComboBox*>(field) != nullptr
                               ? field->sizeHint().width()
                               : field->minimumSizeHint().width() - metrics.maxWidth() +
                                     metrics.horizontalAdvance(QStringLiteral("0000"));
        return field->width() >= needed;
    };
    const std::array<const QWidget*, 6> fields{ID3artist, ID3album,   ID3year,
                                               ID3genre,  ID3comment, eOutputDir};
    // The fields widen with the width, so a width that fits them is found.
    for (int width = kMinimumWidth;; ++width) {
        LayoutClientArea(QSize(width, height));
        if (std::all_of(fields.begin(), fields.end(), fits)) {
            return {width, height};
        }
    }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_client && event->type() == QEvent::Resize) {
        LayoutClientArea(m_client->size());
    } else if (watched != m_idleTimer && m_idleTimer != nullptr && !m_idleTimer->isActive()) {
        // Any event may change what the actions depend on: re-evaluate them
        // once the queue is empty again.
        m_idleTimer->start();
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(kShowMainWindowMessage)) {
        ShowAndRaise();
        return true;
    }
    if (HandleWorkerEvent(event)) {
        return true;
    }
    if (event->type() == QEvent::WindowActivate && m_noAudioCDAtStart) {
        SetStatusText(kNoAudioCD);
    }
    return QMainWindow::event(event);
}

void TfrmMain::ShowAndRaise() {
    show();
    if (isMinimized()) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    }
    raise();
    activateWindow();
}

void TfrmMain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!m_firstShowDone) {
        m_firstShowDone = true;
        FirstShown();
    }
}

void TfrmMain::FirstShown() {
    Swallowing([this] {
        if (OpenCDDevice(0) == 0) {
            return;
        }
        if (FirstCDDriveHasAudioCD()) {
            RefreshTrackList();
            DiscCameIn();
        } else {
            m_noAudioCDAtStart = true;
        }
        m_savedStatusText = StatusText();
        ShowOutputSettings();
    });
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!m_closed) {
        m_closed = true;
        SaveAndClose();
    }
    event->accept();
}

void TfrmMain::CloseWindow() {
    close();
}

void TfrmMain::SaveAndClose() {
    m_mediaTimer->stop();
    AbandonLookups();
    Swallowing([this] {
        // An empty list (medium removed, no audio disc found) says nothing
        // about the disc: writing it would wipe the disc's cached titles.
        (void)m_session.Save();
    });
    Swallowing([this] {
        if (!m_session.CloseDrive()) {
            m_prompts.Error(QStringLiteral("Error occur when closing CD handle!"));
        }
    });
    Swallowing([this] {
        if (m_isPlaying && m_handOvers.player != nullptr) {
            m_handOvers.player->Stop();
            m_handOvers.player->Close();
        }
    });
    Swallowing([this] { (void)SaveOptions(OptionsSetting, m_paths); });
}

QString TfrmMain::StatusText() const {
    return m_statusPanel->text();
}

void TfrmMain::SetStatusText(const QString& text) {
    m_statusPanel->setText(text);
}

// Typed edits, ticks and the program's own changes of a widget all reach
// the session through the widgets' change signals.
void TfrmMain::ConnectDiscEdits() {
    const auto follow = [this](QLineEdit* field, void (DiscSession::*set)(std::string),
                               bool TUserEdits::*edited) {
        connect(field, &QLineEdit::textChanged, this, [this, set, edited](const QString& text) {
            if (!m_showingDisc) {
                (m_session.*set)(text.toStdString());
                m_userEdits.*edited = true;
            }
        });
    };
    follow(ID3artist, &DiscSession::SetArtist, &TUserEdits::artist);
    follow(ID3album, &DiscSession::SetAlbum, &TUserEdits::album);
    follow(ID3year, &DiscSession::SetYear, &TUserEdits::year);
    follow(ID3comment, &DiscSession::SetComment, &TUserEdits::comment);
    connect(ID3genre, &QComboBox::currentIndexChanged, this, [this](int position) {
        if (!m_showingDisc) {
            m_session.SetGenre(position, ID3genre->itemText(position).toStdString());
            m_userEdits.genre = true;
        }
    });
    connect(ListView1, &QTreeWidget::itemChanged, this, &TfrmMain::TrackChanged);
}

void TfrmMain::TrackChanged(QTreeWidgetItem* item) {
    if (m_showingDisc) {
        return;
    }
    const int row = ListView1->indexOfTopLevelItem(item);
    std::string title = item->text(kColumnTitle).toStdString();
    const std::vector<TrackInfo>& tracks = m_session.Disc().Tracks;
    if (row >= 0 && static_cast<std::size_t>(row) < tracks.size() &&
        tracks[static_cast<std::size_t>(row)].Title != title) {
        m_userEdits.tracks.insert(tracks[static_cast<std::size_t>(row)].Number);
    }
    m_session.SetTrackTitle(row, std::move(title));
    m_session.SetTicked(row, item->checkState(kColumnNumber) == Qt::Checked);
}

void TfrmMain::ClearDiscFields() {
    m_session.ClearDiscFields();
    ShowDiscFields();
}

void TfrmMain::ApplyDiscInfo(const DiscInfo& found) {
    m_session.Apply(found);
    ShowDiscFields();
    m_showingDisc = true;
    const std::vector<TrackInfo>& tracks = m_session.Disc().Tracks;
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        ListView1->topLevelItem(row)->setText(
            kColumnTitle, QString::fromStdString(tracks[static_cast<std::size_t>(row)].Title));
    }
    m_showingDisc = false;
}

void TfrmMain::SetArtistText(const QString& text) {
    SetProgramText(ID3artist, text);
}

void TfrmMain::SetAlbumText(const QString& text) {
    SetProgramText(ID3album, text);
}

void TfrmMain::SetYearText(const QString& text) {
    SetProgramText(ID3year, text);
}

void TfrmMain::ShowDiscFields() {
    const DiscInfo& disc = m_session.Disc();
    m_showingDisc = true;
    SetProgramText(ID3artist, QString::fromStdString(disc.Artist));
    SetProgramText(ID3album, QString::fromStdString(disc.Album));
    SetProgramText(ID3year, QString::fromStdString(disc.Year));
    const int genre = disc.GenrePosition;
    ID3genre->setCurrentIndex(genre >= 0 && genre < ID3genre->count() ? genre : -1);
    SetProgramText(ID3comment, QString::fromStdString(disc.Comment));
    m_showingDisc = false;
    if (ID3genre->currentIndex() != genre) {
        m_session.SetGenre(-1, disc.Genre);
    }
}

void TfrmMain::SelectGenre(int position) {
    const int shown = position >= 0 && position < ID3genre->count() ? position : -1;
    ID3genre->setCurrentIndex(shown);
    m_session.SetGenre(shown, ID3genre->itemText(shown).toStdString());
}

void TfrmMain::SetTrackTitle(int row, const QString& title) {
    if (QTreeWidgetItem* item = ListView1->topLevelItem(row)) {
        item->setText(kColumnTitle, title);
    }
}

void TfrmMain::ShowOutputSettings() {
    const int format = OptionsSetting.CommonOptions.OutputFormat;
    cbOutputFormat->setCurrentIndex(format >= 0 && format < cbOutputFormat->count() ? format : -1);
    eOutputDir->setText(QString::fromStdString(OptionsSetting.CommonOptions.OutputFolder));
}

void TfrmMain::UpdateActions() {
    const bool hasSelection = SelectedRow() >= 0;
    aRip->setEnabled(AnyTrackTicked());
    const bool hasTracks = ListView1->topLevelItemCount() > 0;
    aQueryCDDB->setEnabled(hasTracks);
    aQueryMusicBrainz->setEnabled(hasTracks);
    aCDTextTitles->setEnabled(hasTracks);
    aFindReadOffset->setEnabled(hasTracks);
    aEditTrackName->setEnabled(hasSelection);
    aPlay->setEnabled(hasSelection);
    aPause->setEnabled(m_isPlaying && !m_isPaused);
    aStop->setEnabled(m_isPlaying);
    for (const auto& [button, action] : m_toolBarMirrors) {
        button->setEnabled(action->isEnabled());
    }
}

int TfrmMain::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? -1 : ListView1->indexOfTopLevelItem(selected.front());
}

bool TfrmMain::AnyTrackTicked() const {
    const std::vector<TrackInfo>& tracks = m_session.Disc().Tracks;
    return std::any_of(tracks.begin(), tracks.end(),
                       [](const TrackInfo& track) { return track.Ticked; });
}

void TfrmMain::SetAllTicks(bool ticked) {
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        ListView1->topLevelItem(row)->setCheckState(kColumnNumber,
                                                    ticked ? Qt::Checked : Qt::Unchecked);
    }
}

void TfrmMain::SelectAllTracks() {
    SetAllTicks(true);
}

void TfrmMain::SelectNoTrack() {
    SetAllTicks(false);
}

void TfrmMain::InvertTicks() {
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        FlipTick(ListView1->topLevelItem(row));
    }
}

void TfrmMain::FlipTick(QTreeWidgetItem* item) {
    item->setCheckState(kColumnNumber, item->checkState(kColumnNumber) == Qt::Checked
                                           ? Qt::Unchecked
                                           : Qt::Checked);
}

void TfrmMain::OnTrackClicked(QTreeWidgetItem* item) {
    if ((QApplication::keyboardModifiers() & Qt::ControlModifier) != 0) {
        FlipTick(item);
    }
}

void TfrmMain::ShowListMenu(const QPoint& position) {
    UpdateActions();
    m_listMenu->popup(ListView1->viewport()->mapToGlobal(position));
}

void TfrmMain::EmptyTrackList() {
    ListView1->clear();
    m_session.ForgetTracks();
}

void TfrmMain::AddTrackRow(const TTrackRow& row, const TrackInfo& track) {
    auto* item = new QTreeWidgetItem(
        ListView1, {QString::fromStdString(row.caption), QString::fromStdString(track.Title),
                    QString::fromStdString(row.start), QString::fromStdString(row.length)});
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(kColumnNumber, track.Ticked ? Qt::Checked : Qt::Unchecked);
    item->setTextAlignment(kColumnStart, Qt::AlignCenter);
    item->setTextAlignment(kColumnLength, Qt::AlignCenter);
}

std::vector<std::string> TfrmMain::TickedRipItems() const {
    std::vector<std::string> items;
    const std::vector<TrackInfo>& tracks = m_session.Disc().Tracks;
    for (std::size_t row = 0; row < tracks.size(); ++row) {
        if (tracks[row].Ticked) {
            items.push_back(TwoDigits(static_cast<int>(row) + 1) + tracks[row].Title);
        }
    }
    return items;
}

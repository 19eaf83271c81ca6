// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/hand_overs.h"
#include "base/message_target.h"
#include "cd/access/cd_access.h"
#include "cd/disc_session.h"
#include "cd/read_offset_finder.h"
#include "cddb/musicbrainz/musicbrainz_worker.h"
#include "settings/app_paths.h"
#include "settings/disc_cache.h"

class QAction;
class QComboBox;
class QDialog;
class QEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QStatusBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class UserPrompts;
struct TTrackRow;

// Posted by a second program start: show the window and bring it to the front.
inline constexpr int kShowMainWindowMessage = 2131;
// Posted by the read offset search's worker: word parameter the request
// number, payload its result.
inline constexpr std::uint32_t kReadOffsetMessage = 2134;

// The program's main window: the disc's track list with a tick per row, the
// five disc fields, output format and folder, and every command. It is the
// view of its DiscSession: the list and the fields show the session's disc,
// and every edit (typed, ticked, or made through the methods below) goes
// into the session. The session holds the CD handle (opened when the window
// is first shown, closed when it closes). The window loads and saves the
// settings record. GUI thread only.
//
// A disc that comes in without a cache record gets its CD-Text at once and
// is looked up on MusicBrainz in the background (settings permitting); such
// an automatic lookup applies only a single fitting release, never over what
// the user changed since the disc came in, and fails quietly into the status
// bar. The lookup, cover and read offset workers post their results to the
// window, which drops those of a disc no longer in the drive.
class TfrmMain final : public QMainWindow,
                       public DiscFieldsTarget,
                       public OptionsTarget,
                       public MessageTarget {
    Q_OBJECT

public:
    // prompts and the hand-over windows must outlive the window.
    TfrmMain(TAppPaths paths, UserPrompts& prompts, MainWindowHandOvers handOvers,
             QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Opens the drive at this position of the drive list into the session;
    // updates the status text. Returns the handle, 0 on failure.
    TCDHandle OpenCDDevice(int position);
    // Rebuilds the track list from the disc's table of contents and cache.
    void RefreshTrackList();
    // The disc key of the opened drive's disc; empty without an audio disc.
    [[nodiscard]] std::string GetDiscKey() const;
    [[nodiscard]] bool AnyTrackTicked() const;
    // True when OutputFolder exists; otherwise tells the user and is false.
    [[nodiscard]] bool CheckOutputFolder();

    // Media-change notifications of the drive.
    void MediaArrived();
    void MediaRemoved();

    // "Re&fresh CD", "&Eject CD-ROM", "&Close CD-ROM".
    void RefreshCD();
    void EjectCDROM();
    void CloseCDROM();
    // "Find read &offset...": searches the drive's read offset while a wait
    // dialog offers "Stop", then offers to store what it found for the
    // drive, or says why it found nothing.
    void FindDriveReadOffset();

    // Commands of the actions and buttons.
    void RipSelectedTracks();
    void QueryCDDB();
    // "Query &MusicBrainz...": looks the disc up while a wait dialog offers
    // "Stop"; one fitting release is applied, several are offered through
    // the release choice, a failure is shown with its reason. A choice the
    // automatic lookup left open for this disc is offered without a request.
    void QueryMusicBrainz();
    // "Titles from C&D-Text": the disc's own titles into the fields.
    void TitlesFromCDText();
    void EditTrackName();
    void OpenOptions();
    void Play();
    void Pause();
    void Stop();
    void BrowseOutputFolder();
    void JumpOutputFolder();
    void RunConverter(int tag);
    void ShowAbout();
    void OpenHelp();
    void OpenHomePage();
    void SelectAllTracks();
    void SelectNoTrack();
    void InvertTicks();
    void CloseWindow();
    // Message 2131: show the window, restored if minimised, in front.
    void ShowAndRaise();

    // The player's completion notice; successful = the play reached its end.
    void CdPlaybackCompleted(bool successful);

    // Recomputes every action's enabled state (also done whenever idle).
    void UpdateActions();

    [[nodiscard]] TCDHandle CDHandle() const { return m_session.Handle(); }
    [[nodiscard]] QString StatusText() const;
    [[nodiscard]] bool IsPlaying() const { return m_isPlaying; }
    [[nodiscard]] bool IsPaused() const { return m_isPaused; }

    // DiscFieldsTarget
    void ClearDiscFields() override;
    void ApplyDiscInfo(const DiscInfo& found) override;

    // Edits of the disc as if typed. A genre position outside the list
    // selects none; rows outside the list are ignored.
    void SetArtistText(const QString& text);
    void SetAlbumText(const QString& text);
    void SetYearText(const QString& text);
    void SelectGenre(int position);
    void SetTrackTitle(int row, const QString& title);

    // OptionsTarget
    void SwitchDrive(int position) override;
    void ShowOutputSettings() override;

    // MessageTarget: the workers' results, queued as events to the window.
    // Any thread.
    void Post(PostedMessage message) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    enum TrackColumn { kColumnNumber = 0, kColumnTitle = 1, kColumnStart = 2, kColumnLength = 3 };

    // What the user changed since the disc came in: an automatic lookup
    // leaves it alone.
    struct TUserEdits {
        bool artist = false;
        bool album = false;
        bool year = false;
        bool genre = false;
        bool comment = false;
        std::set<int> tracks;  // track numbers whose title was changed
    };

    void BuildActions();
    QAction* AddMenuEntry(QMenu* menu, const char* name, const QString& text,
                          void (TfrmMain::*command)());
    void BuildMenus();
    void BuildToolBar();
    void BuildDiscFields(QWidget* client);
    void BuildTrackList(QWidget* client);
    void BuildOutputGroups(QWidget* client);
    // Places the controls for a client area of this size.
    void LayoutClientArea(QSize client);
    // The smallest client area at which every control keeps the room it
    // needs; lays the controls out for it on the way.
    [[nodiscard]] QSize MinimumClientSize();

    void FirstShown();
    // A disc was read into the session (start, arrival, refresh, drive
    // switch): forgets the former disc's lookups and edits; a disc the cache
    // does not know gets its CD-Text and an automatic lookup.
    void DiscCameIn();
    // Ends the lookup, cover and read offset workers; their late results are
    // dropped.
    void AbandonLookups();
    // The disc's CD-Text applied; false when it carries none.
    bool ApplyCDText();
    void StartLookup(bool asked);
    // Runs an asked lookup under the wait dialog; nothing when stopped.
    std::optional<TMbLookupResult> RunAskedLookup();
    bool HandleWorkerEvent(QEvent* event);
    void AutomaticLookupDone(TMbLookupResult result);
    void AskedLookupDone(const TMbLookupResult& result);
    void CoverFetched(const TCoverArtResult& result);
    void ReadOffsetSearchDone(PostedMessage& message);
    void ShowReadOffsetSearch(const TReadOffsetSearch& search);
    // The candidate's disc into the session; without the user's edits when
    // keepEdits. Fetches the release's cover when wanted.
    void ApplyRelease(const TMbLookupResult& result, const TMbCandidate& candidate, bool keepEdits);
    void SaveAndClose();
    void SetStatusText(const QString& text);
    void PollMediaChange();
    void EmptyTrackList();
    void AddTrackRow(const TTrackRow& row, const TrackInfo& track);
    // Shows the session's disc fields; puts a genre the list cannot show
    // back into the session as none, as the user sees it.
    void ShowDiscFields();
    void ConnectDiscEdits();
    void TrackChanged(QTreeWidgetItem* item);
    void OnTrackClicked(QTreeWidgetItem* item);
    void FlipTick(QTreeWidgetItem* item);
    void ShowListMenu(const QPoint& position);
    void SetAllTicks(bool ticked);
    [[nodiscard]] std::vector<std::string> TickedRipItems() const;
    [[nodiscard]] bool EnsureOutputFolderExists();
    [[nodiscard]] int SelectedRow() const;

    TAppPaths m_paths;
    UserPrompts& m_prompts;
    MainWindowHandOvers m_handOvers;

    DiscSession m_session;
    // Set while the window shows the session: the widgets' change signals
    // then carry nothing new into it.
    bool m_showingDisc = false;
    QString m_savedStatusText;
    bool m_isPlaying = false;
    bool m_isPaused = false;
    bool m_noAudioCDAtStart = false;
    bool m_firstShowDone = false;
    bool m_closed = false;

    TUserEdits m_userEdits;
    // Numbers the workers' requests, so a result of an abandoned one is
    // recognised and dropped.
    std::int64_t m_lastRequest = 0;
    std::unique_ptr<TMbWorker> m_lookup;
    std::unique_ptr<TMbWorker> m_coverFetch;
    std::unique_ptr<TMbWorker> m_offsetSearch;
    bool m_lookupAsked = false;
    int m_firstAudioTrack = 1;  // of the disc looked up
    // While an asked lookup waits: its dialog, and the result once it came.
    QDialog* m_waitDialog = nullptr;
    std::optional<TMbLookupResult> m_askedResult;
    std::optional<TReadOffsetSearch> m_offsetResult;
    // Several releases the automatic lookup found for the disc in the drive.
    std::optional<TMbLookupResult> m_offeredChoice;

    // Re-evaluates the actions once the event queue has drained.
    QTimer* m_idleTimer = nullptr;
    // Polls the opened drive for media changes every 2 s.
    QTimer* m_mediaTimer = nullptr;

    QWidget* m_client = nullptr;
    QGroupBox* gbID3 = nullptr;
    QLabel* lArtist = nullptr;
    QLabel* lAlbum = nullptr;
    QLabel* lYear = nullptr;
    QLabel* lGenre = nullptr;
    QLabel* lComment = nullptr;
    QLineEdit* ID3artist = nullptr;
    QLineEdit* ID3album = nullptr;
    QLineEdit* ID3year = nullptr;
    QComboBox* ID3genre = nullptr;
    QLineEdit* ID3comment = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QGroupBox* gbOutputFormat = nullptr;
    QComboBox* cbOutputFormat = nullptr;
    QGroupBox* gbOutputFolder = nullptr;
    QLabel* lOutputFolder = nullptr;
    QLineEdit* eOutputDir = nullptr;
    QToolButton* bBrowser = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* m_statusPanel = nullptr;
    QMenu* m_listMenu = nullptr;

    QAction* aRip = nullptr;
    QAction* aQueryCDDB = nullptr;
    QAction* aQueryMusicBrainz = nullptr;
    QAction* aCDTextTitles = nullptr;
    QAction* aFindReadOffset = nullptr;
    QAction* aSelectAll = nullptr;
    QAction* aSelectNone = nullptr;
    QAction* aInvertSelection = nullptr;
    QAction* aEditTrackName = nullptr;
    QAction* aOptions = nullptr;
    QAction* aPlay = nullptr;
    QAction* aPause = nullptr;
    QAction* aStop = nullptr;
    QAction* aHelp = nullptr;
    QAction* aHomepage = nullptr;
    // Toolbar buttons with their own captions that follow an action's state.
    std::vector<std::pair<QAction*, QAction*>> m_toolBarMirrors;
};

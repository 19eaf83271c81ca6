// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's titles from elsewhere: the disc's CD-Text, and
// MusicBrainz lookups, automatic when a new disc comes in or asked for.
#include <QCoreApplication>
#include <QEvent>

#include "app/lookup_wait_dialog.h"
#include "app/main_window.h"
#include "app/user_prompts.h"
#include "cd/cd_text_disc.h"
#include "cd/musicbrainz_disc_toc.h"
#include "settings/options_setting.h"

namespace {

const QString kNoFittingRelease =
    QStringLiteral("MusicBrainz knows this disc, but none of its releases fits it.");

// A worker's message queued to the window as an event of its number.
class WorkerMessageEvent final : public QEvent {
public:
    explicit WorkerMessageEvent(PostedMessage message)
        : QEvent(static_cast<QEvent::Type>(message.Number)), m_message(std::move(message)) {}
    [[nodiscard]] PostedMessage& Message() { return m_message; }

private:
    PostedMessage m_message;
};

// The number of the disc's first audio track, which medium position 1 is.
int FirstAudioTrack(const TMbDiscToc& toc) {
    for (std::size_t k = 0; k < toc.tracks.size(); ++k) {
        if (!toc.tracks[k].data) {
            return toc.firstTrack + static_cast<int>(k);
        }
    }
    return toc.firstTrack;
}

TMbLookupOptions LookupOptions() {
    TMbLookupOptions options;
    options.server = OptionsSetting.Metadata.MusicBrainzServer;
    return options;
}

}  // namespace

void TfrmMain::Post(PostedMessage message) {
    QCoreApplication::postEvent(this, new WorkerMessageEvent(std::move(message)));
}

void TfrmMain::DiscCameIn() {
    AbandonLookups();
    m_userEdits = {};
    m_offeredChoice.reset();
    if (m_session.Disc().Tracks.empty() || m_session.DiscWasCached()) {
        return;
    }
    if (OptionsSetting.Metadata.UseCDText) {
        (void)ApplyCDText();
    }
    if (OptionsSetting.Metadata.AutoLookup) {
        StartLookup(false);
    }
}

void TfrmMain::AbandonLookups() {
    m_lookup.reset();
    m_coverFetch.reset();
    m_offsetSearch.reset();
    if (m_waitDialog != nullptr) {
        m_waitDialog->reject();
    }
}

bool TfrmMain::ApplyCDText() {
    TCDText text;
    if (CDHandle() == 0 || ReadCDText(CDHandle(), &text) != 1 || text.Empty()) {
        return false;
    }
    ApplyDiscInfo(DiscInfoFromCDText(text));
    return true;
}

void TfrmMain::TitlesFromCDText() {
    if (!ApplyCDText()) {
        m_prompts.Information(QStringLiteral("This disc carries no CD-Text."));
    }
}

void TfrmMain::StartLookup(bool asked) {
    m_lookup.reset();
    const std::optional<TMbDiscToc> toc = ReadMusicBrainzToc(CDHandle());
    if (!toc) {
        return;
    }
    m_lookupAsked = asked;
    m_firstAudioTrack = FirstAudioTrack(*toc);
    m_lookup = StartMusicBrainzLookup(*this, ++m_lastRequest, LookupOptions(), *toc);
}

bool TfrmMain::HandleWorkerEvent(QEvent* event) {
    const auto type = static_cast<std::uint32_t>(event->type());
    if (type != kMbLookupMessage && type != kCoverArtMessage && type != kReadOffsetMessage) {
        return false;
    }
    PostedMessage& message = static_cast<WorkerMessageEvent*>(event)->Message();
    if (type == kReadOffsetMessage) {
        ReadOffsetSearchDone(message);
        return true;
    }
    if (type == kCoverArtMessage) {
        const auto* cover = dynamic_cast<const TCoverArtDone*>(message.Payload.get());
        if (cover != nullptr && m_coverFetch && message.WParam == m_coverFetch->Request()) {
            m_coverFetch.reset();
            CoverFetched(cover->Result);
        }
        return true;
    }
    auto* done = dynamic_cast<TMbLookupDone*>(message.Payload.get());
    // A result of an abandoned request belongs to a disc no longer shown.
    if (done == nullptr || !m_lookup || message.WParam != m_lookup->Request()) {
        return true;
    }
    m_lookup.reset();
    if (m_lookupAsked) {
        m_askedResult = std::move(done->Result);
        if (m_waitDialog != nullptr) {
            m_waitDialog->accept();
        }
    } else {
        AutomaticLookupDone(std::move(done->Result));
    }
    return true;
}

void TfrmMain::AutomaticLookupDone(TMbLookupResult result) {
    if (result.failure != TMbLookupFailure::None) {
        SetStatusText(QStringLiteral("MusicBrainz: ") + QString::fromStdString(result.reason));
    } else if (result.candidates.empty()) {
        SetStatusText(kNoFittingRelease);
    } else if (result.candidates.size() == 1) {
        ApplyRelease(result, result.candidates.front(), true);
    } else {
        SetStatusText(QStringLiteral("MusicBrainz knows %1 releases of this disc: choose one "
                                     "with Query MusicBrainz.")
                          .arg(result.candidates.size()));
        m_offeredChoice = std::move(result);
    }
}

std::optional<TMbLookupResult> TfrmMain::RunAskedLookup() {
    m_askedResult.reset();
    StartLookup(true);
    if (!m_lookup) {
        m_prompts.Error(QStringLiteral("Error while reading TOC information!"));
        return std::nullopt;
    }
    TfrmLookupWait wait(this, QStringLiteral("Query MusicBrainz..."),
                        QStringLiteral("Looking up the disc on MusicBrainz..."));
    m_waitDialog = &wait;
    wait.exec();
    m_waitDialog = nullptr;
    // Stopped, or the disc went away meanwhile.
    m_lookup.reset();
    return std::exchange(m_askedResult, std::nullopt);
}

void TfrmMain::QueryMusicBrainz() {
    if (m_offeredChoice) {
        const TMbLookupResult offered = *m_offeredChoice;
        AskedLookupDone(offered);
        return;
    }
    if (const std::optional<TMbLookupResult> result = RunAskedLookup()) {
        AskedLookupDone(*result);
    }
}

void TfrmMain::AskedLookupDone(const TMbLookupResult& result) {
    if (result.failure != TMbLookupFailure::None) {
        m_prompts.Error(QString::fromStdString(result.reason));
        return;
    }
    if (result.candidates.empty()) {
        m_prompts.Error(kNoFittingRelease);
        return;
    }
    if (result.candidates.size() == 1) {
        ApplyRelease(result, result.candidates.front(), false);
        return;
    }
    if (m_handOvers.releaseChoice == nullptr) {
        return;
    }
    const std::optional<std::size_t> chosen =
        m_handOvers.releaseChoice->ChooseRelease(this, result.candidates);
    if (chosen && *chosen < result.candidates.size()) {
        ApplyRelease(result, result.candidates[*chosen], false);
    }
}

void TfrmMain::ApplyRelease(const TMbLookupResult& result, const TMbCandidate& candidate,
                            bool keepEdits) {
    DiscInfo found =
        MusicBrainzDiscInfo(result.answer, candidate, result.discId, m_firstAudioTrack);
    if (keepEdits) {
        for (auto [edited, value] : {std::pair{m_userEdits.artist, &found.Artist},
                                     {m_userEdits.album, &found.Album},
                                     {m_userEdits.year, &found.Year},
                                     {m_userEdits.comment, &found.Comment}}) {
            if (edited) {
                value->clear();
            }
        }
        if (m_userEdits.genre) {
            found.Genre.clear();
            found.GenrePosition = -1;
        }
        std::erase_if(found.Tracks, [this](const TrackInfo& track) {
            return m_userEdits.tracks.contains(track.Number);
        });
    }
    ApplyDiscInfo(found);
    m_offeredChoice.reset();
    m_coverFetch.reset();
    const TMbRelease& release = result.answer.releases[candidate.release];
    if (OptionsSetting.Metadata.CoverArt && release.hasFrontCover) {
        m_coverFetch = StartCoverArtFetch(*this, ++m_lastRequest,
                                          OptionsSetting.Metadata.CoverArtServer, release.id);
    }
}

// A missing cover leaves the disc as it is: tags and files do without.
void TfrmMain::CoverFetched(const TCoverArtResult& result) {
    if (!result.reason.empty()) {
        SetStatusText(QStringLiteral("Cover art: ") + QString::fromStdString(result.reason));
        return;
    }
    DiscInfo cover;
    cover.Cover = result.jpeg;
    cover.CoverType = "image/jpeg";
    ApplyDiscInfo(cover);
}

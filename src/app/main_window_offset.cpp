// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's search for the drive's read offset correction: the
// search runs on a worker under a wait dialog, and what it found is offered
// for the drive's entry in the settings.
#include <cstdlib>

#include "app/lookup_wait_dialog.h"
#include "app/main_window.h"
#include "app/user_prompts.h"
#include "settings/options_setting.h"

namespace {

// Posted record of kReadOffsetMessage; belongs to the receiver.
struct TReadOffsetDone final : MessagePayload {
    explicit TReadOffsetDone(TReadOffsetSearch search) : Search(std::move(search)) {}
    TReadOffsetSearch Search;
};

QString Signed(std::int32_t samples) {
    return samples > 0 ? QStringLiteral("+%1").arg(samples) : QString::number(samples);
}

// Why a search that found nothing found nothing, in one sentence.
QString NothingFound(const TReadOffsetSearch& search) {
    const QString reason = QString::fromStdString(search.reason);
    switch (search.outcome) {
        case TReadOffsetOutcome::Image:
            return QStringLiteral("Disc images need no read offset.");
        case TReadOffsetOutcome::NoAudioDisc:
            return QStringLiteral("The drive holds no audio disc whose tracks can be read.");
        case TReadOffsetOutcome::LookupFailed:
            return QStringLiteral("AccurateRip could not be asked about this disc: %1.")
                .arg(reason);
        case TReadOffsetOutcome::DiscNotPresent:
            return QStringLiteral(
                "AccurateRip does not know this disc; try the search with another one.");
        case TReadOffsetOutcome::NoOffset:
            return QStringLiteral(
                "The disc's first tracks match AccurateRip at no common read offset; try the "
                "search with another disc.");
        case TReadOffsetOutcome::ReadFailed:
            return QStringLiteral("The drive could not read the disc: %1.").arg(reason);
        case TReadOffsetOutcome::Found:
        case TReadOffsetOutcome::Stopped:
            break;
    }
    return {};
}

}  // namespace

void TfrmMain::FindDriveReadOffset() {
    if (CDHandle() == 0) {
        return;
    }
    m_offsetResult.reset();
    m_offsetSearch = std::make_unique<TMbWorker>(
        *this, kReadOffsetMessage, ++m_lastRequest,
        [handle = CDHandle(), server = OptionsSetting.Verify.AccurateRipServer](
            std::stop_token stop) -> std::unique_ptr<MessagePayload> {
            return std::make_unique<TReadOffsetDone>(FindReadOffset(handle, server, stop));
        });
    TfrmLookupWait wait(this, QStringLiteral("Find Read Offset"),
                        QStringLiteral("Reading the first tracks and comparing them with "
                                       "AccurateRip..."));
    m_waitDialog = &wait;
    wait.exec();
    m_waitDialog = nullptr;
    // Stopped, or the disc went away meanwhile.
    m_offsetSearch.reset();
    if (const std::optional<TReadOffsetSearch> search =
            std::exchange(m_offsetResult, std::nullopt)) {
        ShowReadOffsetSearch(*search);
    }
}

void TfrmMain::ReadOffsetSearchDone(PostedMessage& message) {
    auto* done = dynamic_cast<TReadOffsetDone*>(message.Payload.get());
    if (done == nullptr || !m_offsetSearch || message.WParam != m_offsetSearch->Request()) {
        return;
    }
    m_offsetSearch.reset();
    m_offsetResult = std::move(done->Search);
    if (m_waitDialog != nullptr) {
        m_waitDialog->accept();
    }
}

void TfrmMain::ShowReadOffsetSearch(const TReadOffsetSearch& search) {
    if (search.outcome == TReadOffsetOutcome::Stopped) {
        return;
    }
    if (search.outcome != TReadOffsetOutcome::Found) {
        m_prompts.Information(NothingFound(search));
        return;
    }
    const QString drive = QString::fromStdString(search.drive.Vendor + " - " + search.drive.Model);
    if (!m_prompts.Question(
            QStringLiteral("The drive %1 reads %2 samples off. Store read offset "
                           "%3 for it?")
                .arg(drive, QString::number(std::abs(search.offset)), Signed(search.offset)))) {
        return;
    }
    if (!OptionsSetting.DriveOffsets.SetReadOffset(search.drive.Vendor, search.drive.Model,
                                                   search.offset)) {
        m_prompts.Error(QStringLiteral("The drive %1 cannot be named in the settings.").arg(drive));
    }
}

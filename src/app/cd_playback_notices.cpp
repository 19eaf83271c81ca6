// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/cd_playback_notices.h"

#include <QCoreApplication>
#include <QEvent>

#include "app/main_window.h"
#include "cd/player/cd_player.h"

namespace {

const auto kNoticeEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class NoticeEvent final : public QEvent {
public:
    explicit NoticeEvent(std::int64_t result) : QEvent(kNoticeEvent), m_result(result) {}
    [[nodiscard]] std::int64_t Result() const { return m_result; }

private:
    std::int64_t m_result;
};

}  // namespace

void CdPlaybackNotices::SetWindow(TfrmMain* window) {
    m_window = window;
}

void CdPlaybackNotices::Post(PostedMessage message) {
    if (message.Number == WM_CDPLAYNOTIFY) {
        QCoreApplication::postEvent(this, new NoticeEvent(message.WParam));
    }
}

void CdPlaybackNotices::customEvent(QEvent* event) {
    if (event->type() == kNoticeEvent && m_window) {
        m_window->CdPlaybackCompleted(static_cast<NoticeEvent*>(event)->Result() == prSuccessful);
    }
}

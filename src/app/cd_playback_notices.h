// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>

#include "base/message_target.h"

class TfrmMain;

// Carries the CD player's completion notices (WM_CDPLAYNOTIFY, posted on its
// play thread) to the main window's CdPlaybackCompleted on the GUI thread.
// Notices arriving while no window is set are dropped.
//
// Threads: created and destroyed on the GUI thread; Post from any thread.
// It must outlive the player that posts to it.
class CdPlaybackNotices final : public QObject, public MessageTarget {
public:
    CdPlaybackNotices() = default;

    // GUI thread. The window may be destroyed first; notices then stop.
    void SetWindow(TfrmMain* window);
    void Post(PostedMessage message) override;

protected:
    void customEvent(QEvent* event) override;

private:
    QPointer<TfrmMain> m_window;
};

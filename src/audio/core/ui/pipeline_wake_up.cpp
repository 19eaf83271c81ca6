// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/core/ui/pipeline_wake_up.h"

#include <QCoreApplication>
#include <QMetaObject>

#include "audio/core/au_sync_queue.h"

void InstallPipelineWakeUp() {
    SyncQueue& queue = SyncQueue::Instance();
    queue.BindGuiThread();
    // The hook runs on worker threads: posting to the application object is
    // thread-safe and needs no object that a window might destroy.
    queue.SetWakeUpHook([] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { SyncQueue::Instance().RunPending(); },
            Qt::QueuedConnection);
    });
}

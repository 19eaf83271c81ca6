// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Makes the Qt event loop run the pipeline's blocking calls to the GUI
// thread: each call a worker queues posts a queued call to the application
// object, whose handling runs everything queued so far. Call once on the GUI
// thread after the QCoreApplication exists and before any output runs; the
// application must outlive every output.
void InstallPipelineWakeUp();

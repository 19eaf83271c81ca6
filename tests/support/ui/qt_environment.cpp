// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ui/qt_environment.h"

#include <utility>

#include "audio/core/ui/pipeline_wake_up.h"

QtEnvironment::QtEnvironment(std::string programName, Pipeline pipeline)
    : m_programName(std::move(programName)), m_pipeline(pipeline) {}

void QtEnvironment::SetUp() {
    // QApplication keeps argc and argv for its whole life.
    m_argv[0] = m_programName.data();
    m_application = std::make_unique<QApplication>(m_argc, m_argv);
    if (m_pipeline == Pipeline::RunsPipelineCalls) {
        InstallPipelineWakeUp();
    }
}

void QtEnvironment::TearDown() {
    m_application.reset();
}

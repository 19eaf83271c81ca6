// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>
#include <string>

// One QApplication for a whole window test program, made before the first
// test and destroyed after the last. With RunsPipelineCalls the pipeline's
// blocking calls to the GUI thread are run by the Qt event loop, as in the
// program. The offscreen platform is set by the test registration.
class QtEnvironment final : public ::testing::Environment {
public:
    enum class Pipeline { Unused, RunsPipelineCalls };

    QtEnvironment(std::string programName, Pipeline pipeline);

    void SetUp() override;
    void TearDown() override;

private:
    std::string m_programName;
    Pipeline m_pipeline;
    int m_argc = 1;
    char* m_argv[2] = {nullptr, nullptr};
    std::unique_ptr<QApplication> m_application;
};

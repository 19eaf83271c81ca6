// SPDX-License-Identifier: GPL-3.0-or-later
// Single instance, About box picture and the file-dialog filters.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>

#include "app/about_box.h"
#include "app/jpeg_image.h"
#include "app/single_instance.h"
#include "app_fixture.h"

TEST_F(MainWindowTest, SecondStartShowsTheRunningWindowAndEnds) {
    // A user name of this test's own keeps the socket apart from a real run.
    const QByteArray user = QByteArray("brisklark-test-") + QByteArray::number(getpid());
    qputenv("USER", user);
    StartWindow();
    SingleInstance instance(m_window.get());
    ASSERT_TRUE(instance.IsListening());
    m_window->hide();

    QProcess second;
    second.start(QStringLiteral(BRISKLARK_EXECUTABLE), {});
    ASSERT_TRUE(second.waitForStarted());
    // Keep the event loop running while the second start talks to us.
    QElapsedTimer waited;
    waited.start();
    while (second.state() != QProcess::NotRunning && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
        second.waitForFinished(50);
    }
    ASSERT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    while (!m_window->isVisible() && waited.elapsed() < 20000) {
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    EXPECT_TRUE(m_window->isVisible());
}

TEST_F(MainWindowTest, ShowMessageRestoresAMinimisedWindow) {
    StartWindow();
    m_window->showMinimized();
    QApplication::processEvents();
    QEvent show(static_cast<QEvent::Type>(kShowMainWindowMessage));
    QApplication::sendEvent(m_window.get(), &show);
    QApplication::processEvents();
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_FALSE(m_window->isMinimized());
}

TEST(JpegImage, DecodesAJpegAndRefusesOtherBytes) {
    QImage source(40, 30, QImage::Format_RGB888);
    source.fill(QColor(200, 40, 40));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    // Qt's own JPEG plugin may be missing; the test needs a real JPEG then.
    if (!source.save(&buffer, "JPG", 95)) {
        GTEST_SKIP() << "no JPEG writer plugin to make the fixture";
    }
    const QImage decoded = DecodeJpeg(jpeg);
    ASSERT_EQ(decoded.size(), QSize(40, 30));
    const QColor middle = decoded.pixelColor(20, 15);
    EXPECT_NEAR(middle.red(), 200, 6);
    EXPECT_NEAR(middle.green(), 40, 6);

    EXPECT_TRUE(DecodeJpeg(QByteArray("not a picture at all")).isNull());
    EXPECT_TRUE(DecodeJpeg(QByteArray()).isNull());
    EXPECT_TRUE(DecodeJpeg(jpeg.left(20)).isNull());
}

TEST_F(MainWindowTest, AboutBoxShowsThePictureNameAndVersion) {
    TfrmAbout about;
    const auto* picture = about.findChild<QLabel*>(QStringLiteral("imgPicture"));
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->pixmap().size(), QSize(128, 128));
    EXPECT_TRUE(
        about.findChild<QLabel*>(QStringLiteral("lVersion"))->text().startsWith("Version "));
}

TEST(UserPrompts, FilterPairsBecomeNameFilters) {
    EXPECT_EQ(NameFiltersFromPairs(QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*")),
              QStringList({"Sound file(*.wav)", "Any file(*.*)"}));
    EXPECT_EQ(NameFiltersFromPairs(QStringLiteral("Sound|*.wav|Sound(*.mp3)|*.wav")),
              QStringList({"Sound (*.wav)", "Sound(*.mp3) (*.wav)"}));
    EXPECT_TRUE(NameFiltersFromPairs(QStringLiteral("dangling")).isEmpty());
}

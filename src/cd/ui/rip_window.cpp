// SPDX-License-Identifier: GPL-3.0-or-later
#include "cd/ui/rip_window.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <utility>

#include "settings/encoders/output_formats.h"
#include "settings/settings_helpers.h"

namespace {

const QString kCaption = QStringLiteral("Brisklark");

// Both end-of-track pauses, in milliseconds.
constexpr int kEndOfTrackPauseMs = 300;

RipJobHooks WindowHooks() {
    RipJobHooks hooks;
    hooks.EndOfTrackPause = [] { BusyWait(kEndOfTrackPauseMs); };
    return hooks;
}

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, width, 17);
    return label;
}

}  // namespace

RipMessageEvent::RipMessageEvent(PostedMessage message)
    : QEvent(static_cast<QEvent::Type>(message.Number)), m_message(std::move(message)) {}

TfrmCDRip::TfrmCDRip(QWidget* owner, TCDHandle cdHandle, const std::vector<std::string>& tracks,
                     TOptionsSetting settings, const DiscInfo& disc, ErrorBox errorBox)
    : QDialog(owner),
      m_errorBox(std::move(errorBox)),
      m_job(cdHandle, tracks, settings, disc, *this, WindowHooks()) {
    BuildControls();
    if (owner != nullptr) {
        // Placed here at the fixed size: the placement at show time may
        // still go by the size the window had before.
        const QPoint centre = owner->frameGeometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    m_job.Start();
    setWindowTitle(kCaption);
    ProgressBar1->setTextVisible(true);
    lOutputFormat->setText(
        QString::fromStdString(OutputFormatName(settings.CommonOptions.OutputFormat)));
    lSelectedTracks->setText(QString::number(m_job.ItemCount()));
}

TfrmCDRip::~TfrmCDRip() = default;

void TfrmCDRip::BuildControls() {
    setFixedSize(kRipWindowWidth, kRipWindowHeight + kRipChecksHeight);
    constexpr int kLabelX = 24;
    constexpr int kValueX = 128;
    constexpr int kValueWidth = kRipWindowWidth - kValueX - 16;
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Current track:"), kLabelX, 16, 100);
    lCurrentTrack = MakeLabel(this, "lCurrentTrack", {}, kValueX, 16, kValueWidth);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Output format:"), kLabelX, 40, 100);
    lOutputFormat = MakeLabel(this, "lOutputFormat", {}, kValueX, 40, kValueWidth);
    Label3 = MakeLabel(this, "Label3", QStringLiteral("Selected tracks:"), kLabelX, 64, 100);
    lSelectedTracks = MakeLabel(this, "lSelectedTracks", {}, kValueX, 64, kValueWidth);
    Label4 = MakeLabel(this, "Label4", QStringLiteral("Completed:"), kLabelX, 88, 100);
    lCompleted = MakeLabel(this, "lCompleted", {}, kValueX, 88, kValueWidth);
    lProgressHint = MakeLabel(this, "lProgressHint", {}, kLabelX, 124, kRipWindowWidth - 48);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setGeometry(kLabelX, 148, kRipWindowWidth - 48, 22);

    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setGeometry((kRipWindowWidth - 75) / 2, 196, 75, 25);
    connect(bStop, &QPushButton::clicked, this, &TfrmCDRip::bStopClick);

    lChecks = MakeLabel(this, "lChecks", QStringLiteral("Checks:"), kLabelX, kRipWindowHeight, 100);
    lbChecks = new QListWidget(this);
    lbChecks->setObjectName(QStringLiteral("lbChecks"));
    lbChecks->setAccessibleName(lChecks->text());
    lChecks->setBuddy(lbChecks);
    lbChecks->setGeometry(kLabelX, kRipWindowHeight + 20, kRipWindowWidth - 48,
                          kRipChecksHeight - 36);
}

void TfrmCDRip::Post(PostedMessage message) {
    QCoreApplication::postEvent(this, new RipMessageEvent(std::move(message)));
}

bool TfrmCDRip::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_RIPERROR) ||
        event->type() == static_cast<QEvent::Type>(WM_RIPPROGRESS)) {
        // The event frees the posted record when it is destroyed.
        m_job.HandleMessage(static_cast<RipMessageEvent*>(event)->Message());
        return true;
    }
    return QDialog::event(event);
}

void TfrmCDRip::ShowTrack(const std::string& title, int completed) {
    lCurrentTrack->setText(QString::fromStdString(title));
    lCompleted->setText(QString::number(completed));
}

void TfrmCDRip::ShowHint(std::string_view hint) {
    lProgressHint->setText(FromView(hint));
}

void TfrmCDRip::ShowProgressText(std::string_view text) {
    ProgressBar1->setFormat(FromView(text));
}

void TfrmCDRip::ShowProgress(int percent) {
    ProgressBar1->setValue(percent);
}

void TfrmCDRip::ShowError(const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (m_errorBox) {
        m_errorBox(shown);
    } else {
        QMessageBox::critical(this, kCaption, shown);
    }
}

void TfrmCDRip::ShowTrackCheck(const std::string& line) {
    lbChecks->addItem(QString::fromStdString(line));
    lbChecks->scrollToBottom();
}

void TfrmCDRip::ShowCheckSummary(const std::string& line) {
    m_checkSummary = line;
    lbChecks->addItem(QString::fromStdString(line));
    lbChecks->scrollToBottom();
}

void TfrmCDRip::CloseView() {
    close();
}

void TfrmCDRip::bStopClick() {
    m_job.StopRip();
    close();
}

void TfrmCDRip::done(int result) {
    m_job.Close();
    QDialog::done(result);
}

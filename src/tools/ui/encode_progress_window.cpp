// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ui/encode_progress_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>

#include <vector>

namespace {

const QString kCaption = QStringLiteral("Brisklark");
const QString kEncoding = QStringLiteral("Encoding...");

// WM_NEXTFILE as a Qt event whose type is the message number.
class NextFileEvent final : public QEvent {
public:
    explicit NextFileEvent(int word) : QEvent(static_cast<QEvent::Type>(WM_NEXTFILE)), Word(word) {}
    const int Word;
};

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, y, width, 17);
    return label;
}

// A caption label and the value label it names.
QLabel* Row(QWidget* parent, const char* captionName, const QString& caption, const char* name,
            int y) {
    constexpr int kLabelX = 24;
    constexpr int kValueX = 150;
    QLabel* label = MakeLabel(parent, captionName, caption, kLabelX, y, kValueX - kLabelX - 4);
    QLabel* value = MakeLabel(parent, name, {}, kValueX, y, kEncodeProgressWidth - kValueX - 16);
    value->setAccessibleName(caption);
    label->setBuddy(value);
    return value;
}

std::vector<std::string> ToUtf8(const QStringList& files) {
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(files.size()));
    for (const QString& file : files) {
        paths.push_back(file.toUtf8().toStdString());
    }
    return paths;
}

}  // namespace

TfrmEncodeProgress::TfrmEncodeProgress(QWidget* owner, const QStringList& files, int kind,
                                       const TOptionsSetting& settings, const DiscInfo& disc,
                                       Question question, ErrorBox errorBox)
    : QDialog(owner), m_question(std::move(question)), m_errorBox(std::move(errorBox)) {
    BuildControls(QString::fromStdString(settings.CommonOptions.OutputFolder), files.size());
    if (owner != nullptr) {
        const QPoint centre = owner->frameGeometry().center();
        move(centre.x() - width() / 2, centre.y() - height() / 2);
    }
    m_batch = std::make_unique<FileConverterBatch>(
        kind, ToUtf8(files), settings, TagsFromDisc(disc), static_cast<FileConverterView&>(*this));
}

TfrmEncodeProgress::~TfrmEncodeProgress() = default;

void TfrmEncodeProgress::BuildControls(const QString& outputFolder, qsizetype fileCount) {
    setObjectName(QStringLiteral("frmEncodeProgress"));
    setWindowTitle(kCaption);
    setFixedSize(kEncodeProgressWidth, kEncodeProgressHeight);
    lInputFileName =
        Row(this, "Label1", QStringLiteral("Current Input File:"), "lInputFileName", 16);
    lOutputFileName =
        Row(this, "Label2", QStringLiteral("Current Output File:"), "lOutputFileName", 40);
    lSelectedTracks = Row(this, "Label3", QStringLiteral("Selected files:"), "lSelectedTracks", 64);
    lCompleted = Row(this, "Label4", QStringLiteral("Completed:"), "lCompleted", 88);
    lOutputFolder = Row(this, "Label5", QStringLiteral("Output Folder:"), "lOutputFolder", 112);
    lSelectedTracks->setText(QString::number(fileCount));
    lOutputFolder->setText(outputFolder);
    lProgressHint = MakeLabel(this, "lProgressHint", kEncoding, 24, 144, kEncodeProgressWidth - 48);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(kEncoding);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
    ProgressBar1->setFormat(kEncoding);
    ProgressBar1->setAlignment(Qt::AlignCenter);
    ProgressBar1->setGeometry(24, 168, kEncodeProgressWidth - 48, 22);

    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setGeometry((kEncodeProgressWidth - 75) / 2, 208, 75, 25);
    connect(bStop, &QPushButton::clicked, this, &TfrmEncodeProgress::bStopClick);
}

bool TfrmEncodeProgress::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WM_NEXTFILE)) {
        m_batch->NextFile(static_cast<NextFileEvent*>(event)->Word);
        return true;
    }
    return QDialog::event(event);
}

void TfrmEncodeProgress::PostNextFile(int word) {
    QCoreApplication::postEvent(this, new NextFileEvent(word));
}

void TfrmEncodeProgress::ShowInputFile(const std::string& name, int completed) {
    lInputFileName->setText(QString::fromStdString(name));
    ProgressBar1->setFormat(lProgressHint->text());
    lCompleted->setText(QString::number(completed));
}

void TfrmEncodeProgress::ShowOutputFile(const std::string& name) {
    lOutputFileName->setText(QString::fromStdString(name));
}

void TfrmEncodeProgress::ShowProgress(int percent) {
    ProgressBar1->setValue(percent);
}

bool TfrmEncodeProgress::AskOverwrite(const std::string& outputPath) {
    const QString text =
        QString::fromStdString(outputPath) + QStringLiteral(" has existed, overite it?");
    if (m_question) {
        return m_question(text);
    }
    QWidget* owner = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : this;
    return QMessageBox::information(owner, kCaption, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

void TfrmEncodeProgress::ReportFailure(const std::string& inputName, const std::string& reason) {
    m_failures.push_back(QString::fromStdString(inputName) + QStringLiteral(": ") +
                         QString::fromStdString(reason));
}

void TfrmEncodeProgress::CloseWindow() {
    close();
}

void TfrmEncodeProgress::bStopClick() {
    close();
}

void TfrmEncodeProgress::done(int result) {
    if (!m_closed) {
        m_closed = true;
        m_batch->FormClose();
        ReportFailures();
    }
    QDialog::done(result);
}

void TfrmEncodeProgress::ReportFailures() {
    if (m_failures.empty()) {
        return;
    }
    const QString text = QStringLiteral("These files could not be converted:\n") +
                         m_failures.join(QLatin1Char('\n'));
    m_failures.clear();
    if (m_errorBox) {
        m_errorBox(text);
    } else {
        QMessageBox::critical(this, kCaption, text);
    }
}

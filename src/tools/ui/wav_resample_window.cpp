// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/ui/wav_resample_window.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <exception>
#include <utility>

namespace {

const QString kIdleCaption = QStringLiteral("Wave Converter");

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// One row of a group: a caption label at the left and its control beside.
QLabel* Caption(QWidget* parent, const char* name, const QString& text, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(8, y, 92, 21);
    return label;
}

template <class Control>
Control* Beside(QLabel* caption, Control* control, const char* name, int y) {
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(104, y, 105, 21);
    control->setAccessibleName(caption->text());
    caption->setBuddy(control);
    return control;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, int x) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, 160, 105, 25);
    return button;
}

}  // namespace

TfrmWavResample::TfrmWavResample(QWidget* owner, ResampleToolPrompts* prompts,
                                 WavResampleChain::WmaFactory makeWmaOutput)
    : QDialog(owner), m_prompts(prompts), m_chain(std::move(makeWmaOutput)) {
    if (m_prompts == nullptr) {
        m_ownPrompts = std::make_unique<QtResampleToolPrompts>(this);
        m_prompts = m_ownPrompts.get();
    }
    BuildControls();
    m_chain.OnProgress = [this](int progress) { ProgressBar1->setValue(progress); };
    m_chain.OnDone = [this](const std::string& message) { ConversionDone(message); };
}

TfrmWavResample::~TfrmWavResample() = default;

void TfrmWavResample::BuildControls() {
    setObjectName(QStringLiteral("frmWavResample"));
    setWindowTitle(kIdleCaption);
    setFixedSize(kWavResampleWidth, kWavResampleHeight);

    GroupBox1 = new QGroupBox(QStringLiteral("Input File Parameters"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 4, 217, 150);
    Label5 = Beside(Caption(GroupBox1, "Label1", QStringLiteral("File Name"), 20),
                    new QLabel(GroupBox1), "Label5", 20);
    Label6 = Beside(Caption(GroupBox1, "Label2", QStringLiteral("Channels:"), 46),
                    new QLabel(GroupBox1), "Label6", 46);
    Label7 = Beside(Caption(GroupBox1, "Label3", QStringLiteral("Sample Rate:"), 72),
                    new QLabel(GroupBox1), "Label7", 72);
    Label8 = Beside(Caption(GroupBox1, "Label4", QStringLiteral("Bits Per Sample:"), 98),
                    new QLabel(GroupBox1), "Label8", 98);
    Label15 = Beside(Caption(GroupBox1, "Label14", QStringLiteral("Encoding"), 124),
                     new QLabel(GroupBox1), "Label15", 124);

    GroupBox2 = new QGroupBox(QStringLiteral(" Output File Parameters "), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(233, 4, 217, 150);
    Label10 = Beside(Caption(GroupBox2, "Label9", QStringLiteral("File Name"), 20),
                     new QLabel(GroupBox2), "Label10", 20);
    Edit1 = Beside(Caption(GroupBox2, "Label11", QStringLiteral("Sample Rate:"), 46),
                   new QLineEdit(QStringLiteral("22050"), GroupBox2), "Edit1", 46);
    SpinEdit1 = Beside(Caption(GroupBox2, "Label12", QStringLiteral("Channels:"), 72),
                       new QSpinBox(GroupBox2), "SpinEdit1", 72);
    SpinEdit1->setRange(1, 2);
    SpinEdit1->setValue(1);
    SpinEdit3 = Beside(Caption(GroupBox2, "Label13", QStringLiteral("Bits Per Sample:"), 98),
                       new QSpinBox(GroupBox2), "SpinEdit3", 98);
    SpinEdit3->setRange(8, 24);
    SpinEdit3->setSingleStep(8);
    SpinEdit3->setValue(8);
    ComboBox1 = Beside(Caption(GroupBox2, "Label16", QStringLiteral("Encoding"), 124),
                       new QComboBox(GroupBox2), "ComboBox1", 124);
    ComboBox1->addItems({QStringLiteral("RAW PCM"), QStringLiteral("DVI IMA ADPCM")});
    ComboBox1->setCurrentIndex(0);

    Button1 = Button(this, "Button1", QStringLiteral("Input File..."), 8);
    Button2 = Button(this, "Button2", QStringLiteral("Output File..."), 120);
    Button3 = Button(this, "Button3", QStringLiteral("Start Convert"), 233);
    Button4 = Button(this, "Button4", QStringLiteral("Close"), 345);
    // Enter must not press a button by default: "Close" does not close.
    for (QPushButton* button : {Button1, Button2, Button3, Button4}) {
        button->setAutoDefault(false);
    }
    connect(Button1, &QPushButton::clicked, this, &TfrmWavResample::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TfrmWavResample::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TfrmWavResample::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TfrmWavResample::Button4Click);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 196, 442, 22);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(true);
}

void TfrmWavResample::Button1Click() {
    const QString path = m_prompts->ChooseInputFile();
    if (path.isEmpty()) {
        return;
    }
    std::optional<WavInputInfo> info;
    try {
        info = m_chain.ChooseInput(ToUtf8(path));
    } catch (const std::exception& error) {
        // Unreadable, or gone since it was chosen: the tool carries on.
        m_prompts->Error(QString::fromUtf8(error.what()));
        return;
    }
    if (!info) {
        return;
    }
    Label5->setText(QString::fromStdString(info->FileName));
    Label6->setText(QString::number(info->Channels));
    Label7->setText(QString::number(info->SampleRate));
    Label8->setText(QString::number(info->BitsPerSample));
    Label15->setText(QString::fromStdString(info->Encoding));
}

void TfrmWavResample::Button2Click() {
    const QString path = m_prompts->ChooseOutputFile();
    if (path.isEmpty()) {
        return;
    }
    Label10->setText(QString::fromStdString(m_chain.ChooseOutput(ToUtf8(path))));
}

void TfrmWavResample::Button3Click() {
    ResampleSettings settings;
    settings.Channels = SpinEdit1->value();
    settings.SampleRateText = ToUtf8(Edit1->text());
    settings.BitsPerSample = SpinEdit3->value();
    settings.Encoding = ComboBox1->currentIndex() == 1 ? wtDVIADPCM : wtPCM;
    try {
        if (!m_chain.Start(settings)) {
            return;
        }
    } catch (const std::exception& error) {
        m_prompts->Error(QString::fromUtf8(error.what()));
        return;
    }
    SetRunning(true);
    setWindowTitle(QStringLiteral("Converting..."));
}

void TfrmWavResample::Button4Click() {
    m_chain.Stop(true);
}

// While a conversion runs its input and output stay as they are: the worker
// reads the input's stream, and a failed run removes the output by its name.
void TfrmWavResample::SetRunning(bool running) {
    for (QPushButton* button : {Button1, Button2, Button3}) {
        button->setEnabled(!running);
    }
}

void TfrmWavResample::ConversionDone(const std::string& exceptionMessage) {
    SetRunning(false);
    setWindowTitle(exceptionMessage.empty() ? QStringLiteral("Success!")
                                            : QString::fromStdString(exceptionMessage));
}

void TfrmWavResample::done(int result) {
    m_chain.Stop(false);
    QDialog::done(result);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/ui/query_cddb_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "cddb/ui/stop_query_dialog.h"

namespace {

// A label that names its field, for the keyboard and for screen readers.
void AddLabelledRow(QFormLayout* form, const QString& caption, QWidget* field) {
    auto* label = new QLabel(caption);
    label->setBuddy(field);
    field->setAccessibleName(caption);
    form->addRow(label, field);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

TfrmQueryCDDB::TfrmQueryCDDB(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                             TCDHandle cdHandle, TQueryCDDB& connection, DiscFieldsTarget& target,
                             std::string userEmail)
    : QDialog(owner),
      m_firstTrack(firstTrack),
      m_lastTrack(lastTrack),
      m_cdHandle(cdHandle),
      m_connection(connection),
      m_target(target),
      m_userEmail(std::move(userEmail)) {
    setWindowTitle(QStringLiteral("Query CDDB"));
    BuildControls();
    ShowConnection();
}

void TfrmQueryCDDB::BuildControls() {
    cbServer = new QComboBox;
    cbServer->setObjectName(QStringLiteral("cbServer"));
    cbServer->setEditable(true);
    for (const char* server : kCddbServers) {
        cbServer->addItem(QString::fromLatin1(server));
    }
    eScript = new QLineEdit;
    eScript->setObjectName(QStringLiteral("eScript"));
    auto* serverGroup = new QGroupBox(QStringLiteral("Server"));
    auto* serverForm = new QFormLayout(serverGroup);
    AddLabelledRow(serverForm, QStringLiteral("Freedb Server:"), cbServer);
    AddLabelledRow(serverForm, QStringLiteral("Query Script:"), eScript);

    cbProxy = new QCheckBox(QStringLiteral("Use a proxy server"));
    cbProxy->setObjectName(QStringLiteral("cbProxy"));
    eAddress = new QLineEdit;
    eAddress->setObjectName(QStringLiteral("eAddress"));
    ePort = new QLineEdit;
    ePort->setObjectName(QStringLiteral("ePort"));
    auto* proxyGroup = new QGroupBox(QStringLiteral("Proxy server"));
    auto* proxyForm = new QFormLayout(proxyGroup);
    proxyForm->addRow(cbProxy);
    AddLabelledRow(proxyForm, QStringLiteral("Address:"), eAddress);
    AddLabelledRow(proxyForm, QStringLiteral("Port:"), ePort);
    connect(cbProxy, &QCheckBox::toggled, eAddress, &QWidget::setEnabled);
    connect(cbProxy, &QCheckBox::toggled, ePort, &QWidget::setEnabled);

    bQuery = MakeButton(this, "bQuery", QStringLiteral("Query"));
    bQuery->setDefault(true);
    bClose = MakeButton(this, "bClose", QStringLiteral("Close"));
    bDefault = MakeButton(this, "bDefault", QStringLiteral("Default"));
    connect(bQuery, &QPushButton::clicked, this, &TfrmQueryCDDB::bQueryClick);
    connect(bClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(bDefault, &QPushButton::clicked, this, &TfrmQueryCDDB::bDefaultClick);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bQuery);
    buttons->addWidget(bClose);
    buttons->addWidget(bDefault);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(serverGroup);
    layout->addWidget(proxyGroup);
    layout->addLayout(buttons);
}

void TfrmQueryCDDB::ShowConnection() {
    const int stored = cbServer->findText(QString::fromStdString(m_connection.Server),
                                          Qt::MatchExactly | Qt::MatchCaseSensitive);
    cbServer->setCurrentIndex(stored >= 0 ? stored : 0);
    eScript->setText(QString::fromStdString(m_connection.Script));
    cbProxy->setChecked(m_connection.UseProxy);
    eAddress->setText(QString::fromStdString(m_connection.ProxyAddress));
    ePort->setText(QString::fromStdString(m_connection.Port));
    eAddress->setEnabled(m_connection.UseProxy);
    ePort->setEnabled(m_connection.UseProxy);
}

void TfrmQueryCDDB::StoreConnection() {
    m_connection.Server = cbServer->currentText().trimmed().toStdString();
    m_connection.Script = eScript->text().toStdString();
    m_connection.UseProxy = cbProxy->isChecked();
    m_connection.ProxyAddress = eAddress->text().toStdString();
    m_connection.Port = ePort->text().toStdString();
}

void TfrmQueryCDDB::bDefaultClick() {
    cbServer->setCurrentIndex(0);
    eScript->setText(QString::fromLatin1(kDefaultCDDBScript));
    cbProxy->setChecked(false);
}

void TfrmQueryCDDB::bQueryClick() {
    StoreConnection();
    TfrmStopQuery wait(this, m_firstTrack, m_lastTrack, m_cdHandle, m_connection, m_userEmail,
                       m_target);
    if (wait.exec() != QDialog::Accepted) {
        return;
    }
    accept();
    if (!wait.FailureReason().isEmpty()) {
        QMessageBox::critical(parentWidget(), QStringLiteral("Brisklark"),
                              QStringLiteral("The CDDB query failed: ") + wait.FailureReason());
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cddb/ui/stop_query_dialog.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CddbMessageEvent::CddbMessageEvent(PostedMessage message)
    : QEvent(static_cast<QEvent::Type>(message.Number)), m_message(std::move(message)) {}

TfrmStopQuery::TfrmStopQuery(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                             TCDHandle cdHandle, TQueryCDDB connection, std::string userEmail,
                             DiscFieldsTarget& target)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_firstTrack(firstTrack),
      m_lastTrack(lastTrack),
      m_cdHandle(cdHandle),
      m_connection(std::move(connection)),
      m_userEmail(std::move(userEmail)),
      m_target(target) {
    setWindowTitle(QStringLiteral("Query CDDB..."));
    lHint = new QLabel(QStringLiteral("Query CDDB, please waiting..."), this);
    lHint->setObjectName(QStringLiteral("lHint"));
    pNoMatch = new QLabel(QString::fromLatin1(kCddbNoMatchText), this);
    pNoMatch->setObjectName(QStringLiteral("pNoMatch"));
    pNoMatch->setFrameShape(QFrame::Panel);
    pNoMatch->hide();
    bStop = new QPushButton(QStringLiteral("Stop"), this);
    bStop->setObjectName(QStringLiteral("bStop"));
    bStop->setDefault(true);
    connect(bStop, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bStop);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lHint);
    layout->addWidget(pNoMatch);
    layout->addLayout(buttons);
}

TfrmStopQuery::~TfrmStopQuery() {
    m_worker.reset();
}

void TfrmStopQuery::Post(PostedMessage message) {
    QCoreApplication::postEvent(this, new CddbMessageEvent(std::move(message)));
}

void TfrmStopQuery::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_worker && !m_abandoned) {
        m_worker = std::make_unique<TQueryCDDBThread>(*this, m_firstTrack, m_lastTrack, m_cdHandle,
                                                      m_connection, m_userEmail);
    }
}

bool TfrmStopQuery::event(QEvent* event) {
    const auto type = static_cast<std::uint32_t>(event->type());
    if (type != kCddbChangeMessage && type != kCddbNoticeMessage) {
        return QDialog::event(event);
    }
    PostedMessage& message = static_cast<CddbMessageEvent*>(event)->Message();
    if (m_abandoned) {
        return true;
    }
    if (type == kCddbChangeMessage) {
        if (const auto* change = dynamic_cast<const TCddbChange*>(message.Payload.get())) {
            ApplyChange(*change);
        }
    } else if (message.WParam == kCddbNoMatch) {
        ShowNoMatch();
    } else if (message.WParam == kCddbFinished) {
        if (const auto* failure = dynamic_cast<const TCddbFailure*>(message.Payload.get())) {
            m_failureReason = QString::fromStdString(failure->Reason);
        }
        done(QDialog::Accepted);
    }
    return true;
}

void TfrmStopQuery::ApplyChange(const TCddbChange& change) {
    if (change.Kind == TCddbChangeKind::ClearDiscFields) {
        m_target.ClearDiscFields();
    } else {
        m_target.ApplyDiscInfo(DiscInfoOfChange(change, m_firstTrack));
    }
}

void TfrmStopQuery::ShowNoMatch() {
    lHint->hide();
    pNoMatch->show();
    bStop->setText(QStringLiteral("Close"));
}

void TfrmStopQuery::done(int result) {
    if (result != QDialog::Accepted) {
        m_abandoned = true;
    }
    m_worker.reset();
    QDialog::done(result);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The wait dialog of a CDDB query: it runs the query's worker from the moment
// it is shown, applies the worker's changes to the program's disc as they
// arrive, and closes with QDialog::Accepted on the finished notice, keeping
// the reason when that notice ends a failed query call. On the
// no-match notice it shows why instead and waits for "Close". "Stop" (or
// Escape) abandons the query at once; nothing of it is applied afterwards.
//
// Threads: GUI thread, except Post (any thread). Ownership: the dialog owns
// the worker (joined when the dialog closes); posted records belong to the
// dialog once posted.

#include <QDialog>
#include <QEvent>

#include <cstdint>
#include <memory>
#include <string>

#include "base/message_target.h"
#include "cddb/query_cddb_thread.h"
#include "cddb/ui/disc_fields_target.h"
#include "settings/options_setting.h"

class QLabel;
class QPushButton;

// A message posted to the dialog as a Qt event whose type is its number.
class CddbMessageEvent final : public QEvent {
public:
    explicit CddbMessageEvent(PostedMessage message);
    [[nodiscard]] PostedMessage& Message() { return m_message; }

private:
    PostedMessage m_message;
};

inline constexpr const char* kCddbNoMatchText =
    "No match found,perhaps:\r\n1.No information in CDDB server\r\n2.error CDDB options\r\n"
    "3.check the network";

class TfrmStopQuery final : public QDialog, public MessageTarget {
    Q_OBJECT

public:
    TfrmStopQuery(QWidget* owner, std::uint8_t firstTrack, std::uint8_t lastTrack,
                  TCDHandle cdHandle, TQueryCDDB connection, std::string userEmail,
                  DiscFieldsTarget& target);
    ~TfrmStopQuery() override;
    TfrmStopQuery(const TfrmStopQuery&) = delete;
    TfrmStopQuery& operator=(const TfrmStopQuery&) = delete;

    // MessageTarget: queues the message as a CddbMessageEvent to this dialog.
    void Post(PostedMessage message) override;

    // Why the query call failed; empty when it did not.
    [[nodiscard]] const QString& FailureReason() const { return m_failureReason; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // Every way of closing passes here; all but the finished notice abandon
    // the query.
    void done(int result) override;

private:
    void ApplyChange(const TCddbChange& change);
    void ShowNoMatch();

    const std::uint8_t m_firstTrack;
    const std::uint8_t m_lastTrack;
    const TCDHandle m_cdHandle;
    const TQueryCDDB m_connection;
    const std::string m_userEmail;
    DiscFieldsTarget& m_target;
    bool m_abandoned = false;  // changes still queued are dropped
    QString m_failureReason;
    std::unique_ptr<TQueryCDDBThread> m_worker;

    QLabel* lHint = nullptr;
    QLabel* pNoMatch = nullptr;
    QPushButton* bStop = nullptr;
};

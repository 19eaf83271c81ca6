// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// One running program per user. The first start listens on a local socket
// named after the main window's class name and the user; a later start
// connects, sends message 2131 and ends. GUI thread only.
class SingleInstance final : public QObject {
    Q_OBJECT

public:
    // Listens under ServerName(); a socket left behind by a crashed run is
    // removed first. Each received 2131 is posted to `target` as an event of
    // that type. target must outlive this object.
    explicit SingleInstance(QObject* target, QObject* parent = nullptr);

    [[nodiscard]] bool IsListening() const;

    // "Brisklark Made by Tamberlyn Software-<user>".
    [[nodiscard]] static QString ServerName();

    // Sends 2131 to a running program; true when one received it.
    [[nodiscard]] static bool NotifyRunningInstance();

private:
    void AcceptConnections();

    QObject* m_target;
    QLocalServer* m_server;
};

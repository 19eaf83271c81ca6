// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/single_instance.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

#include "app/main_window.h"

namespace {

const QString kWindowClassName = QStringLiteral("Brisklark Made by Tamberlyn Software");
const QByteArray kShowMessage = QByteArray::number(kShowMainWindowMessage) + '\n';
constexpr int kConnectTimeoutMilliseconds = 1000;

QString UserName() {
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? QString::number(getuid()) : user;
}

}  // namespace

SingleInstance::SingleInstance(QObject* target, QObject* parent)
    : QObject(parent), m_target(target), m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(ServerName());
    m_server->listen(ServerName());
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::AcceptConnections);
}

bool SingleInstance::IsListening() const {
    return m_server->isListening();
}

QString SingleInstance::ServerName() {
    return kWindowClassName + QLatin1Char('-') + UserName();
}

bool SingleInstance::NotifyRunningInstance() {
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kConnectTimeoutMilliseconds)) {
        return false;
    }
    socket.write(kShowMessage);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMilliseconds);
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::AcceptConnections() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == kShowMessage) {
                    QCoreApplication::postEvent(
                        m_target, new QEvent(static_cast<QEvent::Type>(kShowMainWindowMessage)));
                }
            }
        });
        // The message may have arrived before the connection was accepted.
        if (socket->bytesAvailable() > 0) {
            emit socket->readyRead();
        }
    }
}

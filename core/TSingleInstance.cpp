// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TSingleInstance.h"

#include <unistd.h>

#include <QLocalSocket>

namespace {

QString DefaultName() {
    const QString fromEnvironment = qEnvironmentVariable("TRAWLIX_INSTANCE_NAME");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // Abstract socket names are machine-wide, so the user is part of the name.
    return QStringLiteral("Trawlix-%1").arg(getuid());
}

void SendBringToFront(const QString& name) {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name);
    if (!socket.waitForConnected(2000))
        return;
    socket.write(TSingleInstance::BringToFrontMessage);
    socket.flush();
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
}

} // namespace

TSingleInstance::TSingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(name.isEmpty() ? DefaultName() : std::move(name)) {
    m_server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&m_server, &QLocalServer::newConnection, this, &TSingleInstance::OnConnection);
}

bool TSingleInstance::Acquire() {
    if (m_server.listen(m_name))
        return true;
    SendBringToFront(m_name);
    return false;
}

void TSingleInstance::OnConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->readAll().contains(BringToFrontMessage))
                Q_EMIT BringToFrontRequested();
        });
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/single_instance.h"

#include <QLocalSocket>

#ifdef _WIN32
#include <QDir>
#else
#include <unistd.h>
#endif

namespace vantrel {

namespace {

constexpr int ANSWER_WAIT_MS = 1000;
constexpr char SHOW_REQUEST[] = "show\n";

QString UserKey() {
#ifdef _WIN32
    return QDir::home().dirName();
#else
    return QString::number(getuid());
#endif
}

}  // namespace

CSingleInstance::CSingleInstance(const QString& key) : m_name(key + "-" + UserKey()) {
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server.nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (peer->readAll().contains("show") && m_show) {
                    m_show();
                }
            });
        }
    });
}

CSingleInstance::Outcome CSingleInstance::Acquire() {
    QLocalSocket running;
    running.connectToServer(m_name);
    if (running.waitForConnected(ANSWER_WAIT_MS)) {
        running.write(SHOW_REQUEST);
        running.waitForBytesWritten(ANSWER_WAIT_MS);
        running.disconnectFromServer();
        return Outcome::HandedOver;
    }
    // Nobody answers: no copy runs, or one crashed and left its socket.
    QLocalServer::removeServer(m_name);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(m_name) ? Outcome::First : Outcome::Failed;
}

}  // namespace vantrel

#include "SimControl.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr int MaxControlLineLength = 4096;
}

SimControl::SimControl(const QString &path, Handler handler, QObject *parent)
    : QObject(parent)
    , m_path(path)
    , m_handler(std::move(handler))
    , m_server(new QLocalServer(this))
{
    connect(m_server, &QLocalServer::newConnection, this, &SimControl::onNewConnection);
}

bool SimControl::listen(QString *error)
{
    QLocalServer::removeServer(m_path);
    if (m_server->listen(m_path))
        return true;
    if (error)
        *error = m_server->errorString();
    return false;
}

void SimControl::onNewConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void SimControl::onReadyRead(QLocalSocket *socket)
{
    while (socket->canReadLine()) {
        const QString line = QString::fromUtf8(socket->readLine(MaxControlLineLength)).trimmed();
        if (line.isEmpty())
            continue;
        socket->write(m_handler(line).toUtf8() + '\n');
    }
    // A line without an end that is already too long is not a command.
    if (socket->bytesAvailable() > MaxControlLineLength) {
        socket->readAll();
        socket->write("error line too long\n");
    }
}

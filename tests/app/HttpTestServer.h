#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for the update tests: each path answers
// with a fixed reply, optionally cut short, and every request is recorded.

#include <QHash>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

struct THttpReply
{
    THttpReply(int status = 200, const QByteArray &body = QByteArray())
        : Status(status)
        , Body(body)
    {
    }
    int Status = 200;
    QByteArray Body;
    QByteArray ExtraHeaders;   // "Name: value\r\n" lines
    qint64 Announced = -2;     // Content-Length sent: -2 the body's length, -1 none
    qint64 SendBytes = -1;     // bytes of the body actually sent (-1 all)
    bool Reset = false;        // after SendBytes: abort (reset) instead of a clean close
    bool Hold = false;         // after SendBytes: keep the connection open, send nothing more
};

struct THttpRequest
{
    QByteArray Path;
    QHash<QByteArray, QByteArray> Headers; // lower-case names
};

class THttpTestServer : public QObject
{
public:
    THttpTestServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                s->setParent(this);
                connect(s, &QTcpSocket::readyRead, this, [this, s] { onData(s); });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString Base(const QString &folder = QStringLiteral("/")) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(folder);
    }
    void Set(const QByteArray &path, const THttpReply &reply) { m_routes.insert(path, reply); }
    QList<THttpRequest> Requests;
    QList<QByteArray> Paths() const
    {
        QList<QByteArray> p;
        for (const auto &r : Requests)
            p << r.Path;
        return p;
    }

private:
    void onData(QTcpSocket *s)
    {
        QByteArray &buf = m_buffers[s];
        buf += s->readAll();
        const qsizetype end = buf.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buf.left(end).split('\n');
        buf.clear();
        THttpRequest req;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        req.Path = first.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                req.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
        }
        Requests << req;
        const THttpReply r = m_routes.value(req.Path, THttpReply(404, "not found"));
        QByteArray head = "HTTP/1.1 " + QByteArray::number(r.Status) + " X\r\nConnection: close\r\n" + r.ExtraHeaders;
        const qint64 announced = r.Announced == -2 ? r.Body.size() : r.Announced;
        if (announced >= 0)
            head += "Content-Length: " + QByteArray::number(announced) + "\r\n";
        head += "\r\n";
        s->write(head);
        s->write(r.SendBytes < 0 ? r.Body : r.Body.left(r.SendBytes));
        s->flush();
        if (r.Hold)
            return;
        if (r.Reset)
            s->abort();
        else
            s->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QByteArray, THttpReply> m_routes;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

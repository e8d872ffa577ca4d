#pragma once
// A local-socket control channel for a running simulated module: one text
// command per line, one reply line ("ok ..." or "error ...") per command.

#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;
class QLocalSocket;

class SimControl : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<QString(const QString &line)>;

    SimControl(const QString &path, Handler handler, QObject *parent = nullptr);
    bool listen(QString *error);

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket *socket);

    QString m_path;
    Handler m_handler;
    QLocalServer *m_server;
};

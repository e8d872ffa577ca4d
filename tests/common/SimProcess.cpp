#include "SimProcess.h"

#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTest>

SimProcess::SimProcess()
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

SimProcess::~SimProcess()
{
    stop();
}

QString SimProcess::executable()
{
#ifdef MORVO3_SIM_PATH
    return QStringLiteral(MORVO3_SIM_PATH);
#else
    return QString();
#endif
}

QString SimProcess::linkPath() const
{
    return m_dir.filePath(QStringLiteral("usb-port"));
}

QString SimProcess::controlPath() const
{
    return m_dir.filePath(QStringLiteral("control"));
}

QString SimProcess::extraPortsEntry(const QString &description) const
{
    return linkPath() + QLatin1Char('=') + description;
}

bool SimProcess::running() const
{
    return m_process.state() != QProcess::NotRunning;
}

bool SimProcess::start(const QStringList &options)
{
    m_lastError.clear();
    if (executable().isEmpty()) {
        m_lastError = QStringLiteral("morvo3-sim was not built");
        return false;
    }
    if (!m_dir.isValid()) {
        m_lastError = QStringLiteral("no temporary directory");
        return false;
    }
    QStringList args = {QStringLiteral("usb"), QStringLiteral("--link"), linkPath(),
                        QStringLiteral("--control"), controlPath()};
    args += options;
    m_process.start(executable(), args);
    if (!m_process.waitForStarted(StartTimeoutMs)) {
        m_lastError = QStringLiteral("cannot start morvo3-sim: ") + m_process.errorString();
        return false;
    }
    if (!waitForLink(true)) {
        m_lastError = QStringLiteral("the simulator's port did not appear: ") + output();
        stop();
        return false;
    }
    return true;
}

bool SimProcess::startRelay(const QStringList &options)
{
    m_lastError.clear();
    m_relayPort = 0;
    if (executable().isEmpty() || !m_dir.isValid()) {
        m_lastError = QStringLiteral("morvo3-sim was not built, or no temporary directory");
        return false;
    }
    QStringList args = {QStringLiteral("relay"), QStringLiteral("--port"), QStringLiteral("0"),
                        QStringLiteral("--control"), controlPath()};
    args += options;
    m_process.start(executable(), args);
    if (!m_process.waitForStarted(StartTimeoutMs)) {
        m_lastError = QStringLiteral("cannot start morvo3-sim: ") + m_process.errorString();
        return false;
    }
    const QRegularExpression portLine(QStringLiteral("relay server on port (\\d+)"));
    (void)QTest::qWaitFor([&] {
        return m_process.state() == QProcess::NotRunning || portLine.match(output()).hasMatch();
    }, StartTimeoutMs);
    const QRegularExpressionMatch m = portLine.match(output());
    if (!m.hasMatch()) {
        m_lastError = QStringLiteral("the relay server did not start: ") + output();
        stop();
        return false;
    }
    m_relayPort = quint16(m.captured(1).toUInt());
    return true;
}

void SimProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(StartTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(StartTimeoutMs);
    }
}

bool SimProcess::waitForLink(bool present, int timeoutMs)
{
    const QString path = linkPath();
    return QTest::qWaitFor([&] {
        if (present && m_process.state() == QProcess::NotRunning)
            return true;   // ended early: the check below fails
        return QFileInfo::exists(path) == present;
    }, timeoutMs) && QFileInfo::exists(path) == present;
}

QString SimProcess::control(const QString &line)
{
    QLocalSocket socket;
    socket.connectToServer(controlPath());
    if (!socket.waitForConnected(ControlTimeoutMs))
        return QString();
    socket.write(line.toUtf8() + '\n');
    socket.flush();
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(ControlTimeoutMs))
            return QString();
    }
    const QString reply = QString::fromUtf8(socket.readLine()).trimmed();
    socket.disconnectFromServer();
    return reply;
}

bool SimProcess::controlOk(const QString &line)
{
    const QString reply = control(line);
    return reply == QLatin1String("ok") || reply.startsWith(QLatin1String("ok "));
}

QString SimProcess::output()
{
    m_output += QString::fromLocal8Bit(m_process.readAll());
    return m_output;
}

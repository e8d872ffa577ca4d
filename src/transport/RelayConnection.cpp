#include "transport/RelayConnection.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"

#include <QDeadlineTimer>
#include <QHostAddress>
#include <QLoggingCategory>
#include <QTime>

Q_LOGGING_CATEGORY(lcRelay, "morvo3.relay", QtWarningMsg)

namespace {
int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

const QString ConnectedTo = QStringLiteral("Connected to: ");
const QString DisconnectedLine = QStringLiteral("Disconnected from GPRS server.");
const QString ConnectTimeoutLine = QStringLiteral("GPRS connect timeout...");
const QString ConnectedLine = QStringLiteral("GPRS connected...");
}

// ---------------------------------------------------------------- input checks

QString RelayInput::FilterPassword(const QString &password)
{
    QString out;
    for (const QChar c : password)
        if (hexValue(c) >= 0)
            out += c;
    return out;
}

int RelayInput::AccountFromPassword(const QString &filtered)
{
    if (filtered.size() != 20)
        return -1;
    const int d1 = hexValue(filtered.at(0));
    const int d2 = hexValue(filtered.at(1));
    if (d1 < 0 || d2 < 0)
        return -1;
    return d1 + 16 * (16 - d2);
}

int RelayInput::DeviceFromSerial(const QString &serial)
{
    const QString upper = serial.toUpper();
    QString digits;
    for (int i = upper.size() - 1; i >= 0 && digits.size() < 3; --i)
        if (hexValue(upper.at(i)) >= 0)
            digits.prepend(upper.at(i));
    if (digits.size() < 3)
        return -1;
    return hexValue(digits.at(0)) * 256 + hexValue(digits.at(1)) * 16 + hexValue(digits.at(2));
}

RelayInput::TCheckResult RelayInput::CheckConnectInputs(const QString &password, const QString &serial)
{
    TCheckResult r;
    const QString filtered = FilterPassword(password);
    if (filtered.size() < 2) {
        r.check = TCheck::GivePasswordFirst;
        r.messageKey = QStringLiteral("lbTXT_GIVE_PASSWORD_FIRST");
        return r;
    }
    r.account = AccountFromPassword(filtered);
    if (r.account < 0) {
        r.check = TCheck::InvalidPassword;
        r.messageKey = QStringLiteral("lbTXT_INVALID_PWD");
        r.pauseMs = TRelayConnection::InvalidPasswordPauseMs;
        return r;
    }
    r.device = DeviceFromSerial(serial);
    if (r.device < 1 || r.device > 4095) {
        r.check = TCheck::InvalidSerial;
        r.messageKey = QStringLiteral("lbTXT_INVALID_SERIAL_NR");
        r.pauseMs = TRelayConnection::InvalidSerialPauseMs;
        return r;
    }
    return r;
}

// ---------------------------------------------------------------- connection

TRelayConnection::TRelayConnection(TWaitContext &wait, Morvo3Texts &texts, const std::uint8_t relayKey[16],
                                   bool &parameterTransferActive, QObject *parent)
    : TModuleTransport(parent)
    , m_wait(wait)
    , m_texts(texts)
    , m_parameterTransferActive(parameterTransferActive)
    , m_protocol(relayKey)
{
    setObjectName(QStringLiteral("RelayConnection"));
    m_socket.setObjectName(QStringLiteral("WGPRSSocket"));
    RemoteConnTimer.setObjectName(QStringLiteral("RemoteConnTimer"));
    DecreaseTimer.setObjectName(QStringLiteral("DecreaseTimer"));
    RemoteConnTimer.setInterval(RemoteConnIntervalMs);
    DecreaseTimer.setInterval(DecreaseIntervalMs);
    connect(&RemoteConnTimer, &QTimer::timeout, this, &TRelayConnection::onRemoteConnTick);
    connect(&DecreaseTimer, &QTimer::timeout, this, &TRelayConnection::onDecreaseTick);
    RemoteConnTimer.start();

    connect(&m_socket, &QTcpSocket::connected, this, &TRelayConnection::onConnected);
    connect(&m_socket, &QTcpSocket::disconnected, this, &TRelayConnection::onDisconnected);
    connect(&m_socket, &QTcpSocket::stateChanged, this, &TRelayConnection::onStateChanged);
    connect(&m_socket, &QTcpSocket::readyRead, this, &TRelayConnection::onReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        qCDebug(lcRelay) << "socket error" << e << m_socket.errorString();
    });

    TRelayProtocol::Handlers h;
    h.testAnswered = [this] {
        TestAnswered = true;
        memo(MemoTarget::GPRS, m_texts.text(QStringLiteral("lbTXT_TEST_ANSWER_OK")) + QLatin1Char('\n'));
    };
    h.packetAccepted = [this](const QByteArray &plain) {
        QString line = QStringLiteral("\nAES:");
        for (const char c : plain)
            line += QStringLiteral("%1 ").arg(std::uint8_t(c), 2, 16, QLatin1Char('0')).toUpper();
        memo(MemoTarget::SendLog, line + QLatin1Char('\n'), false);
    };
    h.reply = [this](const QByteArray &unit) { sendUnit(unit); };
    h.linkBytes = [this](const QByteArray &bytes) { emit bytesReceived(bytes); };
    h.pingReply = [this](std::uint8_t id0, std::uint8_t id1, qint64 elapsedMs) {
        const QString elapsed = QTime(0, 0).addMSecs(int(qBound<qint64>(0, elapsedMs, qint64(3599999)))).toString(
            QStringLiteral("mm:ss.zzz "));
        memo(MemoTarget::State,
             QStringLiteral("PING Received  ID=%1 ,  %2  Response Time=%3").arg(id0).arg(id1).arg(elapsed), false);
        PingAnswered = true;
    };
    m_protocol.SetHandlers(h);
}

TRelayConnection::~TRelayConnection()
{
    m_closingByUs = true;
    // Nothing may reach this object from the socket once it is going away.
    m_socket.disconnect(this);
    m_socket.abort();
}

void TRelayConnection::memo(MemoTarget target, const QString &text, bool force)
{
    emit memoText(target, text, force);
}

bool TRelayConnection::SetServerPort(const QString &portText)
{
    bool ok = false;
    const int port = portText.trimmed().toInt(&ok);
    if (!ok || port < 1 || port > 65535)
        return false;
    m_serverPort = quint16(port);
    return true;
}

int TRelayConnection::ActivityFlags() const
{
    if (m_parameterTransferActive)
        return 7;
    return (m_statusPageShown ? 0 : 1) | (m_detailsVisible ? 0 : 2);
}

// ---------------------------------------------------------------- TModuleTransport

bool TRelayConnection::Open()
{
    return Connected;
}

void TRelayConnection::Close()
{
    RefreshBusy = false;
    m_refreshCountdown = 0;
    DecreaseTimer.stop();
    m_closingByUs = true;
    m_socket.abort();
    m_closingByUs = false;
    Connected = false;
}

void TRelayConnection::Disconnect()
{
    if (m_socket.state() == QAbstractSocket::UnconnectedState)
        return;
    DisconnectFromServer();
}

bool TRelayConnection::Write(const QByteArray &wireFrame)
{
    const bool deliverable = Connected && wireFrame.size() == Relay::UnitSize;
    SendWireFrame(wireFrame);
    return deliverable;
}

// ---------------------------------------------------------------- sending

void TRelayConnection::sendUnit(const QByteArray &bytes)
{
    if (bytes.isEmpty() || m_socket.state() != QAbstractSocket::ConnectedState)
        return;
    if (m_socket.write(bytes) != bytes.size())
        qCDebug(lcRelay) << "write incomplete";
}

void TRelayConnection::SendConnectPacket()
{
    sendUnit(m_protocol.ConnectPacket());
}

void TRelayConnection::SendTestPacket()
{
    sendUnit(m_protocol.TestPacket());
}

void TRelayConnection::SendPing(std::uint8_t flags)
{
    if (!Connected)
        return;
    if (flags == 0)
        flags = std::uint8_t(ActivityFlags());
    m_keepAliveCountdown = KeepAliveSeconds;
    sendUnit(m_protocol.PingPacket(flags));
}

void TRelayConnection::SendRefresh()
{
    if (!Connected)
        return;
    const auto flags = std::uint8_t(ActivityFlags());
    SendPing(flags);
    m_keepAliveCountdown = KeepAliveSeconds;
    sendUnit(m_protocol.PresencePacket(flags));
}

void TRelayConnection::SendWireFrame(const QByteArray &frame)
{
    m_keepAliveCountdown = KeepAliveSeconds;
    if (!Connected)
        return;
    const QByteArray packets = m_protocol.WireFramePackets(frame);
    if (packets.isEmpty())
        return;
    m_refreshCountdown = RefreshTicks;
    // One write so that the two packets travel together.
    sendUnit(packets);
}

// ---------------------------------------------------------------- socket events

void TRelayConnection::onConnected()
{
    Connected = true;
    emit gprsLine(ConnectedTo + m_socket.peerAddress().toString());
}

void TRelayConnection::onDisconnected()
{
    Connected = false;
    emit indicator(TRelayIndicator::NONE);
}

void TRelayConnection::onStateChanged(QAbstractSocket::SocketState state)
{
    if (state != QAbstractSocket::UnconnectedState)
        return;
    const bool wasUp = Connected;
    Connected = false;
    RefreshBusy = false;
    DecreaseTimer.stop();
    memo(MemoTarget::GPRS, DisconnectedLine);
    emit indicator(TRelayIndicator::NONE);
    if (wasUp && !m_closingByUs)
        emit lost();
}

void TRelayConnection::onReadyRead()
{
    // Byte by byte through the relay window; reading everything that is there
    // keeps the order and spares one notification per byte.
    const QByteArray bytes = m_socket.readAll();
    m_protocol.Receive(bytes);
}

// ---------------------------------------------------------------- timers

void TRelayConnection::onRemoteConnTick()
{
    RemoteConnTimer.setInterval(RemoteConnIntervalMs);
    if (!Connected || RefreshBusy)
        return;
    RefreshBusy = true;
    if (m_refreshCountdown > 0) {
        --m_refreshCountdown;
        if (m_refreshCountdown == 0) {
            SendRefresh();
            m_refreshCountdown = RefreshTicks;
        }
    }
    RefreshBusy = false;
}

void TRelayConnection::onDecreaseTick()
{
    if (!Connected || m_keepAliveCountdown == 0)
        return;
    --m_keepAliveCountdown;
    if (m_keepAliveCountdown == 0) {
        SendTestPacket();
        m_keepAliveCountdown = KeepAliveSeconds;
    }
}

// ---------------------------------------------------------------- procedures

void TRelayConnection::WaitMs(int ms)
{
    m_wait.WaitMs(ms);
}

bool TRelayConnection::waitPolls(int polls, int pollMs, const bool &flag)
{
    // Polls against one deadline, so the small overshoot of every single pause
    // does not add up over a 20 s wait.
    QDeadlineTimer deadline(qint64(polls) * pollMs, Qt::PreciseTimer);
    while (!flag && !m_wait.Closing && !deadline.hasExpired())
        WaitMs(int(qMin<qint64>(pollMs, qMax<qint64>(1, deadline.remainingTime()))));
    return flag;
}

TRelayConnectResult TRelayConnection::ConnectWithInputs(const QString &serverAddress, const QString &serialNr,
                                                        const QString &password)
{
    if (m_connecting)
        return TRelayConnectResult::Busy;
    const RelayInput::TCheckResult check = RelayInput::CheckConnectInputs(password, serialNr);
    if (check.check != RelayInput::TCheck::Ok) {
        if (check.pauseMs > 0)
            WaitMs(check.pauseMs);
        memo(MemoTarget::GPRS, m_texts.text(check.messageKey) + QLatin1Char('\n'));
        switch (check.check) {
        case RelayInput::TCheck::GivePasswordFirst: return TRelayConnectResult::GivePasswordFirst;
        case RelayInput::TCheck::InvalidPassword: return TRelayConnectResult::InvalidPassword;
        default: return TRelayConnectResult::InvalidSerial;
        }
    }
    emit connectStarted();
    if (ConnectToServer(serverAddress, check.account, int(Relay::PcDeviceNumber), check.device)) {
        emit up();
        return TRelayConnectResult::Connected;
    }
    DisconnectFromServer();
    emit indicator(TRelayIndicator::NONE);
    memo(MemoTarget::GPRS, m_texts.text(QStringLiteral("lbTXT_UNABLE_TO_CONNECT")) + QLatin1Char('\n'));
    return TRelayConnectResult::Failed;
}

bool TRelayConnection::ConnectToServer(const QString &address, int account, int pcDevice, int moduleDevice)
{
    struct Mark
    {
        bool &flag;
        explicit Mark(bool &f) : flag(f) { flag = true; }
        ~Mark() { flag = false; }
    } mark(m_connecting);

    Connected = false;
    TestAnswered = false;
    m_keepAliveCountdown = 0;
    memo(MemoTarget::GPRS, m_texts.text(QStringLiteral("lbTXT_CONNECTING_TO_SERVER")) + QLatin1Char('\n'));
    emit indicator(TRelayIndicator::SEARCH);

    m_protocol.StartSession(Relay::Address(std::uint32_t(account), std::uint32_t(pcDevice)),
                            Relay::Address(std::uint32_t(account), std::uint32_t(moduleDevice)));

    m_closingByUs = true;
    m_socket.abort();
    m_closingByUs = false;
    WaitMs(ReopenPauseMs);
    m_socket.connectToHost(address.trimmed(), m_serverPort);

    if (!waitPolls(ConnectPolls, ConnectPollMs, Connected)) {
        emit gprsLine(ConnectTimeoutLine);
        return false;
    }
    // Leave nothing of a connect that was given up while it was being made.
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        return false;
    RemoteConnTimer.start();
    DecreaseTimer.start();
    SendConnectPacket();
    SendTestPacket();
    m_keepAliveCountdown = FirstKeepAliveSeconds;

    if (!waitPolls(ConnectPolls, ConnectPollMs, TestAnswered))
        return false;
    if (!Connected)
        return false;
    emit gprsLine(ConnectedLine);
    m_refreshCountdown = FirstRefreshTicks;
    return true;
}

void TRelayConnection::DisconnectFromServer()
{
    RefreshBusy = false;
    m_refreshCountdown = 0;
    SendPing(Relay::LeaveFlags);
    WaitMs(LeavePauseFirstMs);
    SendPing(Relay::LeaveFlags);
    WaitMs(LeavePauseSecondMs);
    m_closingByUs = true;
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush();
    m_socket.abort();
    m_closingByUs = false;
    DecreaseTimer.stop();
}

bool TRelayConnection::PingAndWait(std::uint8_t flags)
{
    PingAnswered = false;
    for (int i = 0; i < PingAttempts; ++i) {
        SendPing(flags);
        m_wait.WaitFor(PingWaitTicks, [this] { return PingAnswered; });
        if (PingAnswered || m_wait.StopRequested || m_wait.Closing)
            break;
    }
    PingAnswered = false;
    SendPing(flags);
    m_wait.WaitFor(PingWaitTicks, [this] { return PingAnswered; });
    return PingAnswered;
}

void TRelayConnection::AnnounceViewChange()
{
    m_refreshCountdown = AnnounceRefreshTicks;
    WaitMs(AnnouncePauseMs);
    SendRefresh();
    WaitMs(AnnouncePauseMs);
    SendRefresh();
    WaitMs(AnnouncePauseMs);
}

void TRelayConnection::RefreshAndWait()
{
    PingAnswered = false;
    AnnounceViewChange();
    waitPolls(RefreshAnswerPolls, AnnouncePauseMs, PingAnswered);
}

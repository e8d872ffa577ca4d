#include "SimRelay.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <openssl/evp.h>

#include <cstring>

Q_DECLARE_LOGGING_CATEGORY(lcSim)

namespace {
QByteArray aes(const std::uint8_t *key, const QByteArray &in, bool encrypt)
{
    if (in.size() != 16)
        return {};
    EVP_CIPHER_CTX *ctx = EVP_CIPHER_CTX_new();
    if (!ctx)
        return {};
    unsigned char out[32];
    int n = 0, tail = 0;
    const bool ok = EVP_CipherInit_ex(ctx, EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) == 1
        && EVP_CIPHER_CTX_set_padding(ctx, 0) == 1
        && EVP_CipherUpdate(ctx, out, &n, reinterpret_cast<const unsigned char *>(in.constData()), 16) == 1
        && EVP_CipherFinal_ex(ctx, out + n, &tail) == 1 && n + tail == 16;
    EVP_CIPHER_CTX_free(ctx);
    return ok ? QByteArray(reinterpret_cast<const char *>(out), 16) : QByteArray();
}

std::uint32_t address(const QByteArray &p, int at)
{
    return (std::uint32_t(std::uint8_t(p[at])) << 16) | (std::uint32_t(std::uint8_t(p[at + 1])) << 8)
        | std::uint8_t(p[at + 2]);
}

bool isPlain(const QByteArray &p)
{
    return p.size() == 16 && p.at(0) == '[' && p.at(15) == ']';
}

enum : std::uint8_t { Connect = 0x00, Test = 0x01, EchoRequest = 0x03, EchoReply = 0x13,
                      Single = '.', First = 'n', Middle = '~', Last = '>' };
enum : std::uint8_t { Presence = 0x00, LinkFromModule = 0x01, LinkToModule = 0x02, Ping = 0xFF };
}

SimRelay::SimRelay(const SimRelayOptions &options, const std::uint8_t relayKey[16], QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_server(new QTcpServer(this))
{
    std::memcpy(m_relayKey, relayKey, 16);
    m_clock.start();
    connect(m_server, &QTcpServer::newConnection, this, &SimRelay::onNewConnection);
    m_closeTimer.setSingleShot(true);
    connect(&m_closeTimer, &QTimer::timeout, this, [this] {
        if (m_client) {
            emit note(QStringLiteral("closing the connection"));
            m_client->disconnectFromHost();
        }
    });
    connect(&m_echoTimer, &QTimer::timeout, this, &SimRelay::sendEchoRequest);
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pendingTimer, &QTimer::timeout, this, &SimRelay::runDue);
}

SimRelay::~SimRelay() = default;

bool SimRelay::listen(QString *error)
{
    if (!m_server->listen(QHostAddress::LocalHost, m_options.port)) {
        *error = m_server->errorString();
        return false;
    }
    return true;
}

quint16 SimRelay::port() const
{
    return m_server->serverPort();
}

QString SimRelay::stats() const
{
    return QStringLiteral("connects=%1 tests=%2 pings=%3 presences=%4 to-module=%5 from-module=%6 echo-ok=%7 echo-bad=%8")
        .arg(m_connects).arg(m_tests).arg(m_pings).arg(m_presences).arg(m_framesToModule)
        .arg(m_framesFromModule).arg(m_echoOk).arg(m_echoBad);
}

void SimRelay::onNewConnection()
{
    while (QTcpSocket *s = m_server->nextPendingConnection()) {
        dropClient();
        m_client = s;
        ++m_generation;
        connect(s, &QTcpSocket::readyRead, this, &SimRelay::onReadyRead);
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            if (m_client == s)
                dropClient();
            s->deleteLater();
        });
        if (m_options.closeAfterS > 0)
            m_closeTimer.start(m_options.closeAfterS * 1000);
        emit note(QStringLiteral("program connected"));
        emit clientChanged();
    }
}

void SimRelay::dropClient()
{
    m_closeTimer.stop();
    m_echoTimer.stop();
    m_session = false;
    m_counter = 0;
    m_linkLength = -1;
    m_linkPayload.clear();
    m_moduleBytes.clear();
    m_echoExpected.clear();
    std::memset(m_window, 0, sizeof m_window);
    ++m_generation;
    if (m_client) {
        QTcpSocket *old = m_client;
        m_client = nullptr;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
}

void SimRelay::onReadyRead()
{
    if (!m_client)
        return;
    const QByteArray bytes = m_client->readAll();
    for (const char c : bytes)
        receiveByte(std::uint8_t(c));
}

void SimRelay::receiveByte(std::uint8_t b)
{
    std::memmove(m_window, m_window + 1, 17);
    m_window[17] = b;
    if (m_window[0] != '{' || m_window[17] != '}')
        return;
    const QByteArray cipher(reinterpret_cast<const char *>(m_window + 1), 16);
    if (m_session) {
        const QByteArray p = aes(m_sessionKey, cipher, false);
        if (isPlain(p)) {
            handle(p);
            return;
        }
    }
    // Not a session packet: perhaps a (new) connect packet under the relay key.
    const QByteArray p = aes(m_relayKey, cipher, false);
    if (isPlain(p) && std::uint8_t(p[1]) == Connect) {
        m_pcAddress = address(p, 3);
        const std::uint8_t a[3] = {std::uint8_t(p[3]), std::uint8_t(p[4]), std::uint8_t(p[5])};
        std::memcpy(m_sessionKey, a, 3);
        std::memcpy(m_sessionKey + 3, m_relayKey + 3, 10);
        std::memcpy(m_sessionKey + 13, a, 3);
        m_session = true;
        m_moduleAddress = m_options.moduleDevice >= 0
            ? (m_pcAddress & 0xFFF000) | std::uint32_t(m_options.moduleDevice)
            : 0;
        ++m_connects;
        emit note(QStringLiteral("connect from account %1").arg(m_pcAddress >> 12));
    }
}

QByteArray SimRelay::packet(std::uint8_t command, std::uint8_t length, std::uint8_t type, std::uint8_t p0,
                            std::uint8_t p1, std::uint8_t p2)
{
    QByteArray p(16, '\0');
    p[0] = '[';
    p[1] = char(command);
    p[2] = char(m_counter++);
    p[3] = char(m_moduleAddress >> 16);
    p[4] = char(m_moduleAddress >> 8);
    p[5] = char(m_moduleAddress);
    p[6] = char(m_pcAddress >> 16);
    p[7] = char(m_pcAddress >> 8);
    p[8] = char(m_pcAddress);
    p[9] = 0x02;
    p[10] = char(length);
    p[11] = char(type);
    p[12] = char(p0);
    p[13] = char(p1);
    p[14] = char(p2);
    p[15] = ']';
    return p;
}

void SimRelay::sendRaw(const QByteArray &bytes)
{
    if (m_client && m_client->state() == QAbstractSocket::ConnectedState)
        m_client->write(bytes);
}

void SimRelay::sendPlain(const QByteArray &plain)
{
    const QByteArray cipher = aes(m_sessionKey, plain, true);
    if (cipher.size() == 16)
        sendRaw('{' + cipher + '}');
}

void SimRelay::later(int ms, std::function<void()> action)
{
    if (ms <= 0) {
        action();
        return;
    }
    const qint64 due = m_clock.elapsed() + ms;
    m_pending.push_back({due, m_generation, std::move(action)});
    if (!m_pendingTimer.isActive())
        m_pendingTimer.start(int(qMax<qint64>(0, m_pending.front().due - m_clock.elapsed())));
}

void SimRelay::runDue()
{
    // Equal delays keep their order: the queue is sorted by construction.
    while (!m_pending.empty() && m_pending.front().due <= m_clock.elapsed()) {
        Pending p = std::move(m_pending.front());
        m_pending.pop_front();
        if (p.generation == m_generation)
            p.action();
    }
    if (!m_pending.empty())
        m_pendingTimer.start(int(qMax<qint64>(0, m_pending.front().due - m_clock.elapsed())));
}

void SimRelay::handle(const QByteArray &p)
{
    const auto command = std::uint8_t(p[1]);
    const int half = m_options.rttMs / 2;
    switch (command) {
    case Test: {
        ++m_tests;
        if (!m_options.answerTest)
            return;
        QByteArray masked = p;
        for (int i = 3; i <= 9; ++i)
            masked[i] = char(0xFF);
        const QByteArray c = aes(m_sessionKey, masked, true);
        if (c.size() != 16)
            return;
        QByteArray unit(18, '\0');
        unit[0] = '[';
        unit[1] = c[1];
        unit[2] = c[2];
        unit[3] = ']';
        sendRaw(unit);
        if (!m_echoTimer.isActive()) {
            QTimer::singleShot(1000, this, [this, g = m_generation] {
                if (g == m_generation)
                    sendEchoRequest();
            });
            m_echoTimer.start(m_options.echoIntervalMs);
        }
        return;
    }
    case EchoReply: {
        QByteArray got = p.mid(9, 6);
        if (m_echoExpected.isEmpty())
            return;
        if (got == m_echoExpected) {
            ++m_echoOk;
            emit note(QStringLiteral("echo reply ok"));
        } else {
            ++m_echoBad;
            emit note(QStringLiteral("echo reply wrong"));
        }
        m_echoExpected.clear();
        return;
    }
    case Single:
    case First: {
        const std::uint32_t dest = address(p, 6);
        if (m_options.moduleDevice >= 0 && dest != m_moduleAddress)
            return;   // no such module behind this server
        m_moduleAddress = dest;
        const auto type = std::uint8_t(p[11]);
        if (command == Single && type == Ping) {
            ++m_pings;
            const auto id = std::uint8_t(p[12]);
            const auto flags = std::uint8_t(p[13]);
            later(m_options.rttMs, [this, id, flags] { sendPlain(packet(Single, 0, Ping, id, flags, 0)); });
        } else if (command == Single && type == Presence) {
            ++m_presences;
        } else if (command == First && type == LinkToModule) {
            m_linkLength = std::uint8_t(p[10]);
            m_linkPayload = p.mid(12, 3);
        }
        return;
    }
    case Middle:
    case Last: {
        if (m_linkLength < 0)
            return;
        m_linkPayload += p.mid(2, 13);
        if (command == Last) {
            if (m_linkLength == 16 && m_linkPayload.size() >= 16) {
                const QByteArray frame = '{' + m_linkPayload.left(16) + '}';
                ++m_framesToModule;
                later(half, [this, frame] { emit toModule(frame); });
            }
            m_linkLength = -1;
            m_linkPayload.clear();
        }
        return;
    }
    default:
        return;
    }
}

void SimRelay::fromModule(const QByteArray &wireBytes)
{
    if (!m_session)
        return;
    m_moduleBytes += wireBytes;
    while (m_moduleBytes.size() >= 18) {
        const QByteArray frame = m_moduleBytes.left(18);
        m_moduleBytes.remove(0, 18);
        if (frame.at(0) != '{' || frame.at(17) != '}') {
            m_moduleBytes.clear();   // lost sync; the module's next frame starts afresh
            return;
        }
        ++m_framesFromModule;
        // Towards the program the whole wire frame, braces included, is the
        // payload: 18 bytes in a first packet (3), a middle one (13) and a last one (2).
        later(m_options.rttMs / 2, [this, frame] {
            const auto f = [&frame](int i) { return std::uint8_t(frame.at(i)); };
            const QByteArray first = packet(First, 18, LinkFromModule, f(0), f(1), f(2));
            QByteArray middle(16, '\0');
            middle[0] = '[';
            middle[1] = char(Middle);
            for (int i = 0; i < 13; ++i)
                middle[2 + i] = frame.at(3 + i);
            middle[15] = ']';
            QByteArray last(16, '\0');
            last[0] = '[';
            last[1] = char(Last);
            last[2] = frame.at(16);
            last[3] = frame.at(17);
            // the rest of the last packet is filler the program does not store
            for (int i = 4; i < 15; ++i)
                last[i] = char(QRandomGenerator::global()->bounded(256));
            last[15] = ']';
            QByteArray units;
            for (const QByteArray &plain : {first, middle, last}) {
                const QByteArray c = aes(m_sessionKey, plain, true);
                if (c.size() != 16)
                    return;
                units += '{' + c + '}';
            }
            sendRaw(units);
        });
    }
}

void SimRelay::sendEchoRequest()
{
    if (!m_session || !m_client)
        return;
    QByteArray p = packet(EchoRequest, 0, 0, 0, 0, 0);
    for (int i = 9; i <= 14; ++i)
        p[i] = char(QRandomGenerator::global()->bounded(256));
    m_echoExpected.clear();
    for (int i = 14; i >= 9; --i)
        m_echoExpected += p[i];
    sendPlain(p);
}

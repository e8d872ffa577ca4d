#include "transport/RelayProtocol.h"

#include <QRandomGenerator>
#include <openssl/evp.h>

#include <cstring>
#include <memory>

namespace {
QByteArray runCipher(const std::uint8_t key[16], const QByteArray &in, bool encrypt)
{
    if (in.size() != Relay::BlockSize)
        return {};
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> ctx(EVP_CIPHER_CTX_new(), &EVP_CIPHER_CTX_free);
    if (!ctx)
        return {};
    unsigned char out[2 * Relay::BlockSize];
    int n = 0;
    int tail = 0;
    if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0) != 1
        || EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1
        || EVP_CipherUpdate(ctx.get(), out, &n, reinterpret_cast<const unsigned char *>(in.constData()),
                            Relay::BlockSize) != 1
        || EVP_CipherFinal_ex(ctx.get(), out + n, &tail) != 1 || n + tail != Relay::BlockSize)
        return {};
    return QByteArray(reinterpret_cast<const char *>(out), Relay::BlockSize);
}

void putAddress(QByteArray &p, int at, std::uint32_t address)
{
    p[at] = char((address >> 16) & 0xFF);
    p[at + 1] = char((address >> 8) & 0xFF);
    p[at + 2] = char(address & 0xFF);
}

std::uint32_t addressAt(const QByteArray &p, int at)
{
    return (std::uint32_t(std::uint8_t(p[at])) << 16) | (std::uint32_t(std::uint8_t(p[at + 1])) << 8)
        | std::uint8_t(p[at + 2]);
}
}

QByteArray Relay::EncryptBlock(const std::uint8_t key[16], const QByteArray &plain16)
{
    return runCipher(key, plain16, true);
}

QByteArray Relay::DecryptBlock(const std::uint8_t key[16], const QByteArray &cipher16)
{
    return runCipher(key, cipher16, false);
}

TRelayProtocol::TRelayProtocol(const std::uint8_t relayKey[16])
    : m_random([] { return std::uint8_t(QRandomGenerator::global()->bounded(255)); })
{
    std::memcpy(m_relayKey, relayKey, sizeof m_relayKey);
    m_lastPing.start();
}

void TRelayProtocol::BuildSessionKey(const std::uint8_t relayKey[16], std::uint32_t pcAddress, std::uint8_t out[16])
{
    const std::uint8_t a[3] = {std::uint8_t(pcAddress >> 16), std::uint8_t(pcAddress >> 8), std::uint8_t(pcAddress)};
    std::memcpy(out, a, 3);
    std::memcpy(out + 3, relayKey + 3, 10);
    std::memcpy(out + 13, a, 3);
}

void TRelayProtocol::StartSession(std::uint32_t pcAddress, std::uint32_t moduleAddress)
{
    m_pcAddress = pcAddress & 0xFFFFFF;
    m_moduleAddress = moduleAddress & 0xFFFFFF;
    BuildSessionKey(m_relayKey, m_pcAddress, m_sessionKey);
    m_packetCounter = 0;
    m_testPending = false;
    std::memset(m_expectedTest, 0, sizeof m_expectedTest);
    std::memset(m_window, 0, sizeof m_window);
    m_payloadOpen = false;
    m_payloadLength = 0;
    m_payloadType = 0;
    m_payloadFill = 0;
}

std::uint8_t TRelayProtocol::nextRandom()
{
    // The server may rely on 0xFF never appearing here.
    const std::uint8_t r = m_random ? m_random() : 0;
    return r == 0xFF ? 0xFE : r;
}

QByteArray TRelayProtocol::PlainPacket(std::uint8_t command, std::uint8_t counter, std::uint32_t source,
                                       std::uint32_t destination, std::uint8_t length, std::uint8_t type,
                                       std::uint8_t p0, std::uint8_t p1, std::uint8_t p2)
{
    QByteArray p(Relay::BlockSize, '\0');
    p[0] = '[';
    p[1] = char(command);
    p[2] = char(counter);
    putAddress(p, 3, source);
    putAddress(p, 6, destination);
    p[9] = char(Relay::PacketMarker);
    p[10] = char(length);
    p[11] = char(type);
    p[12] = char(p0);
    p[13] = char(p1);
    p[14] = char(p2);
    p[15] = ']';
    return p;
}

QByteArray TRelayProtocol::Frame(const std::uint8_t key[16], const QByteArray &plain16)
{
    const QByteArray cipher = Relay::EncryptBlock(key, plain16);
    if (cipher.size() != Relay::BlockSize)
        return {};
    return '{' + cipher + '}';
}

QByteArray TRelayProtocol::ExpectedTestAnswer(const std::uint8_t sessionKey[16], const QByteArray &testPlain16)
{
    if (testPlain16.size() != Relay::BlockSize)
        return {};
    QByteArray masked = testPlain16;
    for (int i = 3; i <= 9; ++i)
        masked[i] = char(0xFF);
    const QByteArray cipher = Relay::EncryptBlock(sessionKey, masked);
    return cipher.size() == Relay::BlockSize ? cipher.mid(1, 2) : QByteArray();
}

QByteArray TRelayProtocol::buildSession(const QByteArray &plain)
{
    ++m_packetCounter;
    return Frame(m_sessionKey, plain);
}

QByteArray TRelayProtocol::ConnectPacket()
{
    const std::uint8_t r0 = nextRandom(), r1 = nextRandom(), r2 = nextRandom();
    const QByteArray plain = PlainPacket(Relay::CMD_CONNECT, m_packetCounter, m_pcAddress, 0, 0, 0, r0, r1, r2);
    ++m_packetCounter;
    return Frame(m_relayKey, plain);
}

QByteArray TRelayProtocol::TestPacket()
{
    const std::uint8_t r0 = nextRandom(), r1 = nextRandom(), r2 = nextRandom();
    const QByteArray plain = PlainPacket(Relay::CMD_TEST, m_packetCounter, m_pcAddress, 0, 0, 0, r0, r1, r2);
    const QByteArray answer = ExpectedTestAnswer(m_sessionKey, plain);
    if (answer.size() == 2) {
        m_expectedTest[0] = std::uint8_t(answer[0]);
        m_expectedTest[1] = std::uint8_t(answer[1]);
        m_testPending = true;
    }
    return buildSession(plain);
}

QByteArray TRelayProtocol::PingPacket(std::uint8_t flags)
{
    ++m_pingCounter;
    const QByteArray plain = PlainPacket(Relay::CMD_SINGLE, m_packetCounter, m_pcAddress, m_moduleAddress, 0,
                                         Relay::TYPE_PING, m_pingCounter, flags, 0);
    m_lastPing.restart();
    return buildSession(plain);
}

QByteArray TRelayProtocol::PresencePacket(std::uint8_t flags)
{
    const QByteArray plain = PlainPacket(Relay::CMD_SINGLE, m_packetCounter, m_pcAddress, m_moduleAddress, 0,
                                         Relay::TYPE_PRESENCE, 0, flags, 0);
    m_lastPing.restart();
    return buildSession(plain);
}

QByteArray TRelayProtocol::WireFramePackets(const QByteArray &wireFrame)
{
    if (wireFrame.size() != Relay::UnitSize || wireFrame.at(0) != '{' || wireFrame.at(17) != '}')
        return {};
    const auto f = [&wireFrame](int i) { return std::uint8_t(wireFrame.at(i)); };
    const QByteArray first = PlainPacket(Relay::CMD_FIRST, m_packetCounter, m_pcAddress, m_moduleAddress,
                                         Relay::BlockSize, Relay::TYPE_LINK_TO_MODULE, f(1), f(2), f(3));
    QByteArray last(Relay::BlockSize, '\0');
    last[0] = '[';
    last[1] = char(Relay::CMD_LAST);
    for (int i = 0; i < 13; ++i)
        last[2 + i] = wireFrame.at(4 + i);
    last[15] = ']';
    const QByteArray a = buildSession(first);
    const QByteArray b = buildSession(last);
    if (a.isEmpty() || b.isEmpty())
        return {};
    return a + b;
}

QByteArray TRelayProtocol::EchoReply(const QByteArray &request)
{
    if (request.size() != Relay::BlockSize)
        return {};
    QByteArray p(Relay::BlockSize, '\0');
    p[0] = '[';
    p[1] = char(Relay::CMD_ECHO_REPLY);
    p[2] = char(m_packetCounter);
    putAddress(p, 3, m_pcAddress);
    for (int i = 0; i < 6; ++i)
        p[9 + i] = request.at(14 - i);
    p[15] = ']';
    return buildSession(p);
}

void TRelayProtocol::Receive(const QByteArray &bytes)
{
    for (const char c : bytes)
        ReceiveByte(std::uint8_t(c));
}

void TRelayProtocol::ReceiveByte(std::uint8_t b)
{
    std::memmove(m_window, m_window + 1, Relay::UnitSize - 1);
    m_window[Relay::UnitSize - 1] = b;

    // The test answer is only looked for while one is outstanding, so a stream
    // of zero bytes before the first test cannot pass for it.
    if (m_testPending && m_window[0] == '[' && m_window[3] == ']' && m_window[1] == m_expectedTest[0]
        && m_window[2] == m_expectedTest[1]) {
        if (m_handlers.testAnswered)
            m_handlers.testAnswered();
    }

    if (m_window[0] == '{' && m_window[17] == '}') {
        const QByteArray plain = Relay::DecryptBlock(
            m_sessionKey, QByteArray::fromRawData(reinterpret_cast<const char *>(m_window + 1), Relay::BlockSize));
        if (plain.size() == Relay::BlockSize && plain.at(0) == '[' && plain.at(15) == ']') {
            std::memcpy(m_reception, plain.constData(), Relay::BlockSize);
            if (m_handlers.packetAccepted)
                m_handlers.packetAccepted(plain);
            handlePacket(plain);
        }
    }
}

void TRelayProtocol::appendPayload(const std::uint8_t *bytes, int count)
{
    for (int i = 0; i < count && m_payloadFill < m_payloadLength; ++i)
        m_payload[m_payloadFill++] = bytes[i];
}

void TRelayProtocol::handlePacket(const QByteArray &p)
{
    const auto *u = reinterpret_cast<const std::uint8_t *>(p.constData());
    switch (u[1]) {
    case Relay::CMD_ECHO_REQUEST: {
        const QByteArray unit = EchoReply(p);
        if (!unit.isEmpty() && m_handlers.reply)
            m_handlers.reply(unit);
        break;
    }
    case Relay::CMD_SINGLE:
    case Relay::CMD_FIRST:
        if (addressAt(p, 3) != m_moduleAddress)
            return;
        m_payloadLength = u[10];
        m_payloadType = u[11];
        m_payloadFill = 0;
        appendPayload(u + 12, 3);
        if (m_payloadType == Relay::TYPE_PING) {
            m_payload[0] = u[12];
            m_payload[1] = u[13];
        }
        m_payloadOpen = true;
        if (u[1] == Relay::CMD_SINGLE)
            deliverPayload();
        break;
    case Relay::CMD_MIDDLE:
    case Relay::CMD_LAST:
        // A continuation without its first packet (lost, or replayed on its own)
        // belongs to nothing.
        if (!m_payloadOpen)
            return;
        appendPayload(u + 2, 13);
        if (u[1] == Relay::CMD_LAST)
            deliverPayload();
        break;
    default:
        break;
    }
}

void TRelayProtocol::deliverPayload()
{
    m_payloadOpen = false;
    if (m_payloadType == Relay::TYPE_LINK_FROM_MODULE) {
        // Only a payload that arrived whole goes to the link: a short one would
        // hand over bytes left from an earlier payload.
        if (m_payloadFill == m_payloadLength && m_payloadLength > 0 && m_handlers.linkBytes)
            m_handlers.linkBytes(QByteArray(reinterpret_cast<const char *>(m_payload), m_payloadLength));
    } else if (m_payloadType == Relay::TYPE_PING) {
        if (m_handlers.pingReply)
            m_handlers.pingReply(m_payload[0], m_payload[1], m_lastPing.elapsed());
    }
    m_payloadFill = 0;
}

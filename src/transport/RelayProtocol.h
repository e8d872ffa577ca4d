#pragma once
// The relay server's packets, without any socket: building the 18-byte units the
// program sends, and taking the server's byte stream apart again. Every unit on
// the TCP stream is '{' + one AES-128-ECB block + '}'; the block decrypts to
// '[' command, counter, source, destination, 0x02, length, type, 3 payload bytes ']'.
// The connect packet is encrypted with the relay key shared with the server;
// everything after it with a session key made from the program's own address.

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdint>
#include <functional>

namespace Relay {
inline constexpr int UnitSize = 18;
inline constexpr int BlockSize = 16;

// Byte 1 of a plain packet.
enum : std::uint8_t {
    CMD_CONNECT = 0x00,
    CMD_TEST = 0x01,
    CMD_ECHO_REQUEST = 0x03,
    CMD_ECHO_REPLY = 0x13,
    CMD_SINGLE = 0x2E,   // '.'
    CMD_FIRST = 0x6E,    // 'n'
    CMD_MIDDLE = 0x7E,   // '~'
    CMD_LAST = 0x3E,     // '>'
};
// Byte 11 of a single or first packet.
enum : std::uint8_t {
    TYPE_PRESENCE = 0x00,
    TYPE_LINK_FROM_MODULE = 0x01,
    TYPE_LINK_TO_MODULE = 0x02,
    TYPE_PING = 0xFF,
};
inline constexpr std::uint8_t PacketMarker = 0x02;       // byte 9 of every packet we build
inline constexpr std::uint32_t PcDeviceNumber = 0xFEE;   // this program's device number
inline constexpr std::uint8_t LeaveFlags = 0xFF;         // activity flags of the two leave pings
inline constexpr int PayloadCapacity = 256;              // the length byte cannot say more than 255

// Account × 4096 + device, both 12 bits.
inline constexpr std::uint32_t Address(std::uint32_t account, std::uint32_t device)
{
    return ((account & 0xFFF) << 12) | (device & 0xFFF);
}

// One AES-128-ECB block under key (a new key schedule for every block); empty on
// a wrong size or a cipher failure.
QByteArray EncryptBlock(const std::uint8_t key[16], const QByteArray &plain16);
QByteArray DecryptBlock(const std::uint8_t key[16], const QByteArray &cipher16);
}

class TRelayProtocol
{
public:
    // What the receive path found; every member may be left empty.
    struct Handlers
    {
        // The server proved it holds the session key.
        std::function<void()> testAnswered;
        // A unit that decrypted to a plain packet (for the trace), before its handling.
        std::function<void(const QByteArray &plain16)> packetAccepted;
        // An 18-byte unit to send back at once (echo reply).
        std::function<void(const QByteArray &unit)> reply;
        // Link bytes from the module, a whole payload in order.
        std::function<void(const QByteArray &bytes)> linkBytes;
        // A ping came back: payload bytes 0 and 1, and the milliseconds since the
        // last ping or refresh went out.
        std::function<void(std::uint8_t id0, std::uint8_t id1, qint64 elapsedMs)> pingReply;
    };

    // relayKey: the 16 bytes shared with the relay server.
    explicit TRelayProtocol(const std::uint8_t relayKey[16]);

    // A new session: addresses and session key, packet counter 0, receive state
    // cleared. The ping counter runs on across sessions.
    void StartSession(std::uint32_t pcAddress, std::uint32_t moduleAddress);

    // Where the three random bytes of connect and test packets come from (0..254);
    // tests pin them.
    void SetRandomSource(std::function<std::uint8_t()> source) { m_random = std::move(source); }
    void SetHandlers(Handlers handlers) { m_handlers = std::move(handlers); }

    // Builders: each returns one framed unit (18 bytes) and advances the packet counter.
    QByteArray ConnectPacket();
    // Also remembers the answer the server must give.
    QByteArray TestPacket();
    // Also advances the ping counter and restarts the ping clock.
    QByteArray PingPacket(std::uint8_t flags);
    // Restarts the ping clock too.
    QByteArray PresencePacket(std::uint8_t flags);
    // A link wire frame ('{' + 16 + '}') as its two packets, 36 bytes; empty when
    // the frame is not 18 bytes with its braces (the counter is then untouched).
    QByteArray WireFramePackets(const QByteArray &wireFrame);
    // The answer to an echo request: bytes 9..14 of the request in reverse order.
    QByteArray EchoReply(const QByteArray &requestPlain16);

    // The server's byte stream, in order.
    void Receive(const QByteArray &bytes);
    void ReceiveByte(std::uint8_t b);

    // Plain packet (16 bytes) of the common layout, without touching any counter.
    static QByteArray PlainPacket(std::uint8_t command, std::uint8_t counter, std::uint32_t source,
                                  std::uint32_t destination, std::uint8_t length, std::uint8_t type,
                                  std::uint8_t p0, std::uint8_t p1, std::uint8_t p2);
    // '{' + encrypted block + '}', or empty on a cipher failure.
    static QByteArray Frame(const std::uint8_t key[16], const QByteArray &plain16);
    // The 2 bytes the server answers a test packet with: the packet with bytes 3..9
    // set to 0xFF, encrypted with the session key, bytes 1 and 2 of the result.
    static QByteArray ExpectedTestAnswer(const std::uint8_t sessionKey[16], const QByteArray &testPlain16);
    // PC address (3 bytes), relay key bytes 3..12, PC address again.
    static void BuildSessionKey(const std::uint8_t relayKey[16], std::uint32_t pcAddress, std::uint8_t out[16]);

    std::uint8_t packetCounter() const { return m_packetCounter; }
    std::uint8_t pingCounter() const { return m_pingCounter; }
    std::uint32_t pcAddress() const { return m_pcAddress; }
    std::uint32_t moduleAddress() const { return m_moduleAddress; }
    const std::uint8_t *sessionKey() const { return m_sessionKey; }
    // The last accepted plain packet.
    const std::uint8_t *receptionBuffer() const { return m_reception; }

private:
    std::uint8_t nextRandom();
    QByteArray buildSession(const QByteArray &plain);
    void handlePacket(const QByteArray &p);
    void appendPayload(const std::uint8_t *bytes, int count);
    void deliverPayload();

    std::uint8_t m_relayKey[16];
    std::uint8_t m_sessionKey[16] = {};
    std::uint32_t m_pcAddress = 0;
    std::uint32_t m_moduleAddress = 0;
    std::uint8_t m_packetCounter = 0;
    std::uint8_t m_pingCounter = 0;
    std::uint8_t m_expectedTest[2] = {};
    bool m_testPending = false;
    QElapsedTimer m_lastPing;

    std::uint8_t m_window[Relay::UnitSize] = {};
    std::uint8_t m_reception[Relay::BlockSize] = {};
    // Payload being assembled; open only between a first packet and its last one.
    bool m_payloadOpen = false;
    std::uint8_t m_payloadLength = 0;
    std::uint8_t m_payloadType = 0;
    int m_payloadFill = 0;
    std::uint8_t m_payload[Relay::PayloadCapacity] = {};

    std::function<std::uint8_t()> m_random;
    Handlers m_handlers;
};

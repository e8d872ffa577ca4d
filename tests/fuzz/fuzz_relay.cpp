// The relay server's byte stream: the receive window, the test answer, echo
// requests, and the assembly of payloads out of first, middle and last packets;
// whole link payloads go on to a link, as in IP mode.
//
// The first input byte chooses how the rest is fed:
//   bit 0 clear: the rest is a run of 16-byte plain packets, each framed with the
//                session key as the server would, so the fuzzer steers packet
//                assembly;
//   bit 0 set:   the rest goes in as it is (stray bytes, broken units, and the
//                unencrypted test answer);
//   bit 1:       send a test packet first, so a test answer is outstanding;
//   bit 2:       in packet mode, force the '[' and ']' of every packet;
//   bit 3:       in packet mode, force the module's address as the source of
//                every single and first packet (the others carry payload there);
//   bits 4-6:    the size of the pieces the stream is cut into (1 to 8 x 5 bytes).

#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "transport/RelayProtocol.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>

namespace {
constexpr std::uint8_t FuzzRelayKey[16] = {0x10, 0x21, 0x32, 0x43, 0x54, 0x65, 0x76, 0x87,
                                           0x98, 0xA9, 0xBA, 0xCB, 0xDC, 0xED, 0xFE, 0x0F};
constexpr std::uint8_t FuzzLinkKey[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                          0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
constexpr std::uint32_t PcAddress = Relay::Address(0x123, Relay::PcDeviceNumber);
constexpr std::uint32_t ModuleAddress = Relay::Address(0x123, 0xB2B);

Morvo3Texts &texts()
{
    static Morvo3Texts t;
    return t;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    texts();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t mode = data[0];
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), int(size - 1));

    TRelayProtocol relay(FuzzRelayKey);
    relay.SetRandomSource([] { return std::uint8_t(0x5A); });
    relay.StartSession(PcAddress, ModuleAddress);

    TLink link(texts(), FuzzLinkKey);
    link.setTransmitter([](const QByteArray &) { return true; });

    TRelayProtocol::Handlers handlers;
    handlers.reply = [](const QByteArray &unit) {
        if (unit.size() != Relay::UnitSize)
            std::abort();
    };
    handlers.linkBytes = [&link](const QByteArray &bytes) {
        // A payload is at most 255 bytes: the length byte cannot say more.
        if (bytes.isEmpty() || bytes.size() >= Relay::PayloadCapacity)
            std::abort();
        link.ReceiveLinkBytes(bytes);
    };
    handlers.pingReply = [](std::uint8_t, std::uint8_t, qint64) {};
    handlers.testAnswered = [] {};
    relay.SetHandlers(handlers);

    if (mode & 0x02)
        relay.TestPacket();

    QByteArray stream;
    if (mode & 0x01) {
        stream = rest;
    } else {
        const QByteArray source = TRelayProtocol::PlainPacket(0, 0, ModuleAddress, 0, 0, 0, 0, 0, 0);
        for (int at = 0; at + Relay::BlockSize <= rest.size(); at += Relay::BlockSize) {
            QByteArray plain = rest.mid(at, Relay::BlockSize);
            if (mode & 0x04) {
                plain[0] = '[';
                plain[15] = ']';
            }
            const std::uint8_t command = std::uint8_t(plain[1]);
            if ((mode & 0x08) && (command == Relay::CMD_SINGLE || command == Relay::CMD_FIRST)) {
                for (int i = 3; i <= 5; ++i)
                    plain[i] = source[i];
            }
            stream += TRelayProtocol::Frame(relay.sessionKey(), plain);
        }
    }
    const int piece = 5 * (1 + ((mode >> 4) & 0x07));
    for (int at = 0; at < stream.size(); at += piece)
        relay.Receive(stream.mid(at, piece));
    return 0;
}

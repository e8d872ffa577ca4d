// Relay packets byte by byte, pinned by vectors computed with an independent AES
// implementation (openssl enc -aes-128-ecb -nopad) under the test relay key
// 000102...0F and the session key it gives for PC address 0F 0F EE
// (0F0FEE 030405060708090A0B0C 0F0FEE); the receive window with the test answer
// and payload assembly; the connection page's input checks.

#include "link/Communication.h"
#include "common/Morvo3Texts.h"
#include "transport/RelayConnection.h"
#include "transport/RelayProtocol.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
constexpr std::uint8_t TestKey[16] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                                      0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
constexpr std::uint32_t PcAddress = 0x0F0FEE;
constexpr std::uint32_t ModuleAddress = 0x0F0ABC;

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
QByteArray unit(const char *cipherHex)
{
    return '{' + hex(cipherHex) + '}';
}

// Units the server sends (session key), with their plain text:
// ping reply '.' from 0F0ABC, length 0, type FF, ID 07 03
const char *const PingReply = "E3D50884D36D80F0D813067F2677D9E1";
// the same from 0F0ABD (another module)
const char *const PingReplyOtherModule = "2433F717E27CABAE2034B36345703052";
// 'n' length 18 type 01 with 10 11 12, '~' with 13..1F, '>' with 20 21 and 11 bytes EE
const char *const First18 = "CCC2C68CDA9EC8782CDE08DD010E2820";
const char *const Middle = "228077C7BE4556388555A1A0AEA14D38";
const char *const Last = "1A4F425E8C3577CC8864AE1C898E5B01";
// echo request with bytes 9..14 = 01 02 03 04 05 06
const char *const EchoRequest = "DA1903506EEC28A5CC0FDC4F3DA2099F";

struct Fixture
{
    TRelayProtocol protocol{TestKey};
    int testAnswers = 0;
    QList<QByteArray> link;
    QList<QByteArray> replies;
    QList<QPair<int, int>> pings;
    int accepted = 0;

    Fixture()
    {
        std::uint8_t next = 0x11;
        protocol.SetRandomSource([next]() mutable {
            const std::uint8_t r = next;
            next = std::uint8_t(next + 0x11);
            return r;
        });
        TRelayProtocol::Handlers h;
        h.testAnswered = [this] { ++testAnswers; };
        h.linkBytes = [this](const QByteArray &b) { link.append(b); };
        h.reply = [this](const QByteArray &u) { replies.append(u); };
        h.pingReply = [this](std::uint8_t a, std::uint8_t b, qint64) { pings.append({a, b}); };
        h.packetAccepted = [this](const QByteArray &) { ++accepted; };
        protocol.SetHandlers(h);
        protocol.StartSession(PcAddress, ModuleAddress);
    }
};
}

class TestRelayProtocol : public QObject
{
    Q_OBJECT
private slots:
    void sessionKey();
    void packetsOfOneSession();
    void wireFrameWithoutBracesIsNotSent();
    void testAnswerNeedsTheWholeUnit();
    void testAnswerOnlyAfterATestPacket();
    void receive_data();
    void receive();
    void echoRequestIsAnsweredReversed();
    void garbageNeverReachesTheLink();
    void derivationExample();
    void inputChecks_data();
    void inputChecks();
};

void TestRelayProtocol::sessionKey()
{
    std::uint8_t key[16];
    TRelayProtocol::BuildSessionKey(TestKey, PcAddress, key);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(key), 16), hex("0F0FEE 030405060708090A0B0C 0F0FEE"));
}

void TestRelayProtocol::packetsOfOneSession()
{
    Fixture f;
    // connect: 5B 00 00 0F0FEE 000000 02 00 00 11 22 33 5D under the relay key
    QCOMPARE(f.protocol.ConnectPacket(), unit("936F6A4A935D881131EB76084F15DA64"));
    // test: 5B 01 01 0F0FEE 000000 02 00 00 44 55 66 5D under the session key
    QCOMPARE(f.protocol.TestPacket(), unit("541A3D02531A0FF5C687E829D4BF114C"));
    // ping: 5B 2E 02 0F0FEE 0F0ABC 02 00 FF 01 03 00 5D (ping counter 1, flags 3)
    QCOMPARE(f.protocol.PingPacket(3), unit("2CEC1E786C28A58760F79DCE6D4FC98D"));
    QCOMPARE(f.protocol.pingCounter(), std::uint8_t(1));
    // presence: 5B 2E 03 0F0FEE 0F0ABC 02 00 00 00 03 00 5D
    QCOMPARE(f.protocol.PresencePacket(3), unit("D1E312EFA0000788DAF5818C9508B3A0"));
    // wire frame 7B A0..AF 7D: 5B 6E 04 0F0FEE 0F0ABC 02 10 02 A0 A1 A2 5D, then 5B 3E A3..AF 5D
    const QByteArray frame = '{' + hex("A0A1A2A3A4A5A6A7A8A9AAABACADAEAF") + '}';
    QCOMPARE(f.protocol.WireFramePackets(frame),
             unit("6970A457A5EBB663187840370A306618") + unit("2410013AC38A9D6168366675FA99FDBB"));
    QCOMPARE(f.protocol.packetCounter(), std::uint8_t(6));
    // A new session starts the packet counter again; the ping counter runs on.
    f.protocol.StartSession(PcAddress, ModuleAddress);
    QCOMPARE(f.protocol.packetCounter(), std::uint8_t(0));
    QCOMPARE(f.protocol.pingCounter(), std::uint8_t(1));
}

void TestRelayProtocol::wireFrameWithoutBracesIsNotSent()
{
    Fixture f;
    QByteArray frame = '{' + QByteArray(16, 'x') + '}';
    frame[17] = ']';
    QVERIFY(f.protocol.WireFramePackets(frame).isEmpty());
    QVERIFY(f.protocol.WireFramePackets(frame.left(17)).isEmpty());
    QCOMPARE(f.protocol.packetCounter(), std::uint8_t(0));
}

void TestRelayProtocol::testAnswerNeedsTheWholeUnit()
{
    Fixture f;
    f.protocol.ConnectPacket();
    f.protocol.TestPacket();
    // The masked test packet under the session key starts 2B 44 49: the answer is 44 49.
    const QByteArray answer = hex("5B44495D") + QByteArray(14, '\0');
    f.protocol.Receive(QByteArray(5, 'z'));
    f.protocol.Receive(answer.left(17));
    QCOMPARE(f.testAnswers, 0);
    f.protocol.Receive(answer.mid(17));
    QCOMPARE(f.testAnswers, 1);

    // The answer to an earlier test packet does not count for a later one.
    Fixture g;
    g.protocol.ConnectPacket();
    g.protocol.TestPacket();   // the packet answered by 44 49
    g.protocol.TestPacket();   // counter 2, other random bytes: another answer
    g.protocol.Receive(answer);
    QCOMPARE(g.testAnswers, 0);
}

void TestRelayProtocol::testAnswerOnlyAfterATestPacket()
{
    // Before any test packet the expected answer is unset: zero bytes framed by
    // '[' ']' must not pass for it.
    Fixture f;
    f.protocol.Receive(hex("5B00005D") + QByteArray(14, '\0'));
    QCOMPARE(f.testAnswers, 0);
}

void TestRelayProtocol::receive_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QByteArray>("link");       // all link bytes delivered, joined
    QTest::addColumn<int>("pings");

    const QByteArray payload18 = hex("101112131415161718191A1B1C1D1E1F2021");
    QTest::newRow("ping reply") << unit(PingReply) << QByteArray() << 1;
    QTest::newRow("ping reply from another module") << unit(PingReplyOtherModule) << QByteArray() << 0;
    QTest::newRow("first, middle, last: 3 + 13 + 2 bytes") << unit(First18) + unit(Middle) + unit(Last) << payload18 << 0;
    QTest::newRow("garbage before and between units")
        << QByteArray("}{{x") + unit(First18) + QByteArray("{}") + unit(Middle) + unit(Last) << payload18 << 0;
    QTest::newRow("middle missing: short payload is dropped") << unit(First18) + unit(Last) << QByteArray() << 0;
    QTest::newRow("last replayed on its own") << unit(First18) + unit(Middle) + unit(Last) + unit(Last)
                                              << payload18 << 0;
    QTest::newRow("continuations without a first packet") << unit(Middle) + unit(Last) << QByteArray() << 0;
    QByteArray garbled = unit(First18) + unit(Middle) + unit(Last);
    garbled[18 + 5] = char(garbled[18 + 5] ^ 0x01);
    QTest::newRow("middle packet with one flipped bit") << garbled << QByteArray() << 0;
    QTest::newRow("unit cut short, then whole ones")
        << unit(First18).left(10) + unit(First18) + unit(Middle) + unit(Last) << payload18 << 0;
}

void TestRelayProtocol::receive()
{
    QFETCH(QByteArray, stream);
    QFETCH(QByteArray, link);
    QFETCH(int, pings);
    Fixture f;
    f.protocol.Receive(stream);
    QCOMPARE(f.link.join(), link);
    QCOMPARE(f.pings.size(), pings);
    if (pings > 0)
        QCOMPARE(f.pings.first(), qMakePair(7, 3));
}

void TestRelayProtocol::echoRequestIsAnsweredReversed()
{
    Fixture f;
    for (int i = 0; i < 6; ++i)
        f.protocol.PingPacket(0);   // packet counter 6
    f.protocol.Receive(unit(EchoRequest));
    QCOMPARE(f.replies.size(), 1);
    // 5B 13 06 0F0FEE 000000 06 05 04 03 02 01 5D
    QCOMPARE(f.replies.first(), unit("F0AFA499DDF5FD8E49202884D4AC5796"));
}

void TestRelayProtocol::garbageNeverReachesTheLink()
{
    // Whatever the server sends that is not a whole, well-formed link payload
    // must not reach the link: random bytes, units with random cipher bytes,
    // and real packets cut, repeated out of order or with bytes changed.
    Morvo3Texts texts;
    TLink link(texts, TestKey);
    int dispatched = 0;
    connect(&link, &TLink::frameDispatched, this, [&] { ++dispatched; });
    Fixture f;
    int delivered = 0;
    TRelayProtocol::Handlers h;
    h.linkBytes = [&](const QByteArray &b) { ++delivered; link.ReceiveLinkBytes(b); };
    h.reply = [](const QByteArray &) {};
    h.pingReply = [](std::uint8_t, std::uint8_t, qint64) {};
    f.protocol.SetHandlers(h);

    QRandomGenerator random(20261210);
    const QList<QByteArray> parts = {unit(First18), unit(Middle), unit(Last), unit(PingReply), unit(EchoRequest)};
    for (int round = 0; round < 4000; ++round) {
        QByteArray chunk;
        switch (random.bounded(4)) {
        case 0: // random bytes, often braces
            for (int i = random.bounded(1, 40); i > 0; --i)
                chunk += random.bounded(3) == 0 ? (random.bounded(2) ? '{' : '}') : char(random.bounded(256));
            break;
        case 1: { // a unit of random cipher bytes
            QByteArray c(16, '\0');
            for (char &b : c)
                b = char(random.bounded(256));
            chunk = '{' + c + '}';
            break;
        }
        case 2: { // a real unit, garbled
            chunk = parts.at(random.bounded(int(parts.size())));
            const int at = random.bounded(1, 17);
            chunk[at] = char(chunk[at] ^ (1 << random.bounded(8)));
            break;
        }
        default: // a real continuation or ping, cut or whole, out of order
            chunk = parts.at(random.bounded(1, 4));
            chunk = chunk.left(random.bounded(1, 19));
            break;
        }
        f.protocol.Receive(chunk);
    }
    QCOMPARE(delivered, 0);
    QCOMPARE(dispatched, 0);

    // The stream is still in step afterwards: a whole payload gets through.
    f.protocol.Receive(unit(First18) + unit(Middle) + unit(Last));
    QCOMPARE(delivered, 1);
}

void TestRelayProtocol::derivationExample()
{
    const QString password = QStringLiteral("01") + QString(18, QLatin1Char('7'));
    const RelayInput::TCheckResult r = RelayInput::CheckConnectInputs(password, QStringLiteral("ABC"));
    QCOMPARE(int(r.check), int(RelayInput::TCheck::Ok));
    QCOMPARE(r.account, 240);
    QCOMPARE(r.device, 0xABC);
    QCOMPARE(Relay::Address(std::uint32_t(r.account), Relay::PcDeviceNumber), std::uint32_t(0x0F0FEE));
    QCOMPARE(Relay::Address(std::uint32_t(r.account), std::uint32_t(r.device)), std::uint32_t(0x0F0ABC));
}

void TestRelayProtocol::inputChecks_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<int>("check");
    QTest::addColumn<QString>("messageKey");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<int>("account");
    QTest::addColumn<int>("device");

    const int ok = int(RelayInput::TCheck::Ok);
    const int give = int(RelayInput::TCheck::GivePasswordFirst);
    const int badPwd = int(RelayInput::TCheck::InvalidPassword);
    const int badSerial = int(RelayInput::TCheck::InvalidSerial);
    const QString pwd20 = QStringLiteral("F3-0000-0000-0000-0000-00");   // 20 digits with dashes
    QTest::newRow("empty password") << QString() << "ABC" << give << "lbTXT_GIVE_PASSWORD_FIRST" << 0 << -1 << -1;
    QTest::newRow("one digit") << "7" << "ABC" << give << "lbTXT_GIVE_PASSWORD_FIRST" << 0 << -1 << -1;
    QTest::newRow("19 digits") << QString(19, QLatin1Char('1')) << "ABC" << badPwd << "lbTXT_INVALID_PWD" << 1000 << -1 << -1;
    QTest::newRow("lower case is dropped, not upper-cased")
        << "abcd" + QString(16, QLatin1Char('1')) << "ABC" << badPwd << "lbTXT_INVALID_PWD" << 1000 << -1 << -1;
    // F3: 15 + 16 × (16 − 3) = 223
    QTest::newRow("dashes and blanks are dropped") << pwd20 << "SN 12-5A7" << ok << QString() << 0 << 223 << 0x5A7;
    QTest::newRow("serial with fewer than three hex digits") << pwd20 << "7" << badSerial << "lbTXT_INVALID_SERIAL_NR" << 500 << 223 << -1;
    QTest::newRow("serial 000") << pwd20 << "000" << badSerial << "lbTXT_INVALID_SERIAL_NR" << 500 << 223 << 0;
    QTest::newRow("serial in lower case") << pwd20 << "x-fe1" << ok << QString() << 0 << 223 << 0xFE1;
    QTest::newRow("last three of many") << pwd20 << "123456" << ok << QString() << 0 << 223 << 0x456;
}

void TestRelayProtocol::inputChecks()
{
    QFETCH(QString, password);
    QFETCH(QString, serial);
    QFETCH(int, check);
    QFETCH(QString, messageKey);
    QFETCH(int, pauseMs);
    QFETCH(int, account);
    QFETCH(int, device);
    const RelayInput::TCheckResult r = RelayInput::CheckConnectInputs(password, serial);
    QCOMPARE(int(r.check), check);
    QCOMPARE(r.messageKey, messageKey);
    QCOMPARE(r.pauseMs, pauseMs);
    if (check != int(RelayInput::TCheck::GivePasswordFirst) && check != int(RelayInput::TCheck::InvalidPassword))
        QCOMPARE(r.account, account);
    if (check == int(RelayInput::TCheck::Ok) || device >= 0)
        QCOMPARE(r.device, device);
}

QTEST_GUILESS_MAIN(TestRelayProtocol)
#include "tst_relayprotocol.moc"

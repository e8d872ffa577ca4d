// Frame codec: wire bytes pinned by vectors computed with an independent AES
// implementation (openssl enc -aes-128-ecb -nopad -K 000102030405060708090A0B0C0D0E0F),
// the sequence counter, the send log and the sliding receive window.

#include "LinkFixture.h"

#include <QRegularExpression>
#include <QtTest>

using namespace LinkTest;

namespace {
// Received frames, cipher bytes by openssl, plain bytes as the module meant them.
const char *const BlockHeaderWire = "7B F4EFAD15493ED10B680FA857F5CADBDB 7D";
const char *const BlockHeaderPlain = "5B2C0000000000000000000000FE005D";
const char *const PwAcceptedWire = "7B 0D3C8E77FCD86F6CCF3046F6920ED059 7D";
const char *const PwAcceptedPlain = "5B24000000000000000000230400005D";
const char *const TextLongWire = "7B 89164E8E1FBD00D2E25863CD547AD38C 7D";
const char *const TextLongPlain = "5B3148656C00006C6F0000000000215D";
// Decrypts to '[' ... 0x00: no closing ']'.
const char *const NoCloseWire = "7B ED7940401736E0088FB5B383310F2A96 7D";
} // namespace

class TestCodec : public QObject
{
    Q_OBJECT
private slots:
    void sendKnownAnswer_data();
    void sendKnownAnswer();
    void receiveKnownAnswer_data();
    void receiveKnownAnswer();
    void rejectedFrameKeepsReceptionBuffer();
    void sequenceCounterWrapsAndLongFramesLeaveIt();
    void longFramesAreLoggedShortFramesNot();
    void noTransportDropsFrames();
    void slidingWindow_data();
    void slidingWindow();
    void badBlockSizes();
};

void TestCodec::sendKnownAnswer_data()
{
    QTest::addColumn<bool>("longForm");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("args");
    QTest::addColumn<int>("earlierShortFrames");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("short BLOCK_READ 254, sequence 0")
        << false << int(Link::BLOCK_READ) << hex("000000FE40") << 0
        << hex("7B 065FF6E15F520CC4B1954A93D7D37329 7D");
    QTest::newRow("short CMD_EVENTS 1000, sequence 5")
        << false << int(Link::COMMAND) << hex("0203E80000") << 5
        << hex("7B 6211C9950E68BDE15BAE6505BA4B1CAD 7D");
    QTest::newRow("long password 1234")
        << true << int(Link::COMMAND) << hex("3132333400FFFFFFFFFFFFFFFF") << 3
        << hex("7B 378FD473330531887721E845FCD3FFBB 7D");
    QTest::newRow("long chunk 5 of a zero block")
        << true << int(Link::BLOCK_WRITE_CHUNK) << hex("0500000000000000021C000000") << 0
        << hex("7B 824FA25222B81C1F5317D5095C4ED7ED 7D");
    QTest::newRow("long chunk 0 with text")
        << true << int(Link::BLOCK_WRITE_CHUNK) << hex("005A45484C2C36342C33312C4D") << 0
        << hex("7B DA58D8CC127C610A9FA2917BA692AC2B 7D");
}

void TestCodec::sendKnownAnswer()
{
    QFETCH(bool, longForm);
    QFETCH(int, type);
    QFETCH(QByteArray, args);
    QFETCH(int, earlierShortFrames);
    QFETCH(QByteArray, wire);

    LinkFixture f;
    const std::uint8_t none[5] = {};
    for (int i = 0; i < earlierShortFrames; ++i)
        f.link.SendShortFrame(Link::COMMAND, none);
    f.sent.clear();

    const auto *a = reinterpret_cast<const std::uint8_t *>(args.constData());
    if (longForm)
        f.link.SendLongFrame(std::uint8_t(type), a);
    else
        f.link.SendShortFrame(std::uint8_t(type), a);

    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(hexText(f.sent.at(0)), hexText(wire));
}

void TestCodec::receiveKnownAnswer_data()
{
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("plain"); // empty: nothing may be dispatched

    QTest::newRow("block header 254") << hex(BlockHeaderWire) << hex(BlockHeaderPlain);
    QTest::newRow("password accepted") << hex(PwAcceptedWire) << hex(PwAcceptedPlain);
    QTest::newRow("long comment text") << hex(TextLongWire) << hex(TextLongPlain);
    QTest::newRow("no closing bracket") << hex(NoCloseWire) << QByteArray();
    QTest::newRow("random cipher bytes") << hex("7B 11111111111111111111111111111111 7D") << QByteArray();
    QTest::newRow("cipher of braces") << hex("7B 7B7B7B7B7B7B7B7B7B7B7B7B7B7B7B7B 7D") << QByteArray();
}

void TestCodec::receiveKnownAnswer()
{
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, plain);

    LinkFixture f;
    f.link.ReceiveLinkBytes(wire);
    if (plain.isEmpty()) {
        QCOMPARE(f.dispatched.size(), 0);
    } else {
        QCOMPARE(f.dispatched.size(), 1);
        QCOMPARE(hexText(f.dispatched.at(0)), hexText(plain));
        QCOMPARE(hexText(f.link.DecryptPlainBlock(wire.mid(1, 16))), hexText(plain));
    }
}

void TestCodec::rejectedFrameKeepsReceptionBuffer()
{
    LinkFixture f;
    f.link.ReceiveLinkBytes(hex(TextLongWire));
    f.link.ReceiveLinkBytes(hex(NoCloseWire));
    QCOMPARE(f.dispatched.size(), 1);
    QCOMPARE(hexText(QByteArray(reinterpret_cast<const char *>(f.link.ReceptionBuffer), 16)),
             hexText(hex(TextLongPlain)));
}

void TestCodec::sequenceCounterWrapsAndLongFramesLeaveIt()
{
    LinkFixture f;
    const std::uint8_t shortArgs[5] = {0x02, 0x00, 0x08, 0x00, 0x00};
    const std::uint8_t longArgs[13] = {0xAA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    QList<bool> isLong;
    for (int i = 0; i < 257; ++i) {
        f.link.SendShortFrame(Link::COMMAND, shortArgs);
        isLong.append(false);
        if (i % 50 == 0) {
            f.link.SendLongFrame(Link::COMMAND, longArgs);
            isLong.append(true);
        }
    }
    QCOMPARE(f.sent.size(), isLong.size());
    int expectedSequence = 0;
    for (int i = 0; i < f.sent.size(); ++i) {
        QCOMPARE(f.sent.at(i).size(), Link::WireFrameSize);
        const QByteArray p = f.sentPlain(i);
        if (isLong.at(i)) {
            QCOMPARE(std::uint8_t(p[2]), std::uint8_t(0xAA)); // argument, not the counter
            continue;
        }
        QCOMPARE(int(std::uint8_t(p[2])), expectedSequence % 256);
        QCOMPARE(hexText(p.mid(3, 7)), QStringLiteral("00 FF FF 00 FF FF 00"));
        ++expectedSequence;
    }
    QCOMPARE(expectedSequence, 257);
    QCOMPARE(int(f.link.sequenceCounter()), 1); // 257 frames: 0..255, 0, next is 1
}

void TestCodec::longFramesAreLoggedShortFramesNot()
{
    LinkFixture f;
    const std::uint8_t shortArgs[5] = {};
    f.link.SendShortFrame(Link::BLOCK_READ, shortArgs);
    QCOMPARE(f.memos.size(), 0);

    const std::uint8_t longArgs[13] = {0x31, 0x32, 0x33, 0x34, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFA};
    f.link.SendLongFrame(Link::COMMAND, longArgs);
    QCOMPARE(f.memos.size(), 1);
    QCOMPARE(f.memos.at(0).target, MemoTarget::SendLog);
    QCOMPARE(f.memos.at(0).force, false);
    const QRegularExpression line(QStringLiteral(
        "^\\d\\d:\\d\\d\\.\\d\\d\\d SND:5B 24 31 32 33 34 00 FF FF FF FF FF FF FF FA 5D \\n$"));
    QVERIFY2(line.match(f.memos.at(0).text).hasMatch(), qPrintable(f.memos.at(0).text));
}

void TestCodec::noTransportDropsFrames()
{
    LinkFixture f;
    const std::uint8_t args[13] = {};
    // A transport that is not ready refuses; then no transport at all.
    int offered = 0;
    f.link.setTransmitter([&offered](const QByteArray &) {
        ++offered;
        return false;
    });
    f.link.SendShortFrame(Link::COMMAND, args);
    QCOMPARE(offered, 1);
    f.link.setTransmitter({});
    f.link.SendShortFrame(Link::COMMAND, args);
    f.link.SendLongFrame(Link::COMMAND, args);
    QCOMPARE(offered, 1);
    QCOMPARE(f.sent.size(), 0);
    QCOMPARE(int(f.link.sequenceCounter()), 2); // the counter still advanced
}

void TestCodec::slidingWindow_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("expected");

    const QByteArray a = hex(PwAcceptedWire);
    const QByteArray b = hex(TextLongWire);
    const QString pa = hexText(hex(PwAcceptedPlain));
    const QString pb = hexText(hex(TextLongPlain));
    QByteArray dropped = a;
    dropped.remove(7, 1);

    QTest::newRow("garbage before a frame") << hex("00 7B 7D 7B 11 22 7D 7D 7B") + a << QStringList{pa};
    QTest::newRow("two frames back to back") << a + b << QStringList{pa, pb};
    QTest::newRow("half a frame, then a frame") << a.left(9) + b << QStringList{pb};
    QTest::newRow("frame with a lost byte, then a frame") << dropped + b << QStringList{pb};
    QTest::newRow("frame without brackets, then a frame") << hex(NoCloseWire) + a << QStringList{pa};
    QTest::newRow("frame, garbage, frame") << b + hex("7D 7B 7D 00") + a << QStringList{pb, pa};
    QTest::newRow("a frame cut at the end") << b + a.left(17) << QStringList{pb};
    QByteArray wrongClose = a;
    wrongClose[17] = 'X';
    QTest::newRow("wrong closing byte") << wrongClose + b << QStringList{pb};
}

void TestCodec::slidingWindow()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, expected);

    LinkFixture f;
    f.link.ReceiveLinkBytes(stream);
    QStringList got;
    for (const auto &p : f.dispatched)
        got.append(hexText(p));
    QCOMPARE(got, expected);
}

void TestCodec::badBlockSizes()
{
    LinkFixture f;
    QVERIFY(f.link.EncryptPlainBlock(QByteArray(15, 'x')).isEmpty());
    QVERIFY(f.link.DecryptPlainBlock(QByteArray(17, 'x')).isEmpty());
    QVERIFY(f.link.BuildWireFrame(QByteArray()).isEmpty());
    f.link.TransmitWireFrame(QByteArray(17, '{'));
    QCOMPARE(f.sent.size(), 0);
    const QByteArray plain = hex(PwAcceptedPlain);
    QCOMPARE(f.link.DecryptPlainBlock(f.link.EncryptPlainBlock(plain)), plain);
}

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"

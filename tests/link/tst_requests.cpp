// Requests byte by byte, as they leave the link (decrypted again from the wire),
// the block checksum and the block write sequence with its stop checks.

#include "LinkFixture.h"

#include "common/WaitContext.h"

#include <QtTest>
#include <functional>

using namespace LinkTest;

using Sender = std::function<void(TLink &)>;
Q_DECLARE_METATYPE(Sender)

namespace {
QByteArray blockOf(std::uint8_t fill)
{
    return QByteArray(Link::BlockSize, char(fill));
}

const std::uint8_t *bytes(const QByteArray &a)
{
    return reinterpret_cast<const std::uint8_t *>(a.constData());
}

// Short plain block with sequence 0 and the fixed filler.
QString shortPlain(const char *type, const char *args)
{
    return hexText(hex("5B") + hex(type) + hex("00 00FFFF00FFFF00") + hex(args) + hex("5D"));
}

QString longPlain(const char *type, const char *args)
{
    return hexText(hex("5B") + hex(type) + hex(args) + hex("5D"));
}
} // namespace

class TestRequests : public QObject
{
    Q_OBJECT
private slots:
    void requestFrames_data();
    void requestFrames();
    void blockChecksum_data();
    void blockChecksum();
    void blockWriteStops_data();
    void blockWriteStops();
    void blockWriteClearsAckBeforeLastChunk();
    void firmwareResetNote();
};

void TestRequests::requestFrames_data()
{
    QTest::addColumn<Sender>("send");
    QTest::addColumn<QStringList>("plains");

    using namespace Requests;
    QTest::newRow("block read 0") << Sender([](TLink &l) { SendBlockRead(l, 0); })
                                  << QStringList{shortPlain("1C", "00 00 00 00 40")};
    QTest::newRow("block read 254") << Sender([](TLink &l) { SendBlockRead(l, 254); })
                                    << QStringList{shortPlain("1C", "00 00 00 FE 40")};
    QTest::newRow("1000 events") << Sender([](TLink &l) { SendEventsRequest(l, 1000); })
                                 << QStringList{shortPlain("24", "02 03 E8 00 00")};
    QTest::newRow("8 events") << Sender([](TLink &l) { SendEventsRequest(l, 8); })
                              << QStringList{shortPlain("24", "02 00 08 00 00")};
    QTest::newRow("event ack 0x1234") << Sender([](TLink &l) { SendEventAck(l, 0x1234); })
                                      << QStringList{shortPlain("24", "04 12 34 00 00")};
    QTest::newRow("relay 1 on") << Sender([](TLink &l) { SendRelay(l, 1, true); })
                                << QStringList{shortPlain("24", "03 01 00 00 00")};
    QTest::newRow("relay 1 off") << Sender([](TLink &l) { SendRelay(l, 1, false); })
                                 << QStringList{shortPlain("24", "03 00 00 00 00")};
    QTest::newRow("relay 2 on") << Sender([](TLink &l) { SendRelay(l, 2, true); })
                                << QStringList{shortPlain("24", "03 03 00 00 00")};
    QTest::newRow("relay 2 off") << Sender([](TLink &l) { SendRelay(l, 2, false); })
                                 << QStringList{shortPlain("24", "03 02 00 00 00")};
    QTest::newRow("test report") << Sender([](TLink &l) { SendTestReport(l); })
                                 << QStringList{shortPlain("24", "05 01 00 00 00")};
    QTest::newRow("stop alarm") << Sender([](TLink &l) { SendStopAlarm(l); })
                                << QStringList{shortPlain("24", "06 01 00 00 00")};
    QTest::newRow("erase log") << Sender([](TLink &l) { SendEraseLog(l); })
                               << QStringList{shortPlain("24", "06 55 AA 00 00")};
    QTest::newRow("flash reset") << Sender([](TLink &l) { SendFlashReset(l); })
                                 << QStringList{shortPlain("24", "07 55 AA 00 00")};
    QTest::newRow("firmware reset") << Sender([](TLink &l) { SendFirmwareReset(l); })
                                    << QStringList{shortPlain("2F", "21 05 00 00 00")};
    QTest::newRow("login password, 10 characters")
        << Sender([](TLink &l) { SendLoginPassword(l, QStringLiteral("abcdefghij")); })
        << QStringList{shortPlain("64", "01 FF FF FF FF"),
                       longPlain("24", "61 62 63 64 65 66 67 68 69 6A 00 FF FF")};
    QTest::newRow("new password 4321")
        << Sender([](TLink &l) { SendNewPassword(l, QStringLiteral("4321")); })
        << QStringList{shortPlain("64", "00 FF FF FF FF"),
                       longPlain("24", "34 33 32 31 00 FF FF FF FF FF FF FF FF")};
    // The module's code page, not Latin-1: o and u with double acute, s and c with caron.
    QTest::newRow("login password with Central European letters")
        << Sender([](TLink &l) { SendLoginPassword(l, QString::fromUtf8("őűšč1Ő")); })
        << QStringList{shortPlain("64", "01 FF FF FF FF"),
                       longPlain("24", "F5 FB 9A E8 31 D5 00 FF FF FF FF FF FF")};
    QTest::newRow("new password with a letter outside the code page")
        << Sender([](TLink &l) { SendNewPassword(l, QString::fromUtf8("a\u0434b")); })
        << QStringList{shortPlain("64", "00 FF FF FF FF"),
                       longPlain("24", "61 3F 62 00 FF FF FF FF FF FF FF FF FF")};
    QTest::newRow("empty password")
        << Sender([](TLink &l) { SendLoginPassword(l, QString()); })
        << QStringList{shortPlain("64", "01 FF FF FF FF"),
                       longPlain("24", "00 FF FF FF FF FF FF FF FF FF FF FF FF")};
    // Longer than the field allows: cut so that the terminating 0x00 still fits.
    QTest::newRow("15-character password is cut to 12")
        << Sender([](TLink &l) { SendLoginPassword(l, QStringLiteral("ABCDEFGHIJKLMNO")); })
        << QStringList{shortPlain("64", "01 FF FF FF FF"),
                       longPlain("24", "41 42 43 44 45 46 47 48 49 4A 4B 4C 00")};
    QTest::newRow("write zero block 7")
        << Sender([](TLink &l) { SendBlockWrite(l, 7, bytes(blockOf(0))); })
        << QStringList{shortPlain("2D", "00 00 00 07 40"),
                       longPlain("3D", "00 000000000000000000000000"),
                       longPlain("3D", "01 000000000000000000000000"),
                       longPlain("3D", "02 000000000000000000000000"),
                       longPlain("3D", "03 000000000000000000000000"),
                       longPlain("3D", "04 000000000000000000000000"),
                       longPlain("3D", "05 00000000 0000021C 000000 00")};
    QByteArray counting(Link::BlockSize, '\0');
    for (int i = 0; i < counting.size(); ++i)
        counting[i] = char(i);
    QTest::newRow("write counting block 41")
        << Sender([counting](TLink &l) { SendBlockWrite(l, 41, bytes(counting)); })
        << QStringList{shortPlain("2D", "00 00 00 29 40"),
                       longPlain("3D", "00 000102030405060708090A0B"),
                       longPlain("3D", "01 0C0D0E0F1011121314151617"),
                       longPlain("3D", "02 18191A1B1C1D1E1F20212223"),
                       longPlain("3D", "03 2425262728292A2B2C2D2E2F"),
                       longPlain("3D", "04 303132333435363738393A3B"),
                       // sum of (i XOR (chunk + 1 + index)) over the 64 bytes = 0x07AC
                       longPlain("3D", "05 3C3D3E3F 000007AC 000000 00")};
}

void TestRequests::requestFrames()
{
    QFETCH(Sender, send);
    QFETCH(QStringList, plains);

    LinkFixture f;
    send(f.link);
    QStringList got;
    for (int i = 0; i < f.sent.size(); ++i)
        got.append(hexText(f.sentPlain(i)));
    // Every row has at most one short frame, the first one: sequence 0.
    QCOMPARE(got, plains);
}

void TestRequests::blockChecksum_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<quint32>("checksum");

    QTest::newRow("64 zero bytes") << blockOf(0x00) << quint32(0x21C);
    // 0xFF XOR x = 255 - x: 64 x 255 - 540.
    QTest::newRow("64 bytes 0xFF") << blockOf(0xFF) << quint32(64 * 255 - 540);
    QByteArray selfCancelling(Link::BlockSize, '\0');
    for (int pos = 0; pos < Link::BlockSize; ++pos)
        selfCancelling[pos] = char(pos / 12 + 1 + pos % 12);
    QTest::newRow("every byte equal to its key") << selfCancelling << quint32(0);
}

void TestRequests::blockChecksum()
{
    QFETCH(QByteArray, block);
    QFETCH(quint32, checksum);
    QCOMPARE(Requests::BlockChecksum(bytes(block)), checksum);
}

void TestRequests::blockWriteStops_data()
{
    QTest::addColumn<int>("stopAfterChunk"); // -1: never
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("complete");

    QTest::newRow("no stop") << -1 << 7 << true;
    QTest::newRow("stop after chunk 0") << 0 << 2 << false;
    QTest::newRow("stop after chunk 3") << 3 << 5 << false;
    QTest::newRow("stop after chunk 4") << 4 << 6 << false;
}

void TestRequests::blockWriteStops()
{
    QFETCH(int, stopAfterChunk);
    QFETCH(int, frames);
    QFETCH(bool, complete);

    LinkFixture f;
    const QByteArray block = blockOf(0x11);
    // The stop request is raised while chunk stopAfterChunk goes out.
    bool stop = false;
    f.link.setTransmitter([&](const QByteArray &frame) {
        f.sent.append(frame);
        const QByteArray p = f.link.DecryptPlainBlock(frame.mid(1, 16));
        if (std::uint8_t(p[1]) == Link::BLOCK_WRITE_CHUNK && p[2] == stopAfterChunk)
            stop = true;
        return true;
    });
    const bool done = Requests::SendBlockWrite(f.link, 3, bytes(block), [&stop] { return stop; });
    QCOMPARE(done, complete);
    QCOMPARE(f.sent.size(), frames);

    // The same through the waiting helper's cancel flag, raised before the write.
    LinkFixture g;
    TWaitContext wait;
    wait.StopRequested = true;
    QVERIFY(!Requests::SendBlockWrite(g.link, 3, bytes(block), wait));
    QCOMPARE(g.sent.size(), 2);
}

void TestRequests::blockWriteClearsAckBeforeLastChunk()
{
    LinkFixture f;
    QList<bool> ackWhenSent;
    f.link.setTransmitter([&](const QByteArray &) {
        ackWhenSent.append(f.link.BlockAckFlag);
        return true;
    });
    f.link.BlockAckFlag = true; // left over from the previous block
    QVERIFY(Requests::SendBlockWrite(f.link, 0, bytes(blockOf(0))));
    QCOMPARE(ackWhenSent, (QList<bool>{true, true, true, true, true, true, false}));
}

void TestRequests::firmwareResetNote()
{
    LinkFixture f;
    Requests::SendFirmwareReset(f.link);
    QCOMPARE(f.memoTexts(MemoTarget::DTMF), QStringList{QStringLiteral("Send: RESET\n")});
    QCOMPARE(f.memos.at(0).force, false);
}

QTEST_GUILESS_MAIN(TestRequests)
#include "tst_requests.moc"

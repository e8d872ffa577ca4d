// Reply dispatcher: text replies and their memos, command results, the event
// record and extended status transfers, block reception and acknowledgements.

#include "LinkFixture.h"

#include <QtTest>

using namespace LinkTest;

namespace {
QString memoLine(const Memo &m)
{
    static const char *const names[] = {"State", "GPRS", "SendLog", "Comments", "StateLog", "AtCommands", "DTMF"};
    return QStringLiteral("%1|%2|%3").arg(QLatin1String(names[int(m.target)]), m.text,
                                          m.force ? QStringLiteral("force") : QStringLiteral("-"));
}

QByteArray bytesOf(const std::uint8_t *p, int n)
{
    return QByteArray(reinterpret_cast<const char *>(p), n);
}

QByteArray counting(int first, int n)
{
    QByteArray a;
    for (int i = 0; i < n; ++i)
        a += char(first + i);
    return a;
}

// Block frames by name: "H<n>" header of block n, "a0".."a5" chunks of block A,
// "b0".."b5" chunks of block B, "x2" chunk 2 of block A with one byte changed.
QList<QByteArray> script(const QString &text, const QByteArray &blockA, const QByteArray &blockB)
{
    LinkFixture helper;
    const QList<QByteArray> a = helper.blockReply(1, blockA);
    const QList<QByteArray> b = helper.blockReply(2, blockB);
    QList<QByteArray> out;
    for (const QString &tok : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (tok.startsWith(QLatin1Char('H'))) {
            out.append(reply(Link::BLOCK_READ_HEADER, QByteArray(11, '\0') + char(tok.mid(1).toInt())));
            continue;
        }
        const int chunk = tok.mid(1).toInt();
        QByteArray frame = (tok[0] == QLatin1Char('b') ? b : a).at(1 + chunk);
        if (tok[0] == QLatin1Char('x'))
            frame[5] = char(frame[5] ^ 0x01);
        out.append(frame);
    }
    return out;
}
} // namespace

class TestDispatcher : public QObject
{
    Q_OBJECT
private slots:
    void textReplies_data();
    void textReplies();
    void commandResults_data();
    void commandResults();
    void passwordAcceptedOncePerConnection();
    void messagesFollowTheCatalogue();
    void eventRecordFromThreeFrames();
    void eventRecordWithOwnHandler();
    void eventNumberZeroEndsTransfer();
    void startFramesDuringRecordStayInBuffer();
    void extendedStatusTail();
    void blockReception_data();
    void blockReception();
    void blockChecksumKnownAnswer();
    void writeAckAndServiceReply_data();
    void writeAckAndServiceReply();
};

void TestDispatcher::textReplies_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QStringList>("memos");

    // Bytes 2 to 10 of short replies carry no text: fill them to prove it.
    const QByteArray noise = "XXXXXXXXX";
    QTest::newRow("comment short") << reply(0x21, noise + "Hi!!") << QStringList{"Comments|Hi!!|-", "State|Hi!!|force"};
    QTest::newRow("0x61 is a short comment") << reply(0x61, noise + "ab\r\n")
                                             << QStringList{"Comments|ab\r\n|-", "State|ab\r\n|force"};
    QTest::newRow("comment long, zeros left out")
        << reply(0x31, QByteArray("He") + QByteArray(5, '\0') + "ll") << QStringList{"Comments|Hell|-", "State|Hell|force"};
    QTest::newRow("state short") << reply(0x22, noise + "OK") << QStringList{"StateLog|OK|-", "State|OK|force"};
    QTest::newRow("state long") << reply(0x32, "GSM ready 13") << QStringList{"StateLog|GSM ready 13|-", "State|GSM ready 13|force"};
    QTest::newRow("AT short") << reply(0x23, noise + "AT+C") << QStringList{"AtCommands|AT+C|-"};
    QTest::newRow("AT short, top bits set") << reply(0xE3, noise + "AT") << QStringList{"AtCommands|AT|-"};
    QTest::newRow("AT long") << reply(0x33, "AT+CSQ=1,2") << QStringList{"AtCommands|AT+CSQ=1,2|-"};
    QTest::newRow("0x73 matches nothing") << reply(0x73, "AT+CSQ=1,2") << QStringList{};
    QTest::newRow("DTMF short") << reply(0x25, noise + "1234") << QStringList{"DTMF|1234|-"};
    QTest::newRow("DTMF long") << reply(0x35, "*#0123456789") << QStringList{"DTMF|*#0123456789|-"};
    QTest::newRow("0x75 matches nothing") << reply(0x75, "*#0123456789") << QStringList{};
    QTest::newRow("only zeros: no text") << reply(0x31) << QStringList{};
    QTest::newRow("short text range all zero") << reply(0x21, noise) << QStringList{};
    QTest::newRow("high characters") << reply(0x31, "\xE1rv\xEDz") << QStringList{QStringLiteral("Comments|árvíz|-"),
                                                                                  QStringLiteral("State|árvíz|force")};
    // The module's code page is Windows-1250: 0xF5 and 0xFB are the Hungarian \u0151 and \u0171.
    QTest::newRow("Windows-1250 letters") << reply(0x31, "\xF5r\xFB") << QStringList{QStringLiteral("Comments|\u0151r\u0171|-"),
                                                                                   QStringLiteral("State|\u0151r\u0171|force")};
}

void TestDispatcher::textReplies()
{
    QFETCH(QByteArray, plain);
    QFETCH(QStringList, memos);

    LinkFixture f;
    f.receivePlain(plain);
    QCOMPARE(f.dispatched.size(), 1);
    QStringList got;
    for (const auto &m : f.memos)
        got.append(memoLine(m));
    QCOMPARE(got, memos);
    QCOMPARE(f.sideEffects(), f.memos.size());
}

void TestDispatcher::commandResults_data()
{
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<QString>("messageKey"); // empty: no message
    QTest::addColumn<QList<int>>("counts");  // status, pwRequired, pwAccepted, pwChanged, erased

    QTest::newRow("status") << result(Link::COMMAND, Link::RES_STATUS, "\x11\x22\x33") << QString()
                            << QList<int>{1, 0, 0, 0, 0};
    QTest::newRow("password required") << result(Link::COMMAND, Link::RES_PW_REQUIRED) << QString()
                                       << QList<int>{0, 1, 0, 0, 0};
    QTest::newRow("password accepted") << result(Link::COMMAND, Link::RES_PW_ACCEPTED)
                                       << QStringLiteral("lbTXT_SECUR_PW_OK") << QList<int>{0, 0, 1, 0, 0};
    QTest::newRow("password accepted, 0x64 masked") << result(0x64, Link::RES_PW_ACCEPTED)
                                                    << QStringLiteral("lbTXT_SECUR_PW_OK") << QList<int>{0, 0, 1, 0, 0};
    QTest::newRow("password changed") << result(Link::COMMAND, Link::RES_PW_CHANGED)
                                      << QStringLiteral("lbTXT_PW_CHANGE_OK") << QList<int>{0, 0, 0, 1, 0};
    QTest::newRow("events erased") << result(Link::COMMAND, Link::RES_EVENTS_ERASED)
                                   << QStringLiteral("lbTXT_CLEAN_SUCCES") << QList<int>{0, 0, 0, 0, 1};
    QTest::newRow("unknown code") << result(Link::COMMAND, 9) << QString() << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("event record code without start") << result(Link::COMMAND, Link::RES_EVENT_RECORD) << QString()
                                                     << QList<int>{0, 0, 0, 0, 0};
    QByteArray noMarker = result(Link::COMMAND, Link::RES_PW_ACCEPTED);
    noMarker[10] = '$';
    QTest::newRow("no '#' marker") << noMarker << QString() << QList<int>{0, 0, 0, 0, 0};
    // RECORD_START is a whole-byte type: 0x74 is not it, nor a command.
    QTest::newRow("0x74 is nothing") << result(0x74, Link::RES_STATUS_EXT) << QString() << QList<int>{0, 0, 0, 0, 0};
}

void TestDispatcher::commandResults()
{
    QFETCH(QByteArray, plain);
    QFETCH(QString, messageKey);
    QFETCH(QList<int>, counts);

    LinkFixture f;
    f.receivePlain(plain);
    QCOMPARE(f.dispatched.size(), 1);
    QCOMPARE((QList<int>{f.statusCount, f.passwordRequiredCount, f.passwordAcceptedCount, f.passwordChangedCount,
                         f.eventsErasedCount}),
             counts);
    QCOMPARE(f.messages, messageKey.isEmpty() ? QStringList() : QStringList{f.texts.text(messageKey)});
    QCOMPARE(f.memos.size(), 0);
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));
    if (f.statusCount)
        QCOMPARE(hexText(bytesOf(f.link.StatusRecord, 5)), QStringLiteral("23 01 11 22 33"));
}

void TestDispatcher::passwordAcceptedOncePerConnection()
{
    LinkFixture f;
    const QByteArray accepted = result(Link::COMMAND, Link::RES_PW_ACCEPTED);
    f.receivePlain(accepted);
    f.receivePlain(accepted);
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.passwordAcceptedCount, 1);
    QVERIFY(f.link.PasswordAcceptedFlag);

    f.link.PasswordAcceptedFlag = false; // a new connection
    f.receivePlain(accepted);
    QCOMPARE(f.messages.size(), 2);
    QCOMPARE(f.passwordAcceptedCount, 2);
}

void TestDispatcher::messagesFollowTheCatalogue()
{
    LinkFixture f;
    f.receivePlain(result(Link::COMMAND, Link::RES_EVENTS_ERASED));
    QVERIFY(f.texts.setText(QStringLiteral("lbTXT_CLEAN_SUCCES"), QStringLiteral("Event log deleted.")));
    f.receivePlain(result(Link::COMMAND, Link::RES_EVENTS_ERASED));
    QCOMPARE(f.messages, (QStringList{Morvo3Texts::builtInTexts().value(QStringLiteral("lbTXT_CLEAN_SUCCES")),
                                      QStringLiteral("Event log deleted.")}));
}

void TestDispatcher::eventRecordFromThreeFrames()
{
    LinkFixture f;
    f.receivePlain(result(Link::RECORD_START, Link::RES_EVENT_RECORD, QByteArray("\x00\x05", 2)));
    QCOMPARE(f.link.EventNumber, 5);
    QCOMPARE(f.link.EventTransferState, std::uint8_t(2));
    // Continuations may carry '#' and a result code: they are not looked at.
    QByteArray c1 = reply(Link::COMMAND, counting(0x40, 13));
    c1[10] = '#';
    c1[11] = char(Link::RES_PW_ACCEPTED);
    const QByteArray c2 = reply(Link::COMMAND, counting(0x60, 13));
    const QByteArray c3 = reply(0x64, counting(0x80, 13));
    f.receiveAll({c1, c2});
    QCOMPARE(f.eventRecordCount, 0);
    f.receivePlain(c3);

    QCOMPARE(f.eventRecordCount, 1);
    QCOMPARE(f.messages.size(), 0);
    const QByteArray expected = c1.mid(2, 13) + c2.mid(2, 13) + c3.mid(2, 10);
    QCOMPARE(hexText(bytesOf(f.link.EventRecordBuffer, 36)), hexText(expected));
    // The default handling acknowledges event 5 and gets ready for the next record.
    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(hexText(f.sentPlain(0).mid(10, 5)), QStringLiteral("04 00 05 00 00"));
    QCOMPARE(f.link.EventNumber, 0);
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));
    QCOMPARE(f.memoTexts(MemoTarget::SendLog),
             (QStringList{"Kezdodik: 5\n", "Folyt(0): 5\n", "Folyt(1): 5\n", "Folyt(0): 5\n", "Folyt(1): 5\n",
                          "Vege: 5\n"}));

    // Back in the idle state, a status report is a status report again.
    f.receivePlain(result(Link::COMMAND, Link::RES_STATUS));
    QCOMPARE(f.statusCount, 1);
}

void TestDispatcher::eventRecordWithOwnHandler()
{
    LinkFixture f;
    QByteArray seen;
    f.link.setEventRecordHandler([&f, &seen] {
        seen = bytesOf(f.link.EventRecordBuffer, 36);
        f.link.EventNumber = 0;
    });
    f.receiveAll({result(Link::RECORD_START, Link::RES_EVENT_RECORD, QByteArray("\x01\x02", 2)),
                  reply(Link::COMMAND, counting(1, 13)), reply(Link::COMMAND, counting(14, 13)),
                  reply(Link::COMMAND, counting(27, 13))});
    QCOMPARE(hexText(seen), hexText(counting(1, 36)));
    QCOMPARE(f.sent.size(), 0); // the handler took over the acknowledgement
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));
}

void TestDispatcher::eventNumberZeroEndsTransfer()
{
    LinkFixture f;
    f.receivePlain(result(Link::RECORD_START, Link::RES_EVENT_RECORD, QByteArray("\x00\x00", 2)));
    QCOMPARE(f.link.EventTransferState, std::uint8_t(2));
    const QByteArray accepted = result(Link::COMMAND, Link::RES_PW_ACCEPTED);
    f.receivePlain(accepted); // continuation: ends the transfer, nothing stored or shown
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));
    QCOMPARE(f.messages.size(), 0);
    QCOMPARE(hexText(bytesOf(f.link.EventRecordBuffer, 37)), hexText(QByteArray(37, '\0')));
    f.receivePlain(accepted);
    QCOMPARE(f.messages.size(), 1);
}

void TestDispatcher::startFramesDuringRecordStayInBuffer()
{
    LinkFixture f;
    f.receivePlain(result(Link::RECORD_START, Link::RES_EVENT_RECORD, QByteArray("\x00\x09", 2)));
    // A flood of start frames inside a record: the fill runs past the buffer end.
    for (int i = 0; i < 1000; ++i)
        f.receivePlain(reply(Link::RECORD_START, QByteArray(13, char(0xEE))));
    QCOMPARE(f.link.EventTransferState, std::uint8_t(2));
    f.receivePlain(reply(Link::COMMAND, QByteArray(13, char(0x55))));
    QCOMPARE(f.eventRecordCount, 0);
    QCOMPARE(f.sent.size(), 0);
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));
    QCOMPARE(hexText(bytesOf(f.link.EventRecordBuffer, 37)), hexText(QByteArray(37, char(0xEE))));

    // One start frame in the middle of a record adds its 13 bytes; the record
    // then completes from the next frame's first 10 bytes.
    f.receivePlain(result(Link::RECORD_START, Link::RES_EVENT_RECORD, QByteArray("\x00\x07", 2)));
    f.receivePlain(reply(Link::COMMAND, counting(1, 13)));
    f.receivePlain(reply(Link::RECORD_START, counting(14, 13)));
    f.receivePlain(reply(Link::COMMAND, counting(27, 13)));
    QCOMPARE(f.eventRecordCount, 1);
    // The start frame cleared what the broken record left behind, byte 36 included.
    QCOMPARE(hexText(bytesOf(f.link.EventRecordBuffer, 37)), hexText(counting(1, 36) + '\0'));
}

void TestDispatcher::extendedStatusTail()
{
    LinkFixture f;
    f.receivePlain(result(Link::RECORD_START, Link::RES_STATUS_EXT, "\x0A\x0B\x0C"));
    QCOMPARE(f.statusCount, 0);
    QCOMPARE(f.link.EventTransferState, std::uint8_t(7));
    // The tail frame carries '#' and code 4: it is still only the tail.
    QByteArray tail = result(Link::COMMAND, Link::RES_PW_ACCEPTED);
    tail[2] = char(0x5A);
    f.receivePlain(tail);
    QCOMPARE(f.statusCount, 1);
    QCOMPARE(f.messages.size(), 0);
    QCOMPARE(hexText(bytesOf(f.link.StatusRecord, 6)), QStringLiteral("23 07 0A 0B 0C 5A"));
    QCOMPARE(f.link.EventTransferState, std::uint8_t(0));

    // A plain status report keeps the last extra byte.
    f.receivePlain(result(Link::COMMAND, Link::RES_STATUS, "\x01\x02\x03"));
    QCOMPARE(hexText(bytesOf(f.link.StatusRecord, 6)), QStringLiteral("23 01 01 02 03 5A"));
}

void TestDispatcher::blockReception_data()
{
    QTest::addColumn<QString>("frames");
    QTest::addColumn<char>("result"); // 'A', 'B' or '-' (no complete block)
    QTest::addColumn<int>("address");

    QTest::newRow("whole block") << "H1 a0 a1 a2 a3 a4 a5" << 'A' << 64;
    QTest::newRow("one byte changed") << "H1 a0 a1 x2 a3 a4 a5" << '-' << 64;
    QTest::newRow("chunk 2 missing") << "H1 a0 a1 a3 a4 a5" << '-' << 64;
    QTest::newRow("no header") << "a0 a1 a2 a3 a4 a5" << '-' << 0;
    QTest::newRow("chunk repeated") << "H1 a0 a1 a1 a2 a3 a4 a5" << '-' << 64;
    QTest::newRow("second header restarts") << "H1 a0 a1 a2 H2 b0 b1 b2 b3 b4 b5" << 'B' << 128;
    QTest::newRow("restart after abandon") << "H1 a0 a2 H1 a0 a1 a2 a3 a4 a5" << 'A' << 64;
    QTest::newRow("version block number") << "H254 a0 a1 a2 a3 a4 a5" << 'A' << 254 * 64;
    QTest::newRow("chunks of another block") << "H1 a0 a1 a2 b3 b4 b5" << '-' << 64;
}

void TestDispatcher::blockReception()
{
    QFETCH(QString, frames);
    QFETCH(char, result);
    QFETCH(int, address);

    QByteArray blockA(64, '\0'), blockB(64, '\0');
    for (int i = 0; i < 64; ++i) {
        blockA[i] = char(i * 3 + 1);
        blockB[i] = char(200 - i);
    }
    LinkFixture f;
    std::memset(f.link.VersionBlock, 0xAB, sizeof f.link.VersionBlock);
    f.receiveAll(script(frames, blockA, blockB));

    QCOMPARE(int(f.link.BlockAddress), address);
    if (result == '-') {
        QVERIFY(!f.link.BlockCompleteFlag);
        QCOMPARE(f.blockCount, 0);
        QCOMPARE(hexText(bytesOf(f.link.VersionBlock, 64)), hexText(QByteArray(64, char(0xAB))));
    } else {
        const QByteArray expected = result == 'A' ? blockA : blockB;
        QVERIFY(f.link.BlockCompleteFlag);
        QCOMPARE(f.blockCount, 1);
        QCOMPARE(hexText(bytesOf(f.link.BlockBuffer, 64)), hexText(expected));
        QCOMPARE(hexText(bytesOf(f.link.VersionBlock, 64)), hexText(expected));
    }
    // Once a block ended (complete or not), stray chunks change nothing.
    f.link.BlockCompleteFlag = false;
    f.receiveAll(script(QStringLiteral("a5 a0 a1 a2 a3 a4 a5"), blockA, blockB));
    QVERIFY(!f.link.BlockCompleteFlag);
}

void TestDispatcher::blockChecksumKnownAnswer()
{
    // A zero block from the module, its checksum written out by hand.
    LinkFixture f;
    f.receivePlain(reply(Link::BLOCK_READ_HEADER, QByteArray(11, '\0')));
    for (int c = 0; c < 5; ++c)
        f.receivePlain(reply(Link::BLOCK_READ_CHUNK, QByteArray(1, char(c))));
    f.receivePlain(reply(Link::BLOCK_READ_CHUNK, hex("05 00000000 0000021C")));
    QVERIFY(f.link.BlockCompleteFlag);
    QCOMPARE(f.link.BlockAddress, std::uint16_t(0));
}

void TestDispatcher::writeAckAndServiceReply_data()
{
    QTest::addColumn<bool>("ackBefore");
    QTest::addColumn<QByteArray>("plain");
    QTest::addColumn<bool>("ackAfter");
    QTest::addColumn<QStringList>("dtmf");

    const QByteArray ack40 = reply(Link::BLOCK_WRITE_ACK, QByteArray(12, '\0') + char(0x40));
    const QByteArray ack41 = reply(Link::BLOCK_WRITE_ACK, QByteArray(12, '\0') + char(0x41));
    QTest::newRow("ack 0x40 sets") << false << ack40 << true << QStringList{};
    QTest::newRow("ack other length leaves") << false << ack41 << false << QStringList{};
    QTest::newRow("service result 1 clears an ack") << true << reply(Link::SERVICE, QByteArray(9, '\0') + char(1))
                                                    << false << QStringList{"Receive $2F | Byte11: 1\n"};
    QTest::newRow("service result 0 sets") << false << reply(Link::SERVICE) << true
                                           << QStringList{"Receive $2F | Byte11: 0\n"};
    QTest::newRow("service result 200") << true << reply(0x6F, QByteArray(9, '\0') + char(200)) << false
                                        << QStringList{"Receive $2F | Byte11: 200\n"};
}

void TestDispatcher::writeAckAndServiceReply()
{
    QFETCH(bool, ackBefore);
    QFETCH(QByteArray, plain);
    QFETCH(bool, ackAfter);
    QFETCH(QStringList, dtmf);

    LinkFixture f;
    f.link.BlockAckFlag = ackBefore;
    f.receivePlain(plain);
    QCOMPARE(f.link.BlockAckFlag, ackAfter);
    QCOMPARE(f.memoTexts(MemoTarget::DTMF), dtmf);
    QCOMPARE(f.memos.size(), dtmf.size());
}

QTEST_GUILESS_MAIN(TestDispatcher)
#include "tst_dispatcher.moc"

// Status report and event record decoding, without any window.

#include "common/Morvo3Texts.h"
#include "monitor/EventDecode.h"
#include "monitor/GsmHistory.h"
#include "monitor/StatusDecode.h"

#include <QTest>

using namespace Monitor;

namespace {
// "SOSO": circuit per zone; "AIDx.": alarm, idle, disarmed, arming input, no state.
QString circuits(const TModuleStatus &s)
{
    QString out;
    for (const auto &z : s.zones)
        out += z.shortCircuit ? QLatin1Char('S') : QLatin1Char('O');
    return out;
}
QString states(const TModuleStatus &s)
{
    QString out;
    for (const auto &z : s.zones) {
        switch (z.state) {
        case TZoneState::Alarm: out += QLatin1Char('A'); break;
        case TZoneState::Idle: out += QLatin1Char('I'); break;
        case TZoneState::Disarmed: out += QLatin1Char('D'); break;
        case TZoneState::ArmingInput: out += QLatin1Char('x'); break;
        case TZoneState::Unknown: out += QLatin1Char('.'); break;
        }
    }
    return out;
}

// A 36-byte record with the given targets, event code, Contact ID bytes and time.
QByteArray record(const QByteArray &targets12, int code, const QByteArray &ctid8, const QByteArray &time6)
{
    QByteArray r(EventRecordSize, '\0');
    r.replace(1, 12, targets12);
    r[17] = char(code);
    r.replace(18, 8, ctid8);
    r.replace(26, 6, time6);
    return r;
}
const std::uint8_t *bytes(const QByteArray &b) { return reinterpret_cast<const std::uint8_t *>(b.constData()); }

QString englishCaption(int code)
{
    const char *captions[] = {"01. Z1 Alarm", "02. Z1 Restore", "03. Z2 Alarm", "04. Z2 Restore", "05. Z3 Alarm",
                              "06. Z3 Restore", "07. Z4 Alarm", "08. Z4 Restore", "09. Arm", "10. Disarm",
                              "11. Test report"};
    return QString::fromLatin1(captions[code]);
}
} // namespace

class TestMonitorDecode : public QObject
{
    Q_OBJECT
private slots:
    void status_data();
    void status();
    void statusLooks();
    void reportMark_data();
    void reportMark();
    void eventState_data();
    void eventState();
    void contactIdAndTime_data();
    void contactIdAndTime();
    void eventNames();
    void badRecordsDecode();
    void contactIdMeanings_data();
    void contactIdMeanings();
    void hintLines();
    void gsmHistoryWindow();
};

void TestMonitorDecode::status_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("circuits");
    QTest::addColumn<QString>("states");
    QTest::addColumn<bool>("relay1");
    QTest::addColumn<bool>("relay2");
    QTest::addColumn<bool>("armed");
    QTest::addColumn<int>("gsm");

    QTest::newRow("basic A=15 B=80 C=20") << 1 << 0x15 << 0x80 << 20 << 0 << "SOSO" << "...." << false << true << true << 20;
    QTest::newRow("basic GSM above 31 kept raw") << 1 << 0x30 << 0x00 << 40 << 0 << "OOOO" << "...." << false << false << false << 40;
    QTest::newRow("basic every bit set") << 1 << 0xFF << 0xFF << 0xFF << 0xFF << "SSSS" << "...." << false << false << true << 255;
    QTest::newRow("ext C=9F") << 7 << 0x00 << 0x00 << 0x9F << 0 << "OOOO" << "AAAA" << true << true << true << 31;
    // Disarmed, zone 1 watched: P1 = 1, Q1 = 0 -> idle; the others disarmed.
    QTest::newRow("ext disarmed, zone 1 watched idle") << 7 << 0x10 << 0x01 << 0x05 << 0 << "OOOO" << "IDDD" << true << true << false << 5;
    QTest::newRow("ext disarmed, zone 1 watched alarm") << 7 << 0x11 << 0x11 << 0x05 << 0 << "SOOO" << "ADDD" << true << true << false << 5;
    QTest::newRow("ext method 3") << 7 << 0x00 << 0xF0 << 0x80 << 3 << "OOOO" << "IIIx" << true << true << true << 0;
    QTest::newRow("ext method 4") << 7 << 0x00 << 0xF0 << 0x80 << 4 << "OOOO" << "IIxx" << true << true << true << 0;
    QTest::newRow("ext method 5") << 7 << 0x00 << 0xF0 << 0x80 << 5 << "OOOO" << "IIxx" << true << true << true << 0;
    // Armed, zone 2: P = 1, Q = 1 -> alarm; P = 1, Q = 0 -> idle (zone 1 P=0 Q=1 idle, others P=0 Q=0 alarm).
    QTest::newRow("ext armed zone 2 P1 Q1") << 7 << 0x20 << 0x30 << 0x80 << 0 << "OOOO" << "IAAA" << true << true << true << 0;
    QTest::newRow("ext armed zone 2 P1 Q0") << 7 << 0x20 << 0x00 << 0x80 << 0 << "OOOO" << "AIAA" << true << true << true << 0;
    QTest::newRow("ext relays off") << 7 << 0x0F << 0x00 << 0xE3 << 0 << "SSSS" << "AAAA" << false << false << true << 3;
    QTest::newRow("ext every bit set") << 7 << 0xFF << 0xFF << 0xFF << 0xFF << "SSSS" << "AAxx" << false << false << true << 31;
}

void TestMonitorDecode::status()
{
    QFETCH(int, code);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, method);
    const std::uint8_t rec[6] = {'#', std::uint8_t(code), std::uint8_t(a), std::uint8_t(b), std::uint8_t(c),
                                 std::uint8_t(method)};
    const TModuleStatus s = DecodeStatus(rec);
    QVERIFY(s.valid);
    QCOMPARE(s.extended, code == 7);
    QTEST(circuits(s), "circuits");
    QTEST(states(s), "states");
    QTEST(s.relayOn[0], "relay1");
    QTEST(s.relayOn[1], "relay2");
    QTEST(s.armed, "armed");
    QTEST(s.gsmLevel, "gsm");
    QCOMPARE(s.method, code == 7 ? method : NoMethod);

    const std::uint8_t other[6] = {'#', 2, 0, 0, 0, 0};
    QVERIFY(!DecodeStatus(other).valid);
}

void TestMonitorDecode::statusLooks()
{
    Morvo3Texts texts;
    texts.setText(QStringLiteral("lbTXT_ON"), QStringLiteral("ON"));
    texts.setText(QStringLiteral("lbTXT_OFF"), QStringLiteral("OFF"));
    const TLabelLook on = RelayLook(texts, true);
    QCOMPARE(on.text, QStringLiteral("ON"));
    QCOMPARE(on.color, TLookColor::Green);
    QVERIFY(on.bold);
    const TLabelLook off = RelayLook(texts, false);
    QCOMPARE(off.text, QStringLiteral("OFF"));
    QCOMPARE(off.color, TLookColor::Black);
    QVERIFY(!off.bold);
    QCOMPARE(CircuitLook(texts, true).color, TLookColor::Red);
    QCOMPARE(CircuitLook(texts, false).color, TLookColor::Black);
    QCOMPARE(ArmedLook(texts, true).color, TLookColor::Red);
    QCOMPARE(ArmedLook(texts, false).color, TLookColor::Blue);
    QCOMPARE(ZoneStateLook(texts, TZoneState::Alarm).color, TLookColor::Red);
    QCOMPARE(ZoneStateLook(texts, TZoneState::Disarmed).color, TLookColor::Green);
    QCOMPARE(ZoneStateLook(texts, TZoneState::Idle).color, TLookColor::Black);
    QCOMPARE(ZoneStateLook(texts, TZoneState::ArmingInput).text, QStringLiteral("--"));
    QCOMPARE(GsmBarPosition(255), 31);
}

void TestMonitorDecode::reportMark_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("key");
    QTest::newRow("0x7E in progress") << 0x7E << "?" << "lbTXT_EVENT_TYPE_UN";
    QTest::newRow("0x7A delivered") << 0x7A << "*" << "lbTXT_EVENT_TYPE_OK";
    QTest::newRow("0x3A delivered beats timeout") << 0x3A << "*" << "lbTXT_EVENT_TYPE_OK";
    QTest::newRow("0x01 not reported") << 0x01 << "--" << "lbTXT_EVENT_TYPE_NO";
    QTest::newRow("0x76 alternative") << 0x76 << "R" << "lbTXT_EVENT_TYPE_RE";
    QTest::newRow("0x6E failed") << 0x6E << "!" << "lbTXT_EVENT_TYPE_ER";
    QTest::newRow("0x5E stopped") << 0x5E << "S" << "lbTXT_EVENT_TYPE_ST";
    QTest::newRow("0x3E timed out") << 0x3E << "T" << "lbTXT_EVENT_TYPE_TO";
    QTest::newRow("0xFF") << 0xFF << "?" << "lbTXT_EVENT_TYPE_UN";
}

void TestMonitorDecode::reportMark()
{
    QFETCH(int, state);
    QFETCH(QString, mark);
    QCOMPARE(ReportMark(std::uint8_t(state)), mark);
    QTEST(ReportMarkKey(mark), "key");
}

void TestMonitorDecode::eventState_data()
{
    QTest::addColumn<QByteArray>("targets");
    QTest::addColumn<QString>("key");
    QTest::newRow("stopped wins") << (QByteArray::fromHex("5EFE") + QByteArray(10, '\0')) << "lbTXT_EVSTATE_STOPPED";
    QTest::newRow("delayed") << QByteArray(12, char(0xFE)) << "lbTXT_EVSTATE_DELAYED";
    QTest::newRow("processing") << QByteArray(12, char(0x7F)) << "lbTXT_EVSTATE_PROCESSING";
    QTest::newRow("finished") << QByteArray(12, char(0x7E)) << "lbTXT_EVSTATE_FINSHED";
    QTest::newRow("nothing reported") << QByteArray(12, '\0') << "";
    // Unreported targets do not count, whatever their other bits say.
    QTest::newRow("stopped bit on an unreported target") << (QByteArray(1, char(0x7A)) + QByteArray(11, char(0x01)))
                                                          << "lbTXT_EVSTATE_FINSHED";
}

void TestMonitorDecode::eventState()
{
    QFETCH(QByteArray, targets);
    const QByteArray r = record(targets, 0, QByteArray(8, '\0'), QByteArray(6, '\0'));
    QTEST(EventStateKey(bytes(r)), "key");
}

void TestMonitorDecode::contactIdAndTime_data()
{
    QTest::addColumn<QByteArray>("ctid");
    QTest::addColumn<QByteArray>("time");
    QTest::addColumn<QString>("ctidText");
    QTest::addColumn<QString>("timeText");
    QTest::addColumn<int>("code");
    QTest::newRow("example") << QByteArray::fromHex("1234181130010010") << QByteArray::fromHex("180305070809")
                             << "1234 18 E 130 01 001" << "2024/03/05. 07:08:09" << 130;
    QTest::newRow("restore, two-digit date") << QByteArray::fromHex("0000183401000023") << QByteArray::fromHex("1A0C1F173B3B")
                                             << "0000 18 R 401 00 002" << "2026/12/31. 23:59:59" << 401;
    QTest::newRow("other qualifier, hex digits") << QByteArray::fromHex("ABCD186FA102FE9F")
                                                 << QByteArray(6, '\0') << "ABCD 18 6 FA1 02 FE9" << "2000/00/00. 00:00:00" << -1;
    QTest::newRow("all 0xFF") << QByteArray(8, char(0xFF)) << QByteArray(6, char(0xFF))
                              << "FFFF FF F FFF FF FFF" << "2255/255/255. 255:255:255" << -1;
}

void TestMonitorDecode::contactIdAndTime()
{
    QFETCH(QByteArray, ctid);
    QFETCH(QByteArray, time);
    const QByteArray r = record(QByteArray(12, '\0'), 0, ctid, time);
    QTEST(ContactIdText(bytes(r)), "ctidText");
    QTEST(TimeStampText(bytes(r)), "timeText");
    QTEST(ContactIdEventCode(bytes(r)), "code");
}

void TestMonitorDecode::eventNames()
{
    const EventCaptionSource english = englishCaption;
    QCOMPARE(EventName(0, english), QStringLiteral("Z1 Alarm"));
    QCOMPARE(EventName(10, english), QStringLiteral("Test report"));
    QCOMPARE(EventName(11, english), QStringLiteral(" "));
    QCOMPARE(EventName(255, english), QStringLiteral(" "));
    // Built-in captions (Hungarian) without a source.
    QCOMPARE(EventName(8, {}), QStringLiteral("Élesítés"));
    // From the fifth character, at most 20, of that at most 17.
    QCOMPARE(EventNameFromCaption(QStringLiteral("01. abcdefghijklmnopqrstuvwxyz")), QStringLiteral("abcdefghijklmnopq"));
    QCOMPARE(EventNameFromCaption(QStringLiteral("01.")), QString());
}

void TestMonitorDecode::badRecordsDecode()
{
    Morvo3Texts texts;
    texts.setText(QStringLiteral("lbTXT_EVSTATE_DELAYED"), QStringLiteral("Delayed"));
    const QByteArray ff(EventRecordSize, char(0xFF));
    const auto row = EventRowTexts(bytes(ff), 7, texts, englishCaption);
    QCOMPARE(row[ColNumber], QStringLiteral("7"));
    QCOMPARE(row[ColEvent], QStringLiteral(" "));
    QCOMPARE(row[ColTime], QStringLiteral("2255/255/255. 255:255:255"));
    for (int c = ColFirstMark; c <= ColLastMark; ++c)
        QCOMPARE(row[c], QStringLiteral("?"));
    QCOMPARE(row[ColState], QStringLiteral("Delayed"));

    const QByteArray zero(EventRecordSize, '\0');
    const auto empty = EventRowTexts(bytes(zero), 1, texts, englishCaption);
    QCOMPARE(empty[ColEvent], QStringLiteral("Z1 Alarm"));
    QCOMPARE(empty[ColFirstMark], QStringLiteral("--"));
    QCOMPARE(empty[ColState], QString());
}

void TestMonitorDecode::contactIdMeanings_data()
{
    QTest::addColumn<QString>("ctidText");
    QTest::addColumn<QString>("line");
    QTest::newRow("burglary") << "1234 18 E 130 01 001" << "130 Burglary (new event / opening)";
    QTest::newRow("arming") << "1234 18 R 401 01 001" << "401 Open/close by user (restore / closing)";
    QTest::newRow("test report") << "1234 18 E 602 00 000" << "602 Periodic test report (new event / opening)";
    QTest::newRow("battery, odd qualifier") << "1234 18 6 302 00 000" << "302 Low system battery";
    QTest::newRow("unknown code") << "1234 18 E 999 01 001" << "";
    QTest::newRow("hex digits") << "FFFF FF F FFF FF FFF" << "";
    QTest::newRow("empty text") << "" << "";
}

void TestMonitorDecode::contactIdMeanings()
{
    QFETCH(QString, ctidText);
    QTEST(ContactIdMeaningLine(ctidText), "line");
    // Every code of the editor's default event table has a meaning.
    for (int code : {130, 401, 602, 302})
        QVERIFY2(!ContactIdMeaning(code).isEmpty(), qPrintable(QString::number(code)));
}

void TestMonitorDecode::hintLines()
{
    Morvo3Texts texts;
    texts.setText(QStringLiteral("lbTXT_EVENT_PROPS"), QStringLiteral("Event details: "));
    texts.setText(QStringLiteral("lbTXT_EVENT_DATE"), QStringLiteral("Date/Time: "));
    texts.setText(QStringLiteral("lbTXT_EVENT_TARGET"), QStringLiteral("Report for the following event: "));
    texts.setText(QStringLiteral("lbTXT_CENTRAL_STATION"), QStringLiteral("Monitoring station"));
    texts.setText(QStringLiteral("lbTXT_EVENT_TYPE_OK"), QStringLiteral("Report delivered successfully."));
    const QStringList lines = EventHintLines(texts, 15, QStringLiteral("Z1 Alarm"), QStringLiteral("2024/03/05. 07:08:09"),
                                             QStringLiteral("*"), QStringLiteral("1234 18 E 130 01 001"));
    const QStringList expected = {QStringLiteral("Event details: "),
                                  QStringLiteral("CTID: Z1 Alarm"),
                                  QString(),
                                  QStringLiteral("Date/Time: 2024/03/05. 07:08:09"),
                                  QString(),
                                  QStringLiteral("Report for the following event: 2. Monitoring station"),
                                  QStringLiteral("Report delivered successfully."),
                                  QStringLiteral("Contact ID 130 Burglary (new event / opening)")};
    QCOMPARE(lines, expected);
    QCOMPARE(ReportTargetName(4, texts), QStringLiteral("GPRS1"));
    QCOMPARE(ReportTargetName(9, texts), QStringLiteral("GPRS6"));
    QCOMPARE(ReportTargetName(10, texts), QStringLiteral("SMS1"));
    QCOMPARE(ReportTargetName(13, texts), QStringLiteral("SMS4"));
    QCOMPARE(ReportTargetName(14, texts), QStringLiteral("1. Monitoring station"));
    // A cell without a mark adds no explanation line.
    QCOMPARE(EventHintLines(texts, 4, QString(), QString(), QString(), QString()).size(), 6);
}

void TestMonitorDecode::gsmHistoryWindow()
{
    TGsmHistory h;
    h.Add(0, 10);
    h.Add(5 * 60 * 1000, 40);          // clamped to 31
    h.Add(11 * 60 * 1000, 20);         // the first sample is now older than 10 minutes
    auto s = h.Samples(11 * 60 * 1000);
    QCOMPARE(s.size(), 2);
    QCOMPARE(s.at(0).level, 31);
    QCOMPARE(s.at(1).level, 20);
    QCOMPARE(h.Samples(16 * 60 * 1000).size(), 1);   // 5 minutes later the middle one has aged out
    h.Add(1000, 5);                    // the clock went back: a fresh history
    QCOMPARE(h.Count(), 1);
    // A module reporting every 10 ms for 10 minutes stays within the cap.
    TGsmHistory busy;
    for (qint64 t = 0; t < 10 * 60 * 1000; t += 10)
        busy.Add(t, 7);
    QVERIFY(busy.Count() <= TGsmHistory::MaxSamples);
    QVERIFY(busy.Count() > TGsmHistory::MaxSamples / 4);
}

QTEST_GUILESS_MAIN(TestMonitorDecode)
#include "tst_monitordecode.moc"

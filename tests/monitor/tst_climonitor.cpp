// morvo3-cli's status and relay commands on a link fed with hand-built frames.

#include "../link/LinkFixture.h"

#include "CliMonitor.h"
#include "common/WaitContext.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QTimer>

using namespace LinkTest;

namespace {
QByteArray three(int a, int b, int c)
{
    QByteArray d(3, '\0');
    d[0] = char(a);
    d[1] = char(b);
    d[2] = char(c);
    return d;
}

struct CliFixture : LinkFixture
{
    TWaitContext wait;
    QString outText, errText;
    QTextStream out{&outText};
    QTextStream err{&errText};

    // Frames the module "sends" after the given delay, while the command waits.
    void later(int ms, const QList<QByteArray> &plains)
    {
        QTimer::singleShot(ms, &link, [this, plains] { receiveAll(plains); });
    }
    static QByteArray basic(int a, int b, int c) { return result(Link::COMMAND, 1, three(a, b, c)); }
    static QList<QByteArray> extended(int a, int b, int c, int method)
    {
        return {result(Link::RECORD_START, 7, three(a, b, c)), reply(Link::COMMAND, QByteArray(1, char(method)))};
    }
};
} // namespace

class TestCliMonitor : public QObject
{
    Q_OBJECT
private slots:
    void statusJson_data();
    void statusJson();
    void statusText();
    void statusTimesOut();
    void relayWaitsForConfirmation();
    void relayUnconfirmed();
    void relayArguments_data();
    void relayArguments();
};

void TestCliMonitor::statusJson_data()
{
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("basic with texts")
        << QList<QByteArray>{reply(Link::TEXT_STATE_LONG, "Z1 ALAR"), reply(Link::TEXT_STATE_LONG, "M\r\nGSM ok\r\n"),
                             CliFixture::basic(0x15, 0x80, 20)}
        << QByteArray(R"({"zones":[{"circuit":"short","state":null},{"circuit":"open","state":null},
                         {"circuit":"short","state":null},{"circuit":"open","state":null}],
                         "relays":[false,true],"armed":true,"gsm":20,"method":null,"texts":["Z1 ALARM","GSM ok"]})");
    QTest::newRow("extended, method 3")
        << CliFixture::extended(0x12, 0x01, 0x1F, 3)
        << QByteArray(R"({"zones":[{"circuit":"open","state":"idle"},{"circuit":"short","state":"disarmed"},
                         {"circuit":"open","state":"disarmed"},{"circuit":"open","state":null}],
                         "relays":[true,true],"armed":false,"gsm":31,"method":3,"texts":[]})");
    QTest::newRow("basic, every bit set")
        << QList<QByteArray>{CliFixture::basic(0xFF, 0xFF, 0xFF)}
        << QByteArray(R"({"zones":[{"circuit":"short","state":null},{"circuit":"short","state":null},
                         {"circuit":"short","state":null},{"circuit":"short","state":null}],
                         "relays":[false,false],"armed":true,"gsm":31,"method":null,"texts":[]})");
}

void TestCliMonitor::statusJson()
{
    QFETCH(QList<QByteArray>, frames);
    QFETCH(QByteArray, expected);
    CliFixture f;
    f.later(50, frames);
    QCOMPARE(CliMonitor::RunStatus(f.link, f.wait, f.texts, true, f.out, f.err, 3000), 0);
    QCOMPARE(f.errText, QString());
    QVERIFY(f.outText.endsWith('\n'));
    QCOMPARE(f.outText.count('\n'), 1);   // one JSON object on one line
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(f.outText.toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(doc.object(), QJsonDocument::fromJson(expected).object());
}

void TestCliMonitor::statusText()
{
    CliFixture f;
    f.texts.setText(QStringLiteral("lbTXT_SHORT"), QStringLiteral("Short"));
    f.texts.setText(QStringLiteral("lbTXT_OPEN"), QStringLiteral("Open"));
    f.texts.setText(QStringLiteral("lbTXT_ON"), QStringLiteral("ON"));
    f.texts.setText(QStringLiteral("lbTXT_OFF"), QStringLiteral("OFF"));
    f.texts.setText(QStringLiteral("lbTXT_ARM_STATE_ARMED"), QStringLiteral("Armed"));
    f.texts.setText(QStringLiteral("lbTXT_INPUT_LABEL_ALARM"), QStringLiteral("ALARM"));
    f.later(20, {reply(Link::TEXT_STATE_LONG, "Z2 ALARM\r\n")});
    f.later(60, CliFixture::extended(0xF2, 0xF0, 0x94, 0));
    QCOMPARE(CliMonitor::RunStatus(f.link, f.wait, f.texts, false, f.out, f.err, 3000), 0);
    const QString expected = QStringLiteral("Z1: Open, ALARM\nZ2: Short, ALARM\nZ3: Open, ALARM\nZ4: Open, ALARM\n"
                                            "relay 1: ON\nrelay 2: ON\narmed: Armed\nGSM: 20/31\nmethod: 0\n"
                                            "text: Z2 ALARM\n");
    QCOMPARE(f.outText, expected);
}

void TestCliMonitor::statusTimesOut()
{
    CliFixture f;
    f.later(20, {reply(Link::TEXT_STATE_LONG, "only text\r\n")});
    QCOMPARE(CliMonitor::RunStatus(f.link, f.wait, f.texts, true, f.out, f.err, 400), 2);
    QCOMPARE(f.outText, QString());
    QVERIFY2(f.errText.startsWith(QStringLiteral("morvo3-cli: error: no status report")), qPrintable(f.errText));
}

void TestCliMonitor::relayWaitsForConfirmation()
{
    CliFixture f;
    // The first report still shows relay 2 off; the second one shows it on.
    f.later(30, {CliFixture::basic(0x30, 0, 10)});
    f.later(80, CliFixture::extended(0, 0, 0x0A, 0));
    QCOMPARE(CliMonitor::RunRelay(f.link, f.wait, 2, true, f.out, f.err, 3000), 0);
    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(hexText(f.sentPlain(0).mid(10, 2)), QStringLiteral("03 03"));
    QCOMPARE(f.outText, QStringLiteral("relay 2: on\n"));
    QCOMPARE(f.statusCount, 2);
}

void TestCliMonitor::relayUnconfirmed()
{
    CliFixture f;
    f.later(30, {CliFixture::basic(0x10, 0, 10)});   // relay 1 stays off
    QCOMPARE(CliMonitor::RunRelay(f.link, f.wait, 1, true, f.out, f.err, 400), 2);
    QCOMPARE(hexText(f.sentPlain(0).mid(10, 2)), QStringLiteral("03 01"));
    QVERIFY(f.errText.contains(QStringLiteral("relay 1 on")));
    QCOMPARE(CliMonitor::RunRelay(f.link, f.wait, 3, true, f.out, f.err, 400), 2);
    QCOMPARE(f.sent.size(), 1);   // relay 3 sends nothing
}

void TestCliMonitor::relayArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("relay");
    QTest::addColumn<bool>("on");
    QTest::newRow("1 on") << QStringList{"1", "on"} << true << 1 << true;
    QTest::newRow("2 off") << QStringList{"2", "off"} << true << 2 << false;
    QTest::newRow("3 on") << QStringList{"3", "on"} << false << 0 << false;
    QTest::newRow("1 ON") << QStringList{"1", "ON"} << false << 0 << false;
    QTest::newRow("missing") << QStringList{"1"} << false << 0 << false;
}

void TestCliMonitor::relayArguments()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    int relay = 0;
    bool on = false;
    QString error;
    QCOMPARE(CliMonitor::ParseRelayArguments(args, &relay, &on, &error), ok);
    if (ok) {
        QTEST(relay, "relay");
        QTEST(on, "on");
    } else {
        QVERIFY(!error.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestCliMonitor)
#include "tst_climonitor.moc"

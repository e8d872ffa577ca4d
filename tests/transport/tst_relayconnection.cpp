// The relay connection against the simulated relay server (morvo3-sim relay):
// connect with the page's inputs, link frames both ways (the version block is
// read through the relay), pings, presence refreshes, echo replies, the leave
// pings, a server that never answers the test, and a server that closes the
// connection followed by a new connect at once.

#include "SimProcess.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "params/ModuleTransfer.h"
#include "transport/RelayConnection.h"
#include "TransferTestHost.h"

#include "Morvo3Config.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QtTest>

namespace {
const QString Password = QStringLiteral("01") + QString(18, QLatin1Char('5'));

// The English texts of the messages involved, as the user sees them.
void useEnglish(Morvo3Texts &texts)
{
    texts.setText(QStringLiteral("lbTXT_CONNECTING_TO_SERVER"), QStringLiteral("Connecting to server..."));
    texts.setText(QStringLiteral("lbTXT_GIVE_PASSWORD_FIRST"),
                  QStringLiteral("Please type in your password before connecting!"));
    texts.setText(QStringLiteral("lbTXT_INVALID_PWD"), QStringLiteral("Password not correct!"));
    texts.setText(QStringLiteral("lbTXT_INVALID_SERIAL_NR"), QStringLiteral("Serial number not correct!"));
    texts.setText(QStringLiteral("lbTXT_UNABLE_TO_CONNECT"), QStringLiteral("Unable to connect!"));
    texts.setText(QStringLiteral("lbTXT_TEST_ANSWER_OK"), QStringLiteral("Test answer OK."));
}

// Key=value pairs of the simulator's "stats" reply.
int stat(SimProcess &sim, const QString &name)
{
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("\\b%1=(\\d+)").arg(name)).match(sim.control(QStringLiteral("stats")));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

struct Rig
{
    SimProcess sim;
    TWaitContext wait;
    Morvo3Texts texts;
    bool transferActive = false;
    TRelayConnection relay{wait, texts, Morvo3Config::RelayKey, transferActive};
    TLink link{texts, Morvo3Config::LinkKey};
    QStringList gprs;        // MemoGPRS, queued and direct lines in order
    QStringList state;       // MemoState
    QList<TRelayIndicator> indicators;
    int lost = 0;
    int up = 0;
    int started = 0;
    int versionBlocks = 0;

    Rig()
    {
        useEnglish(texts);
        link.setTransmitter([this](const QByteArray &frame) { return relay.Write(frame); });
        QObject::connect(&relay, &TModuleTransport::bytesReceived, &link, &TLink::ReceiveLinkBytes);
        QObject::connect(&relay, &TRelayConnection::memoText, [this](MemoTarget t, const QString &s, bool) {
            if (t == MemoTarget::GPRS)
                gprs << s;
            else if (t == MemoTarget::State)
                state << s;
        });
        QObject::connect(&relay, &TRelayConnection::gprsLine, [this](const QString &s) { gprs << s; });
        QObject::connect(&relay, &TRelayConnection::indicator, [this](TRelayIndicator i) { indicators << i; });
        QObject::connect(&relay, &TModuleTransport::lost, [this] { ++lost; });
        QObject::connect(&relay, &TModuleTransport::up, [this] { ++up; });
        QObject::connect(&relay, &TRelayConnection::connectStarted, [this] { ++started; });
        QObject::connect(&link, &TLink::blockComplete, [this] { ++versionBlocks; });
    }
    ~Rig()
    {
        wait.Closing = true;
        link.setTransmitter({});
    }

    bool start(const QStringList &options)
    {
        if (!sim.startRelay(QStringList{QStringLiteral("--serial"), QStringLiteral("SN-0ABC"),
                                        QStringLiteral("--no-login"), QStringLiteral("--status-interval"),
                                        QStringLiteral("0")} + options))
            return false;
        relay.SetServerPort(sim.relayPort());
        return true;
    }

    TRelayConnectResult connect() { return relay.ConnectWithInputs(QStringLiteral("127.0.0.1"), QStringLiteral("abc"), Password); }

    bool readVersionBlock()
    {
        const int before = versionBlocks;
        Requests::SendBlockRead(link, Link::VersionBlockNumber);
        return wait.WaitFor(50, [&] { return versionBlocks > before; })
            && QByteArray(reinterpret_cast<const char *>(link.VersionBlock), 64).contains("Morvo3;GPRS v2.04");
    }
};
}

// The module procedures' host in IP mode, with the relay's own waits.
class TRelayTransferHost : public TTransferTestHost
{
public:
    explicit TRelayTransferHost(TRelayConnection &relay) : m_relay(relay) {}
    QStringList Steps;

    bool TransportUp() override { return m_relay.IsUp(); }
    bool IpMode() override { return true; }
    bool RelayConnected() override { return m_relay.Connected; }
    bool PingAndWait(int flags) override
    {
        Steps << QStringLiteral("ping %1").arg(flags);
        return m_relay.PingAndWait(std::uint8_t(flags));
    }
    void RefreshAndWait() override
    {
        Steps << QStringLiteral("refresh");
        m_relay.RefreshAndWait();
    }
    int ActivityFlags() override { return m_relay.ActivityFlags(); }

private:
    TRelayConnection &m_relay;
};

class TestRelayConnection : public QObject
{
    Q_OBJECT
private slots:
    void connectExchangeAndLeave();
    void rejectedInputsOpenNothing();
    void serverWithoutTestAnswer();
    void serverClosesThenConnectAgain();
    void parameterReadThroughTheRelay();
    void timersFoundByName();
};

void TestRelayConnection::connectExchangeAndLeave()
{
    Rig r;
    QVERIFY2(r.start({}), qPrintable(r.sim.lastError()));
    QCOMPARE(r.connect(), TRelayConnectResult::Connected);
    QCOMPARE(r.up, 1);
    QVERIFY(r.relay.IsUp());
    QCOMPARE(r.gprs, (QStringList{QStringLiteral("Connecting to server...\n"), QStringLiteral("Connected to: 127.0.0.1"),
                                  QStringLiteral("Test answer OK.\n"), QStringLiteral("GPRS connected...")}));
    QCOMPARE(r.indicators.first(), TRelayIndicator::SEARCH);

    // The first presence refresh goes out half a second after the connect (a
    // wire frame would put it off by 10 s, so it is checked first).
    QTRY_VERIFY_WITH_TIMEOUT(stat(r.sim, QStringLiteral("presences")) >= 1, 2000);

    // Link frames both ways: the module answers the version block request.
    QVERIFY2(r.readVersionBlock(), qPrintable(r.sim.control(QStringLiteral("stats")) + r.sim.output()));

    // A ping comes back with its id and the flags sent.
    QVERIFY(r.relay.PingAndWait(3));
    QVERIFY(!r.state.isEmpty());
    QVERIFY2(QRegularExpression(QStringLiteral("^PING Received  ID=\\d+ ,  3  Response Time=00:00\\.\\d{3} $"))
                 .match(r.state.last()).hasMatch(), qPrintable(r.state.last()));

    // The server's echo request (1 s after the test) is answered correctly.
    QTRY_VERIFY_WITH_TIMEOUT(stat(r.sim, QStringLiteral("echo-ok")) == 1, 5000);
    QCOMPARE(stat(r.sim, QStringLiteral("echo-bad")), 0);

    // Refresh and wait: the announcement's ping is answered.
    r.relay.RefreshAndWait();
    QVERIFY(r.relay.PingAnswered);

    // Leaving: two more pings, then the session is closed by us (not "lost").
    const int pings = stat(r.sim, QStringLiteral("pings"));
    r.relay.DisconnectFromServer();
    QVERIFY(!r.relay.IsUp());
    QTRY_COMPARE_WITH_TIMEOUT(stat(r.sim, QStringLiteral("pings")), pings + 2, 2000);
    QCOMPARE(r.lost, 0);
    QCOMPARE(r.gprs.last(), QStringLiteral("Disconnected from GPRS server."));
    // A frame now is dropped, not sent.
    QVERIFY(!r.relay.Write(r.link.BuildWireFrame(QByteArray(16, '['))));
}

void TestRelayConnection::rejectedInputsOpenNothing()
{
    Rig r;
    QCOMPARE(r.relay.ConnectWithInputs(QStringLiteral("127.0.0.1"), QStringLiteral("ABC"), QStringLiteral("-")),
             TRelayConnectResult::GivePasswordFirst);
    QCOMPARE(r.gprs, QStringList{QStringLiteral("Please type in your password before connecting!\n")});

    r.gprs.clear();
    QElapsedTimer t;
    t.start();
    QCOMPARE(r.relay.ConnectWithInputs(QStringLiteral("127.0.0.1"), QStringLiteral("7"), Password),
             TRelayConnectResult::InvalidSerial);
    QVERIFY(t.elapsed() >= 500);
    QCOMPARE(r.gprs, QStringList{QStringLiteral("Serial number not correct!\n")});
    QCOMPARE(r.started, 0);
    QVERIFY(r.indicators.isEmpty());
}

void TestRelayConnection::serverWithoutTestAnswer()
{
    Rig r;
    QVERIFY2(r.start({QStringLiteral("--no-test-answer")}), qPrintable(r.sim.lastError()));
    QElapsedTimer t;
    t.start();
    QCOMPARE(r.connect(), TRelayConnectResult::Failed);
    const qint64 ms = t.elapsed();
    QVERIFY2(ms >= 20000 && ms < 25000, qPrintable(QString::number(ms)));
    QVERIFY(!r.relay.IsUp());
    QVERIFY(!r.gprs.contains(QStringLiteral("GPRS connected...")));
    QCOMPARE(r.gprs.last(), QStringLiteral("Unable to connect!\n"));
    QCOMPARE(r.indicators.last(), TRelayIndicator::NONE);
    // The server got the connect's test packet and the keep-alive one 10 s
    // later, and after the failure the two leave pings.
    QCOMPARE(stat(r.sim, QStringLiteral("tests")), 2);
    QTRY_COMPARE_WITH_TIMEOUT(stat(r.sim, QStringLiteral("pings")), 2, 2000);
}

void TestRelayConnection::serverClosesThenConnectAgain()
{
    Rig r;
    QVERIFY2(r.start({QStringLiteral("--close-after"), QStringLiteral("2")}), qPrintable(r.sim.lastError()));
    QCOMPARE(r.connect(), TRelayConnectResult::Connected);
    QTRY_COMPARE_WITH_TIMEOUT(r.lost, 1, 5000);
    QVERIFY(!r.relay.IsUp());
    QCOMPARE(r.gprs.last(), QStringLiteral("Disconnected from GPRS server."));
    QCOMPARE(r.indicators.last(), TRelayIndicator::NONE);

    // At once again: nothing of the old session is in the way.
    QElapsedTimer t;
    t.start();
    QCOMPARE(r.connect(), TRelayConnectResult::Connected);
    QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
    QVERIFY(r.readVersionBlock());
    QCOMPARE(stat(r.sim, QStringLiteral("connects")), 2);
}

void TestRelayConnection::parameterReadThroughTheRelay()
{
    // The whole read procedure in IP mode over the real connection: the relay
    // steps are answered by the server, all 42 blocks arrive, and the image
    // holds the module's parameters.
    Rig r;
    QVERIFY2(r.start({}), qPrintable(r.sim.lastError()));
    QCOMPARE(r.connect(), TRelayConnectResult::Connected);
    TParamImage image;
    TRelayTransferHost host(r.relay);
    TModuleTransfer transfer(r.wait, r.texts, image, r.link, r.transferActive, host);
    QCOMPARE(transfer.spbReadModuleClick(), TTransferOutcome::Success);
    QCOMPARE(host.Position, ModuleTransfer::ProgressMaximum);
    QVERIFY(!host.isRed());
    // Activity flags: 3 before the transfer (neither the status page nor the
    // details window shown), 7 at its end while the transfer is still active.
    QCOMPARE(host.Steps.first(), QStringLiteral("ping 3"));
    QCOMPARE(host.Steps.last(), QStringLiteral("ping 7"));
    QCOMPARE(host.Steps.count(QStringLiteral("refresh")), 9);
    QVERIFY(QByteArray(reinterpret_cast<const char *>(image.bytes), 64).startsWith("ZEHL,64,31,Morvo3 GPRS"));
    QVERIFY(!r.transferActive);
    r.relay.DisconnectFromServer();
}

void TestRelayConnection::timersFoundByName()
{
    // The diagnostic timers panel looks the timers up under the connection.
    Rig r;
    auto *remote = r.relay.findChild<QTimer *>(QStringLiteral("RemoteConnTimer"));
    auto *decrease = r.relay.findChild<QTimer *>(QStringLiteral("DecreaseTimer"));
    QVERIFY(remote && decrease);
    QCOMPARE(remote->interval(), 250);
    QVERIFY(remote->isActive());        // runs from creation
    QCOMPARE(decrease->interval(), 1000);
    QVERIFY(!decrease->isActive());     // enabled at connect
}

QTEST_GUILESS_MAIN(TestRelayConnection)
#include "tst_relayconnection.moc"

// The module session without any window: which transport a frame goes to in
// each mode, what the link-state check does, and how a lost or returning
// transport is followed.

#include "LinkFixture.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/ModuleSession.h"
#include "link/ModuleTransport.h"

#include <QSignalSpy>
#include <QtTest>

using namespace LinkTest;

namespace {

// A transport that records what it is given and is up when told.
class FakeTransport : public TModuleTransport
{
public:
    using TModuleTransport::TModuleTransport;
    bool Open() override
    {
        ++opens;
        return true;
    }
    void Close() override
    {
        ++closes;
        isUp = false;
    }
    bool IsUp() const override { return isUp; }
    bool Write(const QByteArray &wireFrame) override
    {
        written << wireFrame;
        return true;
    }

    bool isUp = false;
    int opens = 0;
    int closes = 0;
    QList<QByteArray> written;
};

struct Session
{
    TWaitContext wait;
    Morvo3Texts texts;
    TModuleSession session{texts, wait};
    FakeTransport *usb = nullptr;

    Session()
    {
        session.SetUsbTransportFactory([this](QObject *parent) {
            usb = new FakeTransport(parent);
            return usb;
        });
    }
    // One COMMAND frame (a relay switch), whatever transport takes it.
    void sendOne() { session.Link.SendShortFrame(Link::COMMAND, reinterpret_cast<const std::uint8_t *>("\x03\x01\x01\x00\x00")); }
    QByteArray wire(const QByteArray &plain) const { return session.Link.BuildWireFrame(plain); }
};

} // namespace

class TestModuleSession : public QObject
{
    Q_OBJECT
private slots:
    void framesGoToTheTransportOfTheMode();
    void linkCheckAsksForAMissingPassword();
    void linkCheckStartsLoginAndVersionPoll();
    void lostAndReturningTransport();
    void bytesFromTheTransportReachTheDispatcher();
    void passwordChangeTimeline();
};

void TestModuleSession::framesGoToTheTransportOfTheMode()
{
    Session s;
    s.session.EnterUsbMode(TModeSwitch::Startup);
    QVERIFY(s.usb);
    QCOMPARE(s.usb->opens, 1);

    s.sendOne();   // the cable is not up yet: nothing goes out
    QCOMPARE(s.usb->written.size(), 0);
    s.usb->isUp = true;
    s.sendOne();
    QCOMPARE(s.usb->written.size(), 1);
    QCOMPARE(s.usb->written.at(0).size(), 18);
    QCOMPARE(s.usb->written.at(0).front(), '{');
    QCOMPARE(s.usb->written.at(0).back(), '}');

    // IP mode lets the cable go; without a relay nothing goes anywhere.
    s.session.EnterIpMode();
    QCOMPARE(s.usb->closes, 1);
    s.usb->isUp = true;           // even a cable that is still up is not used in IP mode
    s.sendOne();
    QCOMPARE(s.usb->written.size(), 1);
    QVERIFY(!s.session.TransportUp());

    FakeTransport relay;
    relay.isUp = true;
    s.session.SetRelayTransport(&relay, {});
    QVERIFY(s.session.RelayConnected());
    s.sendOne();
    QCOMPARE(relay.written.size(), 1);
    QCOMPARE(s.usb->written.size(), 1);

    // Back to USB: the relay session ends and the same cable transport reopens.
    s.session.EnterUsbMode(TModeSwitch::User);
    s.sendOne();
    QCOMPARE(relay.written.size(), 1);
    QCOMPARE(relay.closes, 1);
    QVERIFY(!s.session.RelayConnected());
    QCOMPARE(s.usb->opens, 2);
    // Bytes or a loss from the transport of the other mode are not the module's.
    QSignalSpy lost(&s.session, &TModuleSession::moduleLost);
    emit relay.lost();
    QCOMPARE(lost.count(), 0);
    QCOMPARE(s.session.findChildren<FakeTransport *>().size(), 1);
}

void TestModuleSession::linkCheckAsksForAMissingPassword()
{
    Session s;
    s.session.ModulePassword.clear();
    QSignalSpy asked(&s.session, &TModuleSession::passwordEntryNeeded);
    s.session.EnterUsbMode(TModeSwitch::Startup);
    QVERIFY(s.session.TimerConnectStatus.isActive());
    // No link: the check only shows "no connection".
    QTest::qWait(1200);
    QCOMPARE(asked.count(), 0);
    QCOMPARE(s.session.Indicator(), TConnectionIndicator::NONE);
    s.usb->isUp = true;
    QTRY_VERIFY_WITH_TIMEOUT(asked.count() >= 2, 3500);
    // It keeps checking and never starts the login without a password.
    QVERIFY(s.session.TimerConnectStatus.isActive());
    QVERIFY(!s.session.PWTimer.isActive());
    QVERIFY(!s.session.GetVersionTimer.isActive());
}

void TestModuleSession::linkCheckStartsLoginAndVersionPoll()
{
    Session s;
    QSignalSpy indicator(&s.session, &TModuleSession::indicatorChanged);
    s.session.EnterUsbMode(TModeSwitch::Startup);
    s.usb->isUp = true;
    QTRY_VERIFY_WITH_TIMEOUT(!s.session.TimerConnectStatus.isActive(), 2500);
    QCOMPARE(s.session.Indicator(), TConnectionIndicator::SEARCH);
    QVERIFY(s.session.PWTimer.isActive());
    QCOMPARE(s.session.PWTimer.interval(), 1000);
    QVERIFY(s.session.GetVersionTimer.isActive());
    QCOMPARE(s.session.GetVersionTimer.interval(), 4000);
    // The first login goes out a second later; the timer then repeats every 3 s.
    QTRY_COMPARE_WITH_TIMEOUT(s.session.PWTimer.interval(), 3000, 2000);
    QVERIFY(!s.usb->written.isEmpty());
    const QByteArray plain = s.session.Link.DecryptPlainBlock(s.usb->written.at(0).mid(1, 16));
    QCOMPARE(quint8(plain.at(1)), quint8(Link::PW_SELECT));
    QCOMPARE(quint8(plain.at(10)), quint8(0x01));   // a login

    // A user's switch to IP mode stops all of it.
    s.session.EnterIpMode();
    QVERIFY(!s.session.PWTimer.isActive());
    QVERIFY(!s.session.GetVersionTimer.isActive());
    QVERIFY(!s.session.TimerConnectStatus.isActive());
    QCOMPARE(s.session.Indicator(), TConnectionIndicator::NONE);
}

void TestModuleSession::lostAndReturningTransport()
{
    Session s;
    s.session.EnterUsbMode(TModeSwitch::Startup);
    s.usb->isUp = true;
    emit s.session.Identification.identified(QStringLiteral("Morvo3  GPRS v2.04  HW3"));
    QCOMPARE(s.session.ModuleVersion(), QStringLiteral("Morvo3  GPRS v2.04  HW3"));
    QCOMPARE(s.session.Indicator(), TConnectionIndicator::OK);
    s.session.TimerConnectStatus.stop();

    QSignalSpy lost(&s.session, &TModuleSession::moduleLost);
    s.usb->isUp = false;
    emit s.usb->lost();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(s.session.ModuleVersion(), QString());
    QCOMPARE(s.session.Indicator(), TConnectionIndicator::NONE);

    emit s.usb->restarted();
    QVERIFY(s.session.TimerConnectStatus.isActive());

    // After the window's close nothing is followed any more.
    s.session.Shutdown();
    QVERIFY(!s.session.TimerConnectStatus.isActive());
    emit s.usb->restarted();
    emit s.usb->lost();
    QVERIFY(!s.session.TimerConnectStatus.isActive());
    QCOMPARE(lost.count(), 1);
}

void TestModuleSession::bytesFromTheTransportReachTheDispatcher()
{
    Session s;
    s.session.EnterUsbMode(TModeSwitch::Startup);
    s.usb->isUp = true;
    s.session.LoginNow();
    QVERIFY(s.session.PWTimer.isActive());
    QSignalSpy required(&s.session, &TModuleSession::passwordRequired);
    QSignalSpy accepted(&s.session, &TModuleSession::passwordAccepted);
    emit s.usb->bytesReceived(s.wire(result(Link::COMMAND, Link::RES_PW_REQUIRED)));
    QCOMPARE(required.count(), 1);
    // The module wants the password: the logins stop until the user answers.
    QVERIFY(!s.session.PWTimer.isActive());

    s.session.SubmitLoginPassword(QStringLiteral("1234"));
    QCOMPARE(s.session.PWTimer.interval(), 1000);
    QVERIFY(s.session.PWTimer.isActive());
    emit s.usb->bytesReceived(s.wire(result(Link::COMMAND, Link::RES_PW_ACCEPTED)));
    QCOMPARE(accepted.count(), 1);
    QVERIFY(s.session.PasswordAccepted());
    // Accepted does not stop the logins: they go on for the whole connection.
    QVERIFY(s.session.PWTimer.isActive());
}

void TestModuleSession::passwordChangeTimeline()
{
    Session s;
    s.session.EnterUsbMode(TModeSwitch::Tool);
    s.usb->isUp = true;
    s.session.ModulePassword = QStringLiteral("1234");
    QVERIFY(!s.session.StartPasswordChange(QStringLiteral("1235"), QStringLiteral("4321")));
    QCOMPARE(s.session.ModulePassword, QStringLiteral("1234"));
    QVERIFY(!s.session.pwtimer.isActive());

    s.session.Link.PasswordAcceptedFlag = true;
    QSignalSpy sent(&s.session, &TModuleSession::newPasswordSent);
    QVERIFY(s.session.StartPasswordChange(QStringLiteral("1234"), QStringLiteral("4321")));
    QVERIFY(!s.session.PasswordAccepted());
    QCOMPARE(s.session.PWTimer.interval(), 1000);
    QCOMPARE(s.session.pwtimer.interval(), 2000);
    QVERIFY(sent.wait(3000));
    QCOMPARE(s.session.ModulePassword, QStringLiteral("4321"));
    QVERIFY(!s.session.pwtimer.isActive());
    QCOMPARE(s.session.PWTimer.interval(), 4000);
    // The last frame pair carried the new password with PW_SELECT 0x00.
    const int n = s.usb->written.size();
    QVERIFY(n >= 2);
    const QByteArray select = s.session.Link.DecryptPlainBlock(s.usb->written.at(n - 2).mid(1, 16));
    const QByteArray content = s.session.Link.DecryptPlainBlock(s.usb->written.at(n - 1).mid(1, 16));
    QCOMPARE(quint8(select.at(1)), quint8(Link::PW_SELECT));
    QCOMPARE(quint8(select.at(10)), quint8(0x00));   // "new password", not a login (0x01)
    QCOMPARE(content.mid(2, 5), QByteArray("4321\0", 5));
}

QTEST_GUILESS_MAIN(TestModuleSession)
#include "tst_modulesession.moc"

// The module password end to end: a module with another password asks for it,
// the entry window takes it, and the change window gives the module a new one.
// Also the input rules of both windows.

#include "SimProcess.h"
#include "UsbRig.h"

#include "Morvo3Config.h"
#include "link/Communication.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"
#include "params/ParamFiles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {
QString Password()
{
    return QString::fromLatin1(Morvo3Config::DefaultModulePassword);
}

// Every password text that leaves the link (the long COMMAND frame of a pair),
// with the time it left: the link logs each long frame as "SND:5B 24 <text> 00 ...".
struct PasswordSends
{
    QElapsedTimer clock;
    QList<QPair<qint64, QString>> sends;

    void watch(TLink &link, QObject *context)
    {
        clock.start();
        QObject::connect(&link, &TLink::memoText, context, [this](MemoTarget memo, const QString &line, bool) {
            const int at = line.indexOf(QLatin1String("SND:5B 24 "));
            if (memo != MemoTarget::SendLog || at < 0)
                return;
            const QByteArray bytes = QByteArray::fromHex(line.mid(at + 10).toLatin1());
            sends.append({clock.elapsed(), QString::fromLatin1(bytes.left(bytes.indexOf('\0')))});
        });
    }
    QStringList texts() const
    {
        QStringList out;
        for (const auto &s : sends)
            out << s.second;
        return out;
    }
};
}

class TestPassword : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void oldPasswordEditTakesCapitals_data();
    void oldPasswordEditTakesCapitals();
    void newPasswordEditsTakeDigitsOnly_data();
    void newPasswordEditsTakeDigitsOnly();
    void okButtonRule_data();
    void okButtonRule();
    void wrongOldPasswordChangesNothing();
    void entryWindowTakesTenCharacters();
    void entryWindowWorksBesideTheMessageWindow();
    void entryWindowComesBackAfterQuickClicks();
    void otherPasswordAskedThenChanged();
    void emptyPasswordAskedModally();
    void passwordAskedDuringARead();
};

void TestPassword::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestPassword::oldPasswordEditTakesCapitals_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("letters") << "ab12" << "AB12";
    QTest::newRow("mixed") << "aB-c" << "AB-C";
    QTest::newRow("digits") << "0042" << "0042";
    QTest::newRow("cut at eight") << "abcdefghij" << "ABCDEFGH";
}

void TestPassword::oldPasswordEditTakesCapitals()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TAppCore core;
    TNewPW window(core.Session);
    QTest::keyClicks(window.edOldpw, typed);
    QCOMPARE(window.edOldpw->text(), stored);
}

void TestPassword::newPasswordEditsTakeDigitsOnly_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("digits") << "4321" << "4321";
    QTest::newRow("letters dropped") << "4a3B2-1" << "4321";
    QTest::newRow("only letters") << "abc" << "";
    QTest::newRow("cut at eight") << "1234567890" << "12345678";
}

void TestPassword::newPasswordEditsTakeDigitsOnly()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TAppCore core;
    TNewPW window(core.Session);
    for (QLineEdit *edit : {window.PasswordChange1, window.PasswordChange}) {
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), stored);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), stored.left(qMax(0, stored.size() - 1)));
    }
}

void TestPassword::okButtonRule_data()
{
    QTest::addColumn<QString>("oldPw");
    QTest::addColumn<QString>("newPw");
    QTest::addColumn<QString>("repeat");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("complete") << "1234" << "5678" << "5678" << true;
    QTest::newRow("repeat differs") << "1234" << "5678" << "5679" << false;
    QTest::newRow("repeat shorter") << "1234" << "5678" << "567" << false;
    QTest::newRow("old empty") << "" << "5678" << "5678" << false;
    QTest::newRow("new empty") << "1234" << "" << "" << false;
}

void TestPassword::okButtonRule()
{
    QFETCH(QString, oldPw);
    QFETCH(QString, newPw);
    QFETCH(QString, repeat);
    QFETCH(bool, enabled);
    TAppCore core;
    TNewPW window(core.Session);
    QVERIFY(!window.btNewPW->isEnabled());
    QTest::keyClicks(window.edOldpw, oldPw);
    QTest::keyClicks(window.PasswordChange1, newPw);
    QTest::keyClicks(window.PasswordChange, repeat);
    QCOMPARE(window.btNewPW->isEnabled(), enabled);
}

void TestPassword::wrongOldPasswordChangesNothing()
{
    TAppCore core;
    core.Session.ModulePassword = "1234";
    TNewPW window(core.Session);
    window.show();
    QTest::keyClicks(window.edOldpw, "1235");
    QTest::keyClicks(window.PasswordChange1, "9999");
    QTest::keyClicks(window.PasswordChange, "9999");
    QVERIFY(window.btNewPW->isEnabled());
    QTest::mouseClick(window.btNewPW, Qt::LeftButton);
    auto *box = window.findChild<QMessageBox *>();
    QVERIFY(box);
    QCOMPARE(box->text(), core.Texts.text("lbTXT_GIVEN_PWD_NOT_CORRECT"));
    QCOMPARE(core.Session.ModulePassword, QString("1234"));
    QVERIFY(!core.Session.pwtimer.isActive());
    QVERIFY(!core.Session.PWTimer.isActive());
    QVERIFY(window.isVisible());
    QVERIFY(window.btNewPW->isEnabled());
}

void TestPassword::entryWindowTakesTenCharacters()
{
    TAppCore core;
    TPWForm window(core.Session);
    window.ShowNonModal();
    QCOMPARE(window.windowTitle(), core.Texts.text("lbTXT_PASSWORD"));
    QCOMPARE(window.lbPW->text(), core.Texts.text("lbTXT_PW_CAPTION1"));
    QCOMPARE(window.PasswordIN->echoMode(), QLineEdit::Password);
    QTest::keyClicks(window.PasswordIN, "Abc1234567XYZ");
    QCOMPARE(window.PasswordIN->text(), QString("Abc1234567"));
    // Escape does not get rid of it; Enter is "OK".
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());
    QTest::keyClick(window.PasswordIN, Qt::Key_Return);
    QVERIFY(!window.isVisible());
    QCOMPARE(core.Session.ModulePassword, QString("Abc1234567"));
    QVERIFY(core.Session.PWTimer.isActive());
    QCOMPARE(core.Session.PWTimer.interval(), TPWForm::FirstSendDelayMs);
}

// The module asked for the password while a message is on screen: the user can
// still type the password, and the message window does not take the keys.
void TestPassword::entryWindowWorksBesideTheMessageWindow()
{
    UsbRig rig{QString()};
    QVERIFY(rig.start());
    TPWForm *entry = rig.app->Windows().PWForm;
    rig.messages()->ShowMessage(QStringLiteral("Jelszó elfogadva."));
    emit rig.core().Link.passwordRequired();
    QVERIFY(entry->isVisible());
    entry->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(entry));
    entry->PasswordIN->setFocus();
    QTest::qWait(300);   // time for any window to take the focus back
    QVERIFY(entry->isActiveWindow());
    QCOMPARE(QApplication::focusWidget(), entry->PasswordIN);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5678"));
    QCOMPARE(entry->PasswordIN->text(), QStringLiteral("5678"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(!entry->isVisible());
    QCOMPARE(rig.core().Session.ModulePassword, QStringLiteral("5678"));
    QVERIFY(rig.core().Session.PWTimer.isActive());
}

// Two quick clicks on the main window while the module waits for the password:
// the entry window comes back each time (the logins are stopped until it is answered).
void TestPassword::entryWindowComesBackAfterQuickClicks()
{
    UsbRig rig{QString()};
    QVERIFY(rig.start());
    TPWForm *entry = rig.app->Windows().PWForm;
    emit rig.core().Link.passwordRequired();
    QVERIFY(!rig.core().Session.PWTimer.isActive());
    entry->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(entry));
    for (int click = 0; click < 2; ++click) {
        rig.form()->activateWindow();
        QTest::qWait(60);
    }
    QTRY_VERIFY_WITH_TIMEOUT(entry->isActiveWindow(), 2000);
    QVERIFY(entry->isVisible());
}

void TestPassword::otherPasswordAskedThenChanged()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing", "--password", "5678"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    TPWForm *entry = rig.app->Windows().PWForm;
    // The factory password is refused: the entry window comes up, nothing is identified.
    QVERIFY2(QTest::qWaitFor([&] { return entry->isVisible(); }, UsbRig::IdentifyTimeoutMs), qPrintable(sim.output()));
    QVERIFY(!rig.core().Session.PWTimer.isActive());
    QTest::qWait(4500);   // a version poll in between is refused as well
    QVERIFY(rig.version().isEmpty());

    const QString accepted = rig.core().Texts.text("lbTXT_SECUR_PW_OK");
    entry->PasswordIN->clear();
    QTest::keyClicks(entry->PasswordIN, "5678");
    QTest::mouseClick(entry->Button1, Qt::LeftButton);
    QVERIFY(!entry->isVisible());
    QVERIFY(QTest::qWaitFor([&] { return rig.showing(accepted); }, 5000));
    rig.dismissMessage();
    QVERIFY(rig.waitIdentified());
    QVERIFY(rig.commandsEnabled());

    // Change it to 4321 through the change window.
    auto *changePw = rig.child<QAbstractButton>("spbChangePW");
    QVERIFY(!changePw->isHidden());
    changePw->click();
    TNewPW *change = rig.app->Windows().NewPW;
    QVERIFY(change->isVisible());
    QTest::keyClicks(change->edOldpw, "5678");
    QTest::keyClicks(change->PasswordChange1, "4321");
    QTest::keyClicks(change->PasswordChange, "4321");
    PasswordSends timeline;
    timeline.watch(rig.core().Link, rig.form());
    QTest::mouseClick(change->btNewPW, Qt::LeftButton);
    // One second later the old password logs in; the change cleared the flag, so
    // "Password accepted." shows once more. The new password follows a second later.
    QVERIFY(QTest::qWaitFor([&] { return rig.showing(accepted); }, 3000));
    const QString changed = rig.core().Texts.text("lbTXT_PW_CHANGE_OK");
    QVERIFY(QTest::qWaitFor([&] { return rig.showing(changed); }, 4000));
    QVERIFY(!change->isVisible());
    QCOMPARE(sim.control("check-password 4321"), QStringLiteral("ok yes"));
    QCOMPARE(rig.core().Session.ModulePassword, QStringLiteral("4321"));
    rig.dismissMessage();
    // From then on the logins carry the new password and are accepted quietly.
    QTest::qWait(5000);
    QVERIFY(rig.messages()->IsClosed());
    QVERIFY(!entry->isVisible());
    QVERIFY(rig.core().Session.PWTimer.isActive());
    QCOMPARE(sim.control("state").section(' ', 1, 1), QStringLiteral("logged-in=1"));

    // After "OK": the old password at 1 s, the new one at 2 s, the new one as the
    // login at 6 s, then every 3 s. Timers may fire a little late, never much early.
    QVERIFY2(timeline.sends.size() >= 3, qPrintable(timeline.texts().join(',')));
    QCOMPARE(timeline.texts().mid(0, 3), (QStringList{"5678", "4321", "4321"}));
    const qint64 oldLogin = timeline.sends.at(0).first;
    const qint64 newPassword = timeline.sends.at(1).first;
    const qint64 newLogin = timeline.sends.at(2).first;
    QVERIFY2(oldLogin >= 900 && newPassword >= 1900 && newLogin - newPassword >= 3800,
             qPrintable(QStringLiteral("%1 %2 %3").arg(oldLogin).arg(newPassword).arg(newLogin)));
    QVERIFY2(newPassword < 3500, "the new password goes out 2 s after OK, not with a later login");

    // The hidden "send password" button sends the current password once, at once.
    const int before = timeline.sends.size();
    rig.child<QAbstractButton>("btnSendPassword")->click();
    QCOMPARE(timeline.sends.size(), before + 1);
    QCOMPARE(timeline.sends.last().second, QStringLiteral("4321"));
}

void TestPassword::emptyPasswordAskedModally()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    // The link check has not run yet (its first tick is a second after USB mode began).
    QVERIFY(rig.core().Session.TimerConnectStatus.isActive());
    rig.core().Session.ModulePassword.clear();
    TPWForm *entry = rig.app->Windows().PWForm;
    QVERIFY(QTest::qWaitFor([&] { return entry->isVisible(); }, UsbRig::IdentifyTimeoutMs));
    QCOMPARE(entry->windowModality(), Qt::ApplicationModal);
    QTest::qWait(2500);
    // Still one window, the check goes on, nothing is sent meanwhile.
    QCOMPARE(rig.core().Session.TimerConnectStatus.isActive(), true);
    QVERIFY(!rig.core().Session.PWTimer.isActive());
    QCOMPARE(sim.control("state").section(' ', 1, 1), QStringLiteral("logged-in=0"));
    entry->PasswordIN->clear();
    QTest::keyClicks(entry->PasswordIN, Password());
    QTest::mouseClick(entry->Button1, Qt::LeftButton);
    QVERIFY(rig.waitIdentified());
    QVERIFY(!entry->isVisible());
    QCOMPARE(entry->windowModality(), Qt::NonModal);
}

void TestPassword::passwordAskedDuringARead()
{
    // Paced, so that the read lasts a few seconds. In the middle the module gets
    // another password (changed elsewhere) and ends the session: it asks for the
    // password while the read waits for a block, and the repeated login cannot help.
    SimProcess sim;
    QVERIFY2(sim.start({"--status-interval", "0"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    rig.dismissMessage();
    TPWForm *entry = rig.app->Windows().PWForm;
    QSignalSpy finished(rig.form()->ParamCommands(), &TParamPageCommands::transferFinished);
    QSignalSpy asked(&rig.core().Link, &TLink::passwordRequired);
    bool entryShownDuringRead = false;
    QTimer::singleShot(1200, rig.form(), [&] {
        QVERIFY(sim.controlOk("set-password 9999"));
        QVERIFY(sim.controlOk("logout"));
    });
    QTimer::singleShot(3000, rig.form(), [&] { entryShownDuringRead = entry->isVisible(); });
    rig.child<QAbstractButton>("spbReadModule")->click();

    // The window came up inside the read's wait, without a second copy, and the
    // read ended on its own time-out.
    QVERIFY(entryShownDuringRead);
    QVERIFY(asked.count() >= 1);
    QCOMPARE(rig.app->Windows().PWForm, entry);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::BlockFailed);
    QVERIFY(entry->isVisible());
    QVERIFY(!rig.core().Session.PWTimer.isActive());

    // Answered, the next read goes through in the same connection.
    entry->PasswordIN->clear();
    QTest::keyClicks(entry->PasswordIN, "9999");
    QTest::mouseClick(entry->Button1, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&] { return sim.control("state").section(' ', 1, 1) == "logged-in=1"; }, 5000));
    rig.child<QAbstractButton>("spbReadModule")->click();
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QVERIFY(!entry->isVisible());
}

QTEST_MAIN(TestPassword)
#include "tst_password.moc"

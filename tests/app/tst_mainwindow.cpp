// Start-up, the main window's states, the command line and the close sequence,
// with the real application object and windows.

#include "app/Application.h"
#include "app/FormMessage.h"
#include "app/WelcomeForm.h"
#include "link/SerialDetails.h"
#include "params/ParamEditor.h"
#include "monitor/PasswordChange.h"
#include "monitor/Event_List.h"
#include "params/ParamFiles.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>
#include <memory>

namespace {
const QStringList CommandNames = {"spbReadModule", "spbWriteModule", "spbCompareData", "spbChangePW"};
const QStringList RelayInputs = {"edServerIP", "edSerialNr", "edPWD", "MemoGPRS", "btClearMemoGPRS"};
const QStringList Indicators = {"imgUSB_NONE", "imgUSB_SEARCH", "imgUSB_OK", "imgUSB_INVALID"};

// A fresh application whose main window has gone through its first show.
struct Fixture
{
    std::unique_ptr<TMorvo3Application> app;
    TMainForm *main = nullptr;

    explicit Fixture(const QStringList &args = {})
        : app(std::make_unique<TMorvo3Application>(args))
    {
        app->Start(); // the splash creates the main window
        main = app->MainForm();
        main->show();
    }
    template <typename T = QWidget> T *get(const QString &name) const
    {
        T *w = main->findChild<T *>(name);
        if (!w)
            qWarning("no control %s", qPrintable(name));
        return w;
    }
    TMessageForm *message() const { return app->Windows().Message; }
    // Which of the active command buttons and twins can be seen.
    QString commandState() const
    {
        bool allActive = true, anyActive = false, allTwins = true, anyTwin = false;
        for (const QString &n : CommandNames) {
            const bool a = !get(n)->isHidden(); // the page itself may be hidden
            const bool t = !get(n + "Disabled")->isHidden();
            allActive &= a;
            anyActive |= a;
            allTwins &= t;
            anyTwin |= t;
            if (get(n)->geometry() != get(n + "Disabled")->geometry())
                return "twin misplaced";
        }
        if (allActive && allTwins) {
            // Both shown: the twin must be the one on top (later in the stacking order).
            for (const QString &n : CommandNames) {
                QWidget *b = get(n);
                const QObjectList order = b->parentWidget()->children();
                if (order.indexOf(get(n + "Disabled")) < order.indexOf(b))
                    return "twin below";
            }
            return "covered";
        }
        if (allActive && !anyTwin)
            return "enabled";
        if (allTwins && !anyActive)
            return "disabled";
        return "mixed";
    }
    QString visibleIndicator() const
    {
        QStringList shown;
        for (const QString &n : Indicators)
            if (get(n)->isVisibleTo(main))
                shown << n;
        return shown.join(',');
    }
};
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void splashBringsUpTheMainWindow()
    {
        TMorvo3Application app({});
        QCOMPARE(app.CreationOrder(),
                 (QStringList{"TWelcomeForm", "TFormDetails", "TGPRS", "TPWForm", "TFormDialog", "TFormUpdate",
                              "TMessageForm", "TNewPW", "TEListInfoForm", "TFormOnOffMode", "TFormProgress",
                              "TTextContainer"}));
        QVERIFY(!app.MainForm());
        QElapsedTimer clock;
        clock.start();
        app.Start();
        TWelcomeForm *splash = app.Windows().Welcome;
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->findChild<QLabel *>("lbVersion")->text(), QString("v1.15"));
        QVERIFY(app.MainForm());
        QCOMPARE(app.CreationOrder().last(), QString("TMainForm"));
        QVERIFY(!app.MainForm()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(app.MainForm()->isVisible(), 5000);
        QVERIFY(!splash->isVisible());
        QVERIFY(clock.elapsed() >= 1400); // 30 ticks of 50 ms
        QVERIFY(!splash->Timer1.isActive());
        QCOMPARE(app.MainForm()->windowTitle(), QString("GPRS Morvo3 v1.15"));
        QVERIFY(app.MainForm()->FirstShowDone());
        QVERIFY(!app.MainForm()->StartupPending());
    }

    void windowFitsTheScreenWithTheEditor()
    {
        Fixture f;
        QVERIFY(f.main->width() <= 1366 && f.main->height() <= 768 - 40);
        QCOMPARE(f.main->minimumSize(), f.main->maximumSize()); // fixed size
        QVERIFY(f.main->ParamEditor()->width() >= 1000);
        QVERIFY(f.main->ParamEditor()->height() >= 560);
        auto *pages = f.get<QTabWidget>("pcMain");
        QCOMPARE(pages->count(), 3);
        QCOMPARE(pages->widget(0)->objectName(), QString("tsKapcsolat"));
        QCOMPARE(pages->widget(1)->objectName(), QString("tsModulStatus"));
        QCOMPARE(pages->widget(2)->objectName(), QString("tsParameterSettings"));
        for (const char *name : {"btREL1Start", "btREL1Stop", "btREL2Start", "btREL2Stop", "btStopAlarm", "btRefresh",
                                 "btLongEventList", "btDetails", "btClearMsg", "btnSTOP", "spbOpen", "spbSave",
                                 "spbHU", "spbENG", "spbSK", "spbRO", "cgEvents", "MemoState", "Progress",
                                 "lbVersion", "MainStatusPanel", "btnTimerChecker", "imgUSB", "imgInternet"})
            QVERIFY2(f.main->findChild<QWidget *>(name), name);
        for (const char *name : {"btFwReset", "btFlashReset", "btFirmwareDownload", "btnSendPassword", "btnUSBConnect",
                                 "spbOpenDisabled", "spbSaveDisabled"})
            QVERIFY2(!f.get(name)->isVisibleTo(f.main), name);
        // The diagnostic panel lies beyond the right edge.
        QVERIFY(f.get("GroupBox7")->x() >= f.main->width());
        // The link timers belong to the session, the watch timer to the frame.
        for (const char *name : {"TimerConnectStatus", "GetVersionTimer", "PWTimer", "PWShowFormTimer", "pwtimer"})
            QVERIFY2(f.main->Session().findChild<QTimer *>(name), name);
        QVERIFY(f.main->findChild<QTimer *>("WatchTimer"));
    }

    void modeStates_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("disconnect");
        QTest::addColumn<bool>("inputs");
        QTest::addColumn<bool>("savePwd");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<bool>("internetIcon");
        QTest::addColumn<bool>("checking");
        QTest::newRow("USB after start-up") << QStringList{} << false << false << false << false << "covered" << false << true;
        QTest::newRow("IP") << QStringList{"rbIPmode"} << true << false << true << true << "disabled" << true << false;
        QTest::newRow("IP then USB") << QStringList{"rbIPmode", "rbUSB"} << false << false << false << false
                                     << "disabled" << false << true;
        QTest::newRow("USB, IP, USB, IP") << QStringList{"rbIPmode", "rbUSB", "rbIPmode"} << true << false << true
                                          << true << "disabled" << true << false;
    }
    void modeStates()
    {
        QFETCH(QStringList, clicks);
        QFETCH(bool, connect);
        QFETCH(bool, disconnect);
        QFETCH(bool, inputs);
        QFETCH(bool, savePwd);
        QFETCH(QString, commands);
        QFETCH(bool, internetIcon);
        QFETCH(bool, checking);
        Fixture f;
        f.main->findChild<QTabWidget *>("pcMain")->setCurrentIndex(0);
        for (const QString &name : clicks) {
            // A module was identified before the switch: every switch forgets it.
            emit f.main->Session().Identification.identified("GPRS Morvo3");
            f.main->Core().Link.PasswordAcceptedFlag = true;
            QTest::mouseClick(f.get<QRadioButton>(name), Qt::LeftButton);
            QVERIFY(f.get<QRadioButton>(name)->isChecked());
            QCOMPARE(f.main->ModuleVersion(), QString());
            QVERIFY(!f.main->Core().Link.PasswordAcceptedFlag);
        }
        QCOMPARE(f.get("btGPRS_Connect")->isEnabled(), connect);
        QCOMPARE(f.get("btGPRS_Disconnect")->isEnabled(), disconnect);
        for (const QString &n : RelayInputs)
            QVERIFY2(f.get(n)->isEnabled() == inputs, qPrintable(n));
        QCOMPARE(f.get("cbSavePWD")->isEnabled(), savePwd);
        QCOMPARE(f.commandState(), commands);
        QCOMPARE(f.visibleIndicator(), QString("imgUSB_NONE"));
        QCOMPARE(f.get("imgInternet")->isVisibleTo(f.main), internetIcon);
        QCOMPARE(f.get("imgUSB")->isVisibleTo(f.main), !internetIcon);
        QCOMPARE(f.main->Session().TimerConnectStatus.isActive(), checking);
        QVERIFY(!f.main->Session().GetVersionTimer.isActive());
        QVERIFY(!f.main->Session().PWTimer.isActive());
    }

    void userUsbModeResetsTheStatusDisplay()
    {
        Fixture f;
        auto *armed = f.get<QLabel>("lbARMED");
        QTest::mouseClick(f.get<QRadioButton>("rbIPmode"), Qt::LeftButton);
        armed->setText("Armed");
        f.get<QLabel>("lbGSMpowVal")->setText("17");
        QTest::mouseClick(f.get<QRadioButton>("rbUSB"), Qt::LeftButton);
        QCOMPARE(armed->text(), QString("."));
        QCOMPARE(f.get<QLabel>("lbGSMpowVal")->text(), QString("0"));
        QCOMPARE(f.get<QLabel>("lbIN3B")->text(), QString("."));
    }

    void connectionIndicator_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("image");
        QTest::newRow("NONE") << int(TConnectionIndicator::NONE) << "imgUSB_NONE";
        QTest::newRow("SEARCH") << int(TConnectionIndicator::SEARCH) << "imgUSB_SEARCH";
        QTest::newRow("OK") << int(TConnectionIndicator::OK) << "imgUSB_OK";
        QTest::newRow("INVALID") << int(TConnectionIndicator::INVALID) << "imgUSB_INVALID";
    }
    void connectionIndicator()
    {
        QFETCH(int, state);
        QFETCH(QString, image);
        Fixture f;
        // From every other state, so no image is left over.
        for (int from = 0; from < 4; ++from) {
            f.main->SetConnectionIndicator(TConnectionIndicator(from));
            f.main->SetConnectionIndicator(TConnectionIndicator(state));
            QCOMPARE(f.visibleIndicator(), image);
        }
    }

    void moduleCommandsAndTwins()
    {
        Fixture f;
        QCOMPARE(f.commandState(), QString("covered"));
        f.main->EnableModuleCommands();
        QCOMPARE(f.commandState(), QString("enabled"));
        for (const QString &n : CommandNames)
            QVERIFY(f.get(n)->isEnabled());
        f.main->DisableModuleCommands();
        QCOMPARE(f.commandState(), QString("disabled"));
        for (const QString &n : CommandNames) {
            QVERIFY(!f.get(n + "Disabled")->isEnabled());
            QCOMPARE(f.get(n + "Disabled")->toolTip(), f.get(n)->toolTip());
        }
        f.main->EnableModuleCommands();
        QCOMPARE(f.commandState(), QString("enabled"));
    }

    // Covered module commands: neither Tab nor a click on their place reaches them.
    void coveredCommandsAreOutOfReach_data()
    {
        QTest::addColumn<bool>("userSwitch");
        QTest::newRow("after start-up (covered)") << false;
        QTest::newRow("after a mode switch (disabled)") << true;
    }
    void coveredCommandsAreOutOfReach()
    {
        QFETCH(bool, userSwitch);
        Fixture f;
        if (userSwitch) {
            QTest::mouseClick(f.get<QRadioButton>("rbIPmode"), Qt::LeftButton);
            QTest::mouseClick(f.get<QRadioButton>("rbUSB"), Qt::LeftButton);
        }
        auto *pages = f.get<QTabWidget>("pcMain");
        pages->setCurrentIndex(2);
        f.main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.main));
        QSignalSpy started(f.main->ParamCommands(), &TParamPageCommands::transferFinished);
        f.get("spbSave")->setFocus(Qt::OtherFocusReason);
        QWidget *page = pages->currentWidget();
        for (int i = 0; i < 120; ++i) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : f.main, Qt::Key_Tab);
            const QWidget *now = QApplication::focusWidget();
            for (const QString &n : CommandNames) {
                QVERIFY2(now != f.get(n), qPrintable(n + " took the focus"));
                QVERIFY2(now != f.get(n + "Disabled"), qPrintable(n + "Disabled took the focus"));
            }
        }
        for (const QString &n : CommandNames) {
            QWidget *button = f.get(n);
            // What lies on top at the button's centre is the inert twin.
            QCOMPARE(page->childAt(button->geometry().center()), f.get(n + "Disabled"));
        }
        QCOMPARE(started.count(), 0);
        QVERIFY(!f.app->Windows().NewPW->isVisible());
    }

    void identificationOutcome()
    {
        Fixture f;
        f.main->Session().GetVersionTimer.start();
        emit f.main->Session().Identification.identified("GPRS Morvo3 v2.05");
        QCOMPARE(f.get<QLabel>("lbVersion")->text(), QString("GPRS Morvo3 v2.05"));
        QCOMPARE(f.commandState(), QString("enabled"));
        QCOMPARE(f.visibleIndicator(), QString("imgUSB_OK"));

        emit f.main->Session().Identification.rejected(QStringLiteral("Tavor"));
        QVERIFY(!f.main->Session().GetVersionTimer.isActive());
        QCOMPARE(f.commandState(), QString("disabled"));
        QCOMPARE(f.visibleIndicator(), QString("imgUSB_NONE"));
    }

    void progressColour_data()
    {
        QTest::addColumn<QColor>("colour");
        QTest::newRow("green") << QColor(0, 128, 0);
        QTest::newRow("red") << QColor(255, 0, 0);
    }
    void progressColour()
    {
        QFETCH(QColor, colour);
        Fixture f;
        f.main->SetProgressColor(colour);
        QCOMPARE(f.main->ProgressColor(), colour);
        QCOMPARE(f.get<QProgressBar>("Progress")->maximum(), 44);
    }

    void stopButtonRequestsStop()
    {
        Fixture f;
        f.main->findChild<QTabWidget *>("pcMain")->setCurrentIndex(2);
        QVERIFY(!f.main->Core().Wait.StopRequested);
        f.get("btnSTOP")->setFocus();
        QCOMPARE(f.main->focusWidget(), f.get("btnSTOP"));
        QTest::mouseClick(f.get<QPushButton>("btnSTOP"), Qt::LeftButton);
        QVERIFY(f.main->Core().Wait.StopRequested);
        // The button hands the focus to the dummy, so Space cannot stop the next procedure.
        QCOMPARE(f.main->focusWidget(), f.get("btnFocusDummy"));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("message");
        QTest::newRow("none") << QStringList{} << "3333" << false;
        QTest::newRow("4000") << QStringList{"4000", "ignored"} << "4000" << false;
        QTest::newRow("65535") << QStringList{"65535"} << "65535" << false;
        QTest::newRow("0") << QStringList{"0"} << "3333" << false;
        QTest::newRow("65536") << QStringList{"65536"} << "3333" << false;
        QTest::newRow("-1") << QStringList{"-1"} << "3333" << false;
        QTest::newRow("abc") << QStringList{"abc"} << "3333" << true;
        QTest::newRow("empty text") << QStringList{""} << "3333" << true;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, port);
        QFETCH(bool, message);
        Fixture f(args);
        QCOMPARE(f.main->ServerPort(), port);
        QCOMPARE(f.message()->isVisible(), message);
        if (message)
            QCOMPARE(f.message()->Text(), QString("A megadott portszám nem értelmezhető,\nalapértelmezett port érvényben : 3333!"));
    }

    void firstShowRunsOnce()
    {
        Fixture f({"abc"});
        QVERIFY(f.message()->isVisible());
        QTest::mouseClick(f.message()->findChild<QPushButton *>("btnOK"), Qt::LeftButton);
        QVERIFY(!f.message()->isVisible());
        f.main->hide();
        QTest::mouseClick(f.get<QRadioButton>("rbIPmode"), Qt::LeftButton);
        f.main->show();
        QVERIFY(!f.message()->isVisible());
        QVERIFY(f.get<QRadioButton>("rbIPmode")->isChecked()); // USB mode was not entered again
    }

    void linkMessagesReachTheMessageWindow()
    {
        Fixture f;
        emit f.main->Core().Link.showMessage("Jelszó elfogadva.");
        QVERIFY(f.message()->isVisible());
        QCOMPARE(f.message()->Text(), QString("Jelszó elfogadva."));
    }

    // Controls whose function this version does not carry say so and change nothing.
    void hungarianButtonIsQuiet()
    {
        Fixture f;
        QTest::mouseClick(f.get<QToolButton>("spbHU"), Qt::LeftButton);
        QVERIFY(f.get<QToolButton>("spbHU")->isChecked());
        QVERIFY(!f.message()->isVisible());
    }

    void linkTextReachesTheStateMemo()
    {
        Fixture f;
        emit f.main->Core().Link.memoText(MemoTarget::State, "READY", true);
        f.main->Core().Memos.FlushMemoQueue();
        QCOMPARE(f.get<QPlainTextEdit>("MemoState")->toPlainText(), QString(" READY"));
        QTest::mouseClick(f.get<QPushButton>("btClearMsg"), Qt::LeftButton);
        QCOMPARE(f.get<QPlainTextEdit>("MemoState")->toPlainText(), QString());
    }

    void timersPanel()
    {
        Fixture f;
        auto *checker = f.get<QPushButton>("btnTimerChecker");
        auto *connectState = f.get<QLabel>("lbState_TimerConnectStatus");
        auto *versionState = f.get<QLabel>("lbState_GetVersionTimer");
        auto *relayState = f.get<QLabel>("lbState_RemoteConnTimer");
        QCOMPARE(checker->text(), QString("Start"));
        QCOMPARE(connectState->text(), QString("Unknown"));

        checker->click();
        QCOMPARE(checker->text(), QString("Stop"));
        QCOMPARE(checker->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
        QVERIFY(f.main->WatchTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(connectState->text(), QString("Enabled"), 3000);
        QCOMPARE(connectState->palette().color(QPalette::WindowText), QColor(0, 128, 0));
        QCOMPARE(f.get<QLabel>("lbInterval_TimerConnectStatus")->text(), QString("1000"));
        QCOMPARE(versionState->text(), QString("Disabled"));
        QCOMPARE(versionState->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(f.get<QLabel>("lbInterval_MemoTimer")->text(), QString("500"));
        // The relay connection's timer runs from its creation.
        QCOMPARE(relayState->text(), QString("Enabled"));
        QCOMPARE(f.get<QLabel>("lbInterval_RemoteConnTimer")->text(), QString("250"));
        // The USB reader's search timer is a real one; there is no queue timer to name.
        QCOMPARE(f.get<QLabel>("lbInterval_RefreshTimer")->text(), QString("1000"));
        QVERIFY(f.get<QLabel>("lbState_RefreshTimer")->text() != QString("Unknown"));
        QVERIFY(!f.main->findChild<QLabel *>("lbState_QueueTimer"));

        // A timer named by its owner is shown, and forgotten when the owner goes away.
        auto namedTimer = std::make_unique<QTimer>();
        namedTimer->setInterval(750);
        namedTimer->start();
        f.main->SetDiagnosticTimer("RemoteConnTimer", namedTimer.get());
        QTRY_COMPARE_WITH_TIMEOUT(f.get<QLabel>("lbInterval_RemoteConnTimer")->text(), QString("750"), 3000);
        QCOMPARE(relayState->text(), QString("Enabled"));
        namedTimer.reset();
        QTRY_COMPARE_WITH_TIMEOUT(f.get<QLabel>("lbInterval_RemoteConnTimer")->text(), QString("250"), 3000);
        QCOMPARE(relayState->text(), QString("Enabled"));

        checker->click();
        QCOMPARE(checker->text(), QString("Start"));
        QCOMPARE(checker->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
        QVERIFY(!f.main->WatchTimer->isActive());
        QCOMPARE(connectState->text(), QString("Unknown"));
        QCOMPARE(f.get<QLabel>("lbInterval_TimerConnectStatus")->text(), QString("-1"));
        QCOMPARE(connectState->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    }

    void closeSequence()
    {
        Fixture f;
        f.app->Windows().Message->ShowMessage("open");
        f.app->Windows().Details->show();
        TAppCore &core = f.main->Core();
        QVERIFY(f.main->close());
        QVERIFY(!f.main->isVisible());
        QVERIFY(!f.message()->isVisible());
        QVERIFY(f.app->Finished());
        for (QTimer *t : {&core.Session.TimerConnectStatus, &core.Session.GetVersionTimer, &core.Session.PWTimer,
                          &core.Session.PWShowFormTimer, &core.Session.pwtimer, f.main->WatchTimer,
                          &core.Wait.Time100msTimer, &core.Memos.MemoTimer})
            QVERIFY2(!t->isActive(), qPrintable(t->objectName()));
        // Closing twice and tearing everything down afterwards is harmless.
        f.main->close();
        f.app.reset();
    }

    void closeEndsAWaitingProcedure()
    {
        Fixture f;
        TAppCore &core = f.main->Core();
        QTimer::singleShot(200, f.main, [&f] { f.main->close(); });
        QElapsedTimer clock;
        clock.start();
        const bool done = core.Wait.WaitFor(100, [] { return false; }); // would wait 10 s
        QVERIFY(!done);
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(f.app->Finished());
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

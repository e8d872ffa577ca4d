// The program in USB mode against the simulated module: finding and identifying
// it, unplugging and replugging, mode switches, an incompatible module, a noisy
// line and a port that cannot be opened.

#include "SimProcess.h"
#include "UsbRig.h"

#include "link/Communication.h"
#include "link/Identification.h"
#include "params/ParamFiles.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
// Longer than one login period (3 s), so a repeated message would have shown.
constexpr int QuietPeriodMs = 4000;
const QString StandardVersion = QStringLiteral("Morvo3  GPRS v2.04  HW3  DataVersion:110");

bool indicatorIs(UsbRig &rig, TConnectionIndicator state)
{
    return rig.form()->ConnectionIndicator() == state;
}
}

class TestUsbMode : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void findsAndIdentifiesTheModule();
    void unplugReplugAndModeSwitches();
    void incompatibleModuleIsRefused();
    void noisyLineStillIdentifies();
    void unopenablePortReportedOnce();
    void unplugDuringReadEndsIt();
};

void TestUsbMode::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestUsbMode::findsAndIdentifiesTheModule()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY(!rig.commandsEnabled());

    const QString accepted = rig.core().Texts.text("lbTXT_SECUR_PW_OK");
    QVERIFY(QTest::qWaitFor([&] { return rig.showing(accepted); }, UsbRig::IdentifyTimeoutMs));
    rig.dismissMessage();
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    QCOMPARE(rig.version(), StandardVersion);
    QVERIFY(rig.commandsEnabled());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::OK));
    QVERIFY(rig.child("imgUSB_OK")->isVisibleTo(rig.form()));
    QVERIFY(!rig.child("imgUSB_NONE")->isVisibleTo(rig.form()));
    // The password keeps going out every 3 s and is accepted each time; the
    // message is not shown again in this connection.
    QVERIFY(rig.core().Session.PWTimer.isActive());
    QCOMPARE(rig.core().Session.PWTimer.interval(), 3000);
    QTest::qWait(QuietPeriodMs);
    QVERIFY(rig.messages()->IsClosed());
    QVERIFY(!rig.core().Session.GetVersionTimer.isActive());
    QCOMPARE(sim.control("state").section(' ', 1, 1), QStringLiteral("logged-in=1"));
}

void TestUsbMode::unplugReplugAndModeSwitches()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY(rig.waitIdentified());

    QVERIFY(sim.controlOk("unplug"));
    QVERIFY(QTest::qWaitFor([&] { return rig.version().isEmpty(); }, 5000));
    QVERIFY(!rig.commandsEnabled());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
    QVERIFY(rig.child("imgUSB_NONE")->isVisibleTo(rig.form()));

    QVERIFY(sim.controlOk("replug"));
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    QCOMPARE(rig.version(), StandardVersion);
    QVERIFY(rig.commandsEnabled());
    QCOMPARE(rig.readers(), 1);

    // USB mode entered twice in a row (by the user, then the start-up variant):
    // still exactly one reader, and it finds the module again.
    rig.child<QRadioButton>("rbIPmode")->click();
    rig.child<QRadioButton>("rbUSB")->click();
    rig.child<QAbstractButton>("btnUSBConnect")->click();
    QTest::qWait(100);
    QCOMPARE(rig.readers(), 1);
    QVERIFY(rig.version().isEmpty());
    QVERIFY(rig.waitIdentified());

    // In IP mode device changes are not acted on: no reader appears, no check runs.
    rig.child<QRadioButton>("rbIPmode")->click();
    QTest::qWait(100);
    QCOMPARE(rig.readers(), 0);
    QVERIFY(sim.controlOk("unplug"));
    QTest::qWait(1500);
    QVERIFY(sim.controlOk("replug"));
    QTest::qWait(2500);
    QCOMPARE(rig.readers(), 0);
    QVERIFY(!rig.core().Session.TimerConnectStatus.isActive());
    QVERIFY(rig.version().isEmpty());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
}

void TestUsbMode::incompatibleModuleIsRefused()
{
    const QString tavor = QStringLiteral("Tavor;GPRS v1.30;x;HW2");
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing", "--version-text", tavor}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    const QString expected = QString::fromUtf8("Ez a program nem kompatibilis a csatlakoztatott modullal!\r"
                                               "Program :   GPRS Morvo\r"
                                               "Modul :   GPRS Tavor");
    QVERIFY2(QTest::qWaitFor([&] { return rig.showing(expected); }, UsbRig::IdentifyTimeoutMs),
             qPrintable(rig.messages()->Text()));
    QVERIFY(rig.version().isEmpty());
    QVERIFY(!rig.commandsEnabled());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
    QCOMPARE(rig.readers(), 0);
    // The poll stays stopped: nothing asks the module again.
    QTest::qWait(QuietPeriodMs + 1000);
    QVERIFY(!rig.core().Session.GetVersionTimer.isActive());
    QVERIFY(!rig.core().Session.TimerConnectStatus.isActive());
    QCOMPARE(rig.readers(), 0);
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
}

void TestUsbMode::noisyLineStillIdentifies()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing", "--corrupt-rate", "0.01", "--lose-rate", "0.01", "--seed", "7",
                        "--status-interval", "300"}),
             qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    // Every frame that reaches the dispatcher must be one the module sends.
    const QSet<int> moduleTypes = {0x24, 0x34, 0x2C, 0x3C, 0x1D, 0x2F, 0x31, 0x32};
    QList<int> foreign;
    int dispatched = 0;
    TLink &link = rig.core().Link;
    QObject::connect(&link, &TLink::frameDispatched, rig.form(), [&] {
        ++dispatched;
        if (!moduleTypes.contains(link.ReceptionBuffer[1]))
            foreign << link.ReceptionBuffer[1];
    });
    QVERIFY2(rig.waitIdentified(40000), qPrintable(sim.output()));
    QCOMPARE(rig.version(), StandardVersion);
    // Keep the line busy for a while: many status reports, some of them damaged.
    QTest::qWait(6000);
    const QString stats = sim.control("stats");
    QVERIFY2(!stats.contains(" lost=0 ") && !stats.endsWith("corrupted=0"), qPrintable(stats));
    QVERIFY2(dispatched > 20, qPrintable(QString::number(dispatched)));
    QVERIFY2(foreign.isEmpty(), qPrintable(QString::number(foreign.size())));
    QVERIFY(rig.form()->isVisible());
}

void TestUsbMode::unopenablePortReportedOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("not-a-terminal");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    UsbRig rig(path + "=ZEHL USB DEVICE");
    QVERIFY(rig.start());
    const QString failed = rig.core().Texts.text("lbTXT_DEVICE_OPEN_FAILED");
    QVERIFY(QTest::qWaitFor([&] { return rig.showing(failed); }, 5000));
    rig.dismissMessage();
    QTest::qWait(QuietPeriodMs);
    QVERIFY(rig.messages()->IsClosed());
    QCOMPARE(rig.readers(), 1);
    auto *reader = rig.core().Session.findChild<TCommunicator *>();
    QVERIFY(reader->searching());
    QVERIFY(!reader->opened());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
}

void TestUsbMode::unplugDuringReadEndsIt()
{
    // Paced, so that reading the 42 blocks takes a few seconds and the cable can
    // be pulled in the middle.
    SimProcess sim;
    QVERIFY2(sim.start({"--status-interval", "0"}), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    rig.dismissMessage();

    TParamPageCommands *commands = rig.form()->ParamCommands();
    QSignalSpy finished(commands, &TParamPageCommands::transferFinished);
    auto *read = rig.child<QAbstractButton>("spbReadModule");
    auto *progress = rig.child<QProgressBar>("Progress");
    int progressAtUnplug = -1;
    QTimer::singleShot(1200, rig.form(), [&] {
        progressAtUnplug = progress->value();
        QVERIFY(sim.controlOk("unplug"));
    });
    // The read runs inside the click, waiting for each block while events go on.
    QElapsedTimer clock;
    clock.start();
    read->click();
    const qint64 elapsed = clock.elapsed();

    QVERIFY2(progressAtUnplug > 3 && progressAtUnplug < 44, qPrintable(QString::number(progressAtUnplug)));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::BlockFailed);
    // Three attempts of 1.5 s for the block that no longer comes, then it gives up.
    QVERIFY2(elapsed < 12000, qPrintable(QString::number(elapsed)));
    QVERIFY(!rig.core().Session.ParameterTransferActive);
    QCOMPARE(rig.form()->ProgressColor(), QColor(255, 0, 0));
    // The module is gone: its commands stay unavailable although the read ended.
    QVERIFY(rig.version().isEmpty());
    QVERIFY(!rig.commandsEnabled());
    QVERIFY(indicatorIs(rig, TConnectionIndicator::NONE));
    QCOMPARE(rig.readers(), 0);

    // Plugged in again, it is found and identified, and a read goes through.
    QVERIFY(sim.controlOk("replug"));
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    QVERIFY(rig.commandsEnabled());
    read->click();
    QCOMPARE(finished.count(), 2);
    QCOMPARE(finished.at(1).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QVERIFY(rig.commandsEnabled());
}

QTEST_MAIN(TestUsbMode)
#include "tst_usbmode.moc"

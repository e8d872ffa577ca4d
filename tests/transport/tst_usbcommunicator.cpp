// The USB reader against the simulated module: port listing from
// MORVO3_EXTRA_PORTS, exact description matching, open failures, the data path
// through the link codec, and a pulled cable.

#include "SimProcess.h"

#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "transport/DeviceWatcher.h"
#include "transport/USBCommunicator.h"
#include "transport/USBPorts.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

namespace {
constexpr int OpenWaitMs = 5000;

// User + system CPU time of this process so far.
double processCpuSeconds()
{
    QFile stat("/proc/self/stat");
    if (!stat.open(QIODevice::ReadOnly))
        return 0.0;
    const QByteArray line = stat.readAll();
    // Fields after the command name in parentheses; utime and stime are fields 14 and 15.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0.0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// Sets MORVO3_EXTRA_PORTS for the life of the object.
class ExtraPorts
{
public:
    explicit ExtraPorts(const QString &value) : m_old(qgetenv(USBPorts::ExtraPortsVariable))
    {
        qputenv(USBPorts::ExtraPortsVariable, value.toLocal8Bit());
    }
    ~ExtraPorts() { qputenv(USBPorts::ExtraPortsVariable, m_old); }

private:
    QByteArray m_old;
};
}

class TestUsbCommunicator : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void parseExtraPorts_data();
    void parseExtraPorts();
    void listsOnlyPresentExtraPorts();
    void opensOnlyExactDescription_data();
    void opensOnlyExactDescription();
    void openFailureReportedOnceAndSearchGoesOn_data();
    void openFailureReportedOnceAndSearchGoesOn();
    void bytesReachTheLinkInOrder();
    void pulledCableClosesOnceAndReportsLoss();
    void watcherReportsExtraPortChanges();
    void watcherPollsPortListWithoutHotPlugNotices();
};

void TestUsbCommunicator::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestUsbCommunicator::parseExtraPorts_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QStringList>("descriptions");
    QTest::newRow("one") << "/tmp/a=ZEHL USB DEVICE" << QStringList{"/tmp/a"} << QStringList{"ZEHL USB DEVICE"};
    QTest::newRow("two") << "/tmp/a=X;/tmp/b=Y" << QStringList{"/tmp/a", "/tmp/b"} << QStringList{"X", "Y"};
    QTest::newRow("equals in description") << "/tmp/a=a=b" << QStringList{"/tmp/a"} << QStringList{"a=b"};
    QTest::newRow("blanks of description kept") << "/tmp/a= X " << QStringList{"/tmp/a"} << QStringList{" X "};
    QTest::newRow("empty description") << "/tmp/a=" << QStringList{"/tmp/a"} << QStringList{""};
    QTest::newRow("no equals skipped") << "/tmp/a;/tmp/b=Y" << QStringList{"/tmp/b"} << QStringList{"Y"};
    QTest::newRow("empty path skipped") << "=Y;;/tmp/c=Z" << QStringList{"/tmp/c"} << QStringList{"Z"};
    QTest::newRow("empty") << "" << QStringList{} << QStringList{};
}

void TestUsbCommunicator::parseExtraPorts()
{
    QFETCH(QString, value);
    QFETCH(QStringList, paths);
    QFETCH(QStringList, descriptions);
    const QList<TPortEntry> entries = USBPorts::ParseExtraPorts(value);
    QStringList gotPaths, gotDescriptions;
    for (const TPortEntry &e : entries) {
        gotPaths << e.location;
        gotDescriptions << e.description;
    }
    QCOMPARE(gotPaths, paths);
    QCOMPARE(gotDescriptions, descriptions);
}

void TestUsbCommunicator::listsOnlyPresentExtraPorts()
{
    QTemporaryDir dir;
    const QString present = dir.filePath("present");
    QFile f(present);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    ExtraPorts env(present + "=ZEHL USB DEVICE;" + dir.filePath("absent") + "=ZEHL USB DEVICE");
    const QList<TPortEntry> ports = USBPorts::ListSerialPorts();
    int found = 0;
    for (const TPortEntry &e : ports) {
        QVERIFY2(e.location != dir.filePath("absent"), "a missing path was listed");
        if (e.location == present && e.description == "ZEHL USB DEVICE")
            ++found;
    }
    QCOMPARE(found, 1);
}

void TestUsbCommunicator::opensOnlyExactDescription_data()
{
    QTest::addColumn<bool>("matchingFirst");
    QTest::newRow("matching device listed first") << true;
    QTest::newRow("matching device listed second") << false;
}

void TestUsbCommunicator::opensOnlyExactDescription()
{
    QFETCH(bool, matchingFirst);
    SimProcess right, wrongCase;
    QVERIFY2(right.start({"--no-pacing"}), qPrintable(right.lastError()));
    QVERIFY2(wrongCase.start({"--no-pacing"}), qPrintable(wrongCase.lastError()));
    const QString a = right.extraPortsEntry("ZEHL USB DEVICE");
    const QString b = wrongCase.extraPortsEntry("ZEHL usb device");
    ExtraPorts env(matchingFirst ? a + ";" + b : b + ";" + a);

    TCommunicator reader(nullptr);
    QSignalSpy opened(&reader, &TCommunicator::deviceOpened);
    QVERIFY(opened.wait(OpenWaitMs));
    QVERIFY(reader.opened());
    QCOMPARE(reader.location(), right.linkPath());
    QCOMPARE(opened.count(), 1);
    QVERIFY(!reader.searching());
}

void TestUsbCommunicator::openFailureReportedOnceAndSearchGoesOn_data()
{
    QTest::addColumn<bool>("heldByAnother");
    QTest::newRow("path is no terminal") << false;
    QTest::newRow("port held by another reader") << true;
}

void TestUsbCommunicator::openFailureReportedOnceAndSearchGoesOn()
{
    QFETCH(bool, heldByAnother);
    QTemporaryDir dir;
    SimProcess sim;
    std::unique_ptr<TCommunicator> holder;
    QString location;
    if (heldByAnother) {
        QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
        location = sim.linkPath();
        holder = std::make_unique<TCommunicator>(nullptr, QString(), TCommunicator::DefaultBaudRate, [location] {
            return QList<TPortEntry>{{"ZEHL USB DEVICE", location}};
        });
        QVERIFY(QTest::qWaitFor([&] { return holder->opened(); }, OpenWaitMs));
    } else {
        // A listed path that is no terminal can never be opened as a serial port.
        location = dir.filePath("plain-file");
        QFile f(location);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
    }
    int listings = 0;
    TCommunicator reader(nullptr, QString(), TCommunicator::DefaultBaudRate, [&] {
        ++listings;
        return QList<TPortEntry>{{"ZEHL USB DEVICE", location}};
    });
    QSignalSpy failed(&reader, &TCommunicator::openFailed);
    QSignalSpy opened(&reader, &TCommunicator::deviceOpened);
    QTest::qWait(3500);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), location);
    QCOMPARE(opened.count(), 0);
    QVERIFY(!reader.opened());
    QVERIFY2(listings >= 3, "the search stopped after the failed open");
    QVERIFY(reader.searching());
    QCOMPARE(reader.WriteData(QByteArray(18, 'x')), 0);
    if (holder) {
        // Once the other one lets go, the search picks the port up.
        holder.reset();
        QVERIFY(opened.wait(OpenWaitMs));
        QVERIFY(reader.opened());
        QCOMPARE(failed.count(), 1);
    }
}

void TestUsbCommunicator::bytesReachTheLinkInOrder()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing", "--status-interval", "0"}), qPrintable(sim.lastError()));
    ExtraPorts env(sim.extraPortsEntry());
    Morvo3Texts texts;
    TLink link(texts, Morvo3Config::LinkKey);
    TCommunicator reader(nullptr);
    reader.SetOnData([&](const QByteArray &bytes) { link.ReceiveLinkBytes(bytes); });
    link.setTransmitter([&](const QByteArray &frame) { return reader.WriteData(frame) == frame.size(); });
    QSignalSpy opened(&reader, &TCommunicator::deviceOpened);
    QVERIFY(opened.wait(OpenWaitMs));

    QSignalSpy accepted(&link, &TLink::passwordAccepted);
    Requests::SendLoginPassword(link, QString::fromLatin1(Morvo3Config::DefaultModulePassword));
    QVERIFY(accepted.wait(OpenWaitMs));

    // Every parameter block arrives complete and equal to the module's image.
    QTemporaryDir dir;
    QVERIFY(sim.controlOk("set-byte 2687 0xA5"));
    QVERIFY(sim.controlOk("dump-image " + dir.filePath("image")));
    QFile imageFile(dir.filePath("image"));
    QVERIFY(imageFile.open(QIODevice::ReadOnly));
    const QByteArray image = imageFile.readAll();
    QCOMPARE(image.size(), 2688);
    for (int block : {0, 1, 41}) {
        link.BlockCompleteFlag = false;
        Requests::SendBlockRead(link, std::uint8_t(block));
        QVERIFY2(QTest::qWaitFor([&] { return link.BlockCompleteFlag; }, OpenWaitMs), qPrintable(QString::number(block)));
        QCOMPARE(int(link.BlockAddress), block * 64);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(link.BlockBuffer), 64), image.mid(block * 64, 64));
    }
}

void TestUsbCommunicator::pulledCableClosesOnceAndReportsLoss()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
    ExtraPorts env(sim.extraPortsEntry());
    TCommunicator reader(nullptr);
    QSignalSpy opened(&reader, &TCommunicator::deviceOpened);
    QVERIFY(opened.wait(OpenWaitMs));
    QSignalSpy lost(&reader, &TCommunicator::deviceLost);
    QVERIFY(sim.controlOk("unplug"));
    QVERIFY(lost.wait(OpenWaitMs));
    // A port left open after a hang-up reports it again and again: the process
    // would spin. Closed once, it stays quiet.
    const double cpuBefore = processCpuSeconds();
    QTest::qWait(1500);
    const double cpuUsed = processCpuSeconds() - cpuBefore;
    QVERIFY2(cpuUsed < 0.5, qPrintable(QString::number(cpuUsed)));
    QCOMPARE(lost.count(), 1);
    QVERIFY(!reader.opened());
    QCOMPARE(reader.WriteData(QByteArray(18, 'x')), 0);
    // The reader does not reopen by itself: a new device arrival makes a new reader.
    QVERIFY(sim.controlOk("replug"));
    QTest::qWait(1500);
    QVERIFY(!reader.opened());
    QCOMPARE(opened.count(), 1);
}

void TestUsbCommunicator::watcherReportsExtraPortChanges()
{
    SimProcess sim;
    QVERIFY2(sim.start({"--no-pacing"}), qPrintable(sim.lastError()));
    ExtraPorts env(sim.extraPortsEntry());
    TDeviceWatcher watcher;
    QSignalSpy arrived(&watcher, &TDeviceWatcher::deviceArrived);
    QSignalSpy removed(&watcher, &TDeviceWatcher::deviceRemoved);
    QVERIFY(sim.controlOk("unplug"));
    QVERIFY(removed.wait(3000));
    QCOMPARE(removed.at(0).at(0).toString(), sim.linkPath());
    QVERIFY(sim.controlOk("replug"));
    QVERIFY(arrived.wait(3000));
    QCOMPARE(arrived.at(0).at(0).toString(), sim.linkPath());
    QCOMPARE(removed.count(), 1);
    QCOMPARE(arrived.count(), 1);

    // Unplugged and plugged in again between two checks: still a removal and an arrival.
    watcher.ExtraPortTimer.stop();
    QVERIFY(sim.controlOk("unplug"));
    QVERIFY(sim.controlOk("replug"));
    watcher.CheckExtraPorts();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(arrived.count(), 2);
    watcher.CheckExtraPorts();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(arrived.count(), 2);
}

void TestUsbCommunicator::watcherPollsPortListWithoutHotPlugNotices()
{
    // Without hot-plug notices the system's port list itself must be watched.
    {
        TDeviceWatcher plain;
        QVERIFY(plain.systemNoticesAvailable() != plain.pollingSystemPorts());
        // Without a udev daemon no notice would ever come.
        if (!QFileInfo::exists("/run/udev/control"))
            QVERIFY(plain.pollingSystemPorts());
    }

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString usb0 = dir.filePath("ttyUSB0");
    const QString usb1 = dir.filePath("ttyUSB1");
    auto makeNode = [](const QString &path) {
        QFile f(path);
        return f.open(QIODevice::WriteOnly);
    };
    QVERIFY(makeNode(usb0));
    QStringList listed{"/dev/ttyS0", usb0};
    TDeviceWatcher watcher([&listed] { return listed; });
    QVERIFY(watcher.pollingSystemPorts());
    QVERIFY(!watcher.systemNoticesAvailable());
    QSignalSpy arrived(&watcher, &TDeviceWatcher::deviceArrived);
    QSignalSpy removed(&watcher, &TDeviceWatcher::deviceRemoved);

    // The running timer notices a pulled and a replugged device.
    listed = QStringList{"/dev/ttyS0"};
    QVERIFY(removed.wait(3000));
    QCOMPARE(removed.count(), 1);
    QCOMPARE(removed.at(0).at(0).toString(), usb0);
    QVERIFY(makeNode(usb1));
    listed = QStringList{"/dev/ttyS0", usb1};
    QVERIFY(arrived.wait(3000));
    QCOMPARE(arrived.count(), 1);
    QCOMPARE(arrived.at(0).at(0).toString(), usb1);
    QCOMPARE(removed.count(), 1);

    // Pulled and replugged between two checks: the node is made anew.
    watcher.ExtraPortTimer.stop();
    QVERIFY(QFile::remove(usb1));
    QTest::qWait(20);
    QVERIFY(makeNode(usb1));
    watcher.CheckPorts();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(removed.at(1).at(0).toString(), usb1);
    QCOMPARE(arrived.count(), 2);
    QCOMPARE(arrived.at(1).at(0).toString(), usb1);
    // Nothing changed: nothing reported.
    watcher.CheckPorts();
    QCOMPARE(removed.count(), 2);
    QCOMPARE(arrived.count(), 2);
}

QTEST_GUILESS_MAIN(TestUsbCommunicator)
#include "tst_usbcommunicator.moc"

// The simulated module's side of the link, seen through the program's own codec
// and USB reader: its default image, the login gate, block writes, the event
// log, relays and status, the fault options and the serial pacing.

#include "SimProcess.h"

#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "params/EE_Struct.h"
#include "params/ParamEditor.h"
#include "transport/USBCommunicator.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <unistd.h>

namespace {
constexpr int ReplyWaitMs = 3000;
const QString Password = QString::fromLatin1(Morvo3Config::DefaultModulePassword);

// The program's link and USB reader on one simulated module.
struct LinkRig
{
    SimProcess sim;
    Morvo3Texts texts;
    TLink link{texts, Morvo3Config::LinkKey};
    std::unique_ptr<TCommunicator> reader;

    bool start(const QStringList &options)
    {
        if (!sim.start(options))
            return false;
        const QString location = sim.linkPath();
        reader = std::make_unique<TCommunicator>(nullptr, QString(), TCommunicator::DefaultBaudRate, [location] {
            return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}};
        });
        reader->SetOnData([this](const QByteArray &bytes) { link.ReceiveLinkBytes(bytes); });
        link.setTransmitter([this](const QByteArray &frame) { return reader->WriteData(frame) == frame.size(); });
        return QTest::qWaitFor([this] { return reader->opened(); }, 5000);
    }
    bool login(const QString &password = Password)
    {
        QSignalSpy accepted(&link, &TLink::passwordAccepted);
        Requests::SendLoginPassword(link, password);
        return accepted.wait(ReplyWaitMs);
    }
    // Reads a block; true when it arrived complete.
    bool readBlock(int block, int waitMs = ReplyWaitMs)
    {
        link.BlockCompleteFlag = false;
        Requests::SendBlockRead(link, std::uint8_t(block));
        return QTest::qWaitFor([this] { return link.BlockCompleteFlag; }, waitMs);
    }
    QByteArray image()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("image.kvd");
        if (!sim.controlOk("dump-image " + path))
            return {};
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray blockBuffer() const { return QByteArray(reinterpret_cast<const char *>(link.BlockBuffer), 64); }
};

double cpuSecondsOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1.0;
    return (fields.at(11).toDouble() + fields.at(12).toDouble()) / double(sysconf(_SC_CLK_TCK));
}
}

class TestUsbSimModule : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void defaultImageIsAFreshEditorImage();
    void imageFileAndOtherIdString();
    void nothingBeforeLogin();
    void blockWriteStoredOnlyWithGoodChecksum();
    void eventLogAndErase();
    void relayCommandShowsInStatus();
    void blockFaults_data();
    void blockFaults();
    void pacedAtTheSerialRate();
    void survivesGarbageFromTheProgram();
};

void TestUsbSimModule::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestUsbSimModule::defaultImageIsAFreshEditorImage()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing"}), qPrintable(rig.sim.lastError()));
    const QByteArray bytes = rig.image();
    QCOMPARE(bytes.size(), ParamImage::ImageLength);
    TParamImage image;
    image.LoadFileBytes(bytes);
    QVERIFY(image.IsImageValid());
    QCOMPARE(image.FindField("ZONE_CIRCUIT"), 83);
    QCOMPARE(image.FindField("EVENT_SMS"), 291);
    QCOMPARE(image.FindField("REL2_GSMERR"), 2622);
    QCOMPARE(int(image.ReadFieldByte("ALARMTIME")), 5);
    const QByteArray ctid = bytes.mid(image.FindField("EVENT_CTID"), 33);
    QCOMPARE(ctid, QByteArray::fromHex("010300010300010300010300010300010300010300010300040001040001060002"));
    // Byte for byte what a fresh editor builds (the editor gets its default codes at start-up).
    TParamEditor editor;
    editor.SetDefaultEventCodes();
    TParamImage fresh;
    editor.BuildImageFromEditor(fresh);
    const QByteArray freshBytes(reinterpret_cast<const char *>(fresh.bytes), ParamImage::ImageLength);
    for (int i = 0; i < ParamImage::ImageLength; ++i)
        QVERIFY2(bytes.at(i) == freshBytes.at(i), qPrintable(QString("first difference at offset %1").arg(i)));
}

void TestUsbSimModule::imageFileAndOtherIdString()
{
    QTemporaryDir dir;
    QByteArray kvd(ParamImage::ImageLength, '\0');
    kvd.replace(0, 42, ParamImage::IdentificationString);
    kvd[100] = 7;
    QFile f(dir.filePath("start.kvd"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(kvd);
    f.close();
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing", "--no-login", "--image", f.fileName(), "--id-string", "ZEHL,64,31,Tavor GPRS"}),
             qPrintable(rig.sim.lastError()));
    QVERIFY(rig.readBlock(0));
    QCOMPARE(rig.blockBuffer(), QByteArray("ZEHL,64,31,Tavor GPRS").leftJustified(64, '\0'));
    QVERIFY(rig.readBlock(1));
    QCOMPARE(int(rig.blockBuffer().at(36)), 7);
}

void TestUsbSimModule::nothingBeforeLogin()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing", "--status-interval", "200"}), qPrintable(rig.sim.lastError()));
    QSignalSpy required(&rig.link, &TLink::passwordRequired);
    QSignalSpy status(&rig.link, &TLink::statusComplete);
    for (int block : {0, 254}) {
        QVERIFY(!rig.readBlock(block, 1000));
        QCOMPARE(required.count(), 1);
        required.clear();
    }
    QVERIFY(!rig.login("9999"));
    QCOMPARE(required.count(), 1);
    QCOMPARE(status.count(), 0);   // no status reports to a stranger
    QVERIFY(rig.login());
    QVERIFY(rig.readBlock(254));
    QCOMPARE(int(rig.link.BlockAddress), 254 * 64);
    QVERIFY(status.wait(ReplyWaitMs));
    // A wrong login ends the session again.
    QVERIFY(!rig.login("12"));
    QVERIFY(!rig.readBlock(0, 1000));
}

void TestUsbSimModule::blockWriteStoredOnlyWithGoodChecksum()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.login());
    const QByteArray before = rig.image();
    std::uint8_t block[64];
    for (int i = 0; i < 64; ++i)
        block[i] = std::uint8_t(0xA0 ^ i);

    // A spoiled checksum: refused, no acknowledgement, image unchanged.
    auto chunks = Requests::BlockWriteChunks(block);
    chunks[5].args[8] ^= 0x01;
    Requests::Send(rig.link, Requests::BlockWriteRequest(7));
    rig.link.BlockAckFlag = false;
    for (const auto &chunk : chunks)
        Requests::Send(rig.link, chunk);
    QTest::qWait(500);
    QVERIFY(!rig.link.BlockAckFlag);
    QCOMPARE(rig.image(), before);

    // The real thing: acknowledged with 0x40 and stored at block 7.
    QVERIFY(Requests::SendBlockWrite(rig.link, 7, block));
    QVERIFY(QTest::qWaitFor([&] { return rig.link.BlockAckFlag; }, ReplyWaitMs));
    const QByteArray after = rig.image();
    QCOMPARE(after.mid(7 * 64, 64), QByteArray(reinterpret_cast<const char *>(block), 64));
    QCOMPARE(after.left(7 * 64), before.left(7 * 64));
    QCOMPARE(after.mid(8 * 64), before.mid(8 * 64));
    QVERIFY(rig.readBlock(7));
    QCOMPARE(rig.blockBuffer(), after.mid(7 * 64, 64));
}

void TestUsbSimModule::eventLogAndErase()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing", "--events", "3", "--status-interval", "0"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.login());
    QVERIFY(rig.sim.controlOk("zone 2 alarm"));   // a fourth, newest event: Z2 alarm (code 2)
    QList<int> numbers;
    QList<QByteArray> records;
    connect(&rig.link, &TLink::eventRecordComplete, this, [&] {
        numbers << rig.link.EventNumber;
        records << QByteArray(reinterpret_cast<const char *>(rig.link.EventRecordBuffer), 36);
    });
    Requests::SendEventsRequest(rig.link, 8);
    QVERIFY(QTest::qWaitFor([&] { return numbers.size() == 4; }, ReplyWaitMs));
    QTest::qWait(300);
    QCOMPARE(numbers, (QList<int>{1, 2, 3, 4}));
    QCOMPARE(int(records.at(0).at(17)), 2);
    // Account 0000, type 18, qualifier E, code 130 (factory code of a zone alarm), group 01, zone 002.
    QCOMPARE(records.at(0).mid(18, 8).toHex(), QByteArray("0000181130010020"));
    for (const QByteArray &r : records)
        QVERIFY2(r.at(27) >= 1 && r.at(27) <= 12 && r.at(28) >= 1 && r.at(28) <= 31, r.toHex().constData());

    QSignalSpy erased(&rig.link, &TLink::eventsErased);
    Requests::SendEraseLog(rig.link);
    QVERIFY(erased.wait(ReplyWaitMs));
    numbers.clear();
    Requests::SendEventsRequest(rig.link, 8);
    QTest::qWait(500);
    QVERIFY(numbers.isEmpty());
    QVERIFY(rig.sim.control("state").endsWith("events=0"));
}

void TestUsbSimModule::relayCommandShowsInStatus()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing", "--status-interval", "0"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.login());
    QList<QByteArray> reports;
    connect(&rig.link, &TLink::statusComplete, this, [&] {
        reports << QByteArray(reinterpret_cast<const char *>(rig.link.StatusRecord), 6);
    });
    Requests::SendRelay(rig.link, 2, true);
    QVERIFY(QTest::qWaitFor([&] { return reports.size() >= 2; }, ReplyWaitMs));
    // Basic report: relay 1 off (bit 4 set), relay 2 on (bit 5 clear), GSM level 23.
    QCOMPARE(int(reports.at(0).at(1)), 1);
    QCOMPARE(int(quint8(reports.at(0).at(2)) & 0x30), 0x10);
    QCOMPARE(int(reports.at(0).at(4)), 23);
    // Extended report: relay bits in byte C (relay 1 off = bit 5), armed bit clear.
    QCOMPARE(int(reports.at(1).at(1)), 7);
    QCOMPARE(int(quint8(reports.at(1).at(4)) & 0xE0), 0x20);
    reports.clear();
    QVERIFY(rig.sim.controlOk("armed 1"));
    QVERIFY(QTest::qWaitFor([&] { return reports.size() >= 2; }, ReplyWaitMs));
    QCOMPARE(int(quint8(reports.at(0).at(3)) & 0x80), 0x80);
    QCOMPARE(int(quint8(reports.at(1).at(4)) & 0x80), 0x80);
}

void TestUsbSimModule::blockFaults_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("block");
    QTest::addColumn<QList<int>>("answeredAs");   // per attempt: block number received, -1 = none
    QTest::newRow("bad checksum once") << QStringList{"--bad-checksum", "3"} << 3 << QList<int>{-1, 3, 3};
    QTest::newRow("wrong block") << QStringList{"--wrong-block", "17"} << 17 << QList<int>{18, 18};
    QTest::newRow("neighbour of wrong block") << QStringList{"--wrong-block", "17"} << 16 << QList<int>{16};
    QTest::newRow("silent after 4: block 4") << QStringList{"--silent-after", "4"} << 4 << QList<int>{4};
    QTest::newRow("silent after 4: block 5") << QStringList{"--silent-after", "4"} << 5 << QList<int>{-1, -1};
    QTest::newRow("silent after 4: version") << QStringList{"--silent-after", "4"} << 254 << QList<int>{254};
    QTest::newRow("mute") << QStringList{"--mute"} << 0 << QList<int>{-1};
}

void TestUsbSimModule::blockFaults()
{
    QFETCH(QStringList, options);
    QFETCH(int, block);
    QFETCH(QList<int>, answeredAs);
    LinkRig rig;
    QVERIFY2(rig.start(QStringList{"--no-pacing", "--no-login"} + options), qPrintable(rig.sim.lastError()));
    QList<int> got;
    for (int attempt = 0; attempt < answeredAs.size(); ++attempt)
        got << (rig.readBlock(block, 800) ? rig.link.BlockAddress / 64 : -1);
    QCOMPARE(got, answeredAs);
}

void TestUsbSimModule::pacedAtTheSerialRate()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--status-interval", "0"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.login());
    constexpr int Reads = 20;
    // Per read 18 bytes go out and 7 frames of 18 come back, 10 bits each at 19200 baud.
    const double wireMs = Reads * (18 + 7 * 18) * 10.0 * 1000.0 / 19200.0;
    const double cpuBefore = cpuSecondsOf(rig.sim.processId());
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < Reads; ++i)
        QVERIFY(rig.readBlock(i));
    const double elapsedMs = double(clock.elapsed());
    const double simCpu = cpuSecondsOf(rig.sim.processId()) - cpuBefore;
    const double ratio = elapsedMs / wireMs;
    qInfo("paced: %d block reads in %.0f ms, wire time %.0f ms, ratio %.2f, simulator CPU %.0f%%",
          Reads, elapsedMs, wireMs, ratio, 100.0 * simCpu * 1000.0 / elapsedMs);
    // Both directions are paced, so the time is the wire time (the first byte each
    // way leaves at once: 0.986 at least) plus slack for a busy machine. Unpaced it
    // comes to about 0.14.
    QVERIFY2(ratio > 0.80 && ratio < 1.60, qPrintable(QString::number(ratio)));
    QVERIFY2(simCpu * 1000.0 / elapsedMs < 0.25, qPrintable(QString::number(simCpu)));

    // The program's own bytes cross the wire at the same rate: 100 requests that
    // get no answer (acknowledgements of an event nobody sent), then one block
    // read, whose answer can only start once all of them have reached the module.
    constexpr int Unanswered = 100;
    const double inboundMs = (Unanswered + 1) * 18 * 10.0 * 1000.0 / 19200.0;
    QByteArray burst;
    for (int i = 0; i < Unanswered; ++i)
        burst += rig.link.BuildWireFrame(Requests::EventAckRequest(0x7777).plainBlock(0));
    burst += rig.link.BuildWireFrame(Requests::BlockReadRequest(5).plainBlock(0));
    rig.link.BlockCompleteFlag = false;
    clock.restart();
    QCOMPARE(rig.reader->WriteData(burst), qint64(burst.size()));
    QVERIFY(QTest::qWaitFor([&] { return rig.link.BlockCompleteFlag; }, 5000));
    const double burstMs = double(clock.elapsed());
    qInfo("paced: %d requests and one answer took %.0f ms (the requests alone: %.0f ms on the wire)",
          Unanswered + 1, burstMs, inboundMs);
    QVERIFY2(burstMs > 0.95 * inboundMs, qPrintable(QString::number(burstMs)));
}

void TestUsbSimModule::survivesGarbageFromTheProgram()
{
    LinkRig rig;
    QVERIFY2(rig.start({"--no-pacing", "--status-interval", "0", "--events", "5"}), qPrintable(rig.sim.lastError()));
    QElapsedTimer sinceLastAnswer;
    sinceLastAnswer.start();
    int answers = 0;
    connect(&rig.link, &TLink::frameDispatched, this, [&] {
        ++answers;
        sinceLastAnswer.restart();
    });
    const auto quiet = [&] { return sinceLastAnswer.elapsed() > 300; };

    // Noise full of frame delimiters, and frames the module can decrypt with any
    // request type and any content: wrong lengths, chunk numbers, block numbers,
    // event counts and passwords. First as a stranger, then inside a session.
    static const std::uint8_t types[] = {Link::BLOCK_READ, Link::BLOCK_WRITE, Link::BLOCK_WRITE_CHUNK, Link::COMMAND,
                                         Link::PW_SELECT, Link::SERVICE, 0x00, 0xFF};
    QRandomGenerator rng(0x6D336731);
    for (bool loggedIn : {false, true}) {
        if (loggedIn)
            QVERIFY(rig.login());
        QByteArray stream;
        for (int i = 0; i < 4000; ++i) {
            for (int n = int(rng.bounded(200)); n > 0; --n) {
                const quint32 r = rng.bounded(8);
                stream += r == 0 ? '{' : r == 1 ? '}' : char(rng.bounded(256));
            }
            QByteArray plain(Link::PlainBlockSize, '\0');
            for (char &c : plain)
                c = char(rng.bounded(256));
            plain[0] = '[';
            plain[1] = char(types[rng.bounded(int(sizeof types))]);
            if (rng.bounded(2))
                plain[2] = char(rng.bounded(8));   // a chunk number near the real ones
            plain[15] = ']';
            stream += rig.link.BuildWireFrame(plain);
        }
        const int answersBefore = answers;
        QCOMPARE(rig.reader->WriteData(stream), qint64(stream.size()));
        // The module took the frames in (it answers them) and has finished with them.
        QVERIFY(QTest::qWaitFor([&] { return answers > answersBefore + 100 && quiet(); }, 20000));
        QVERIFY2(rig.sim.running(), qPrintable(rig.sim.output()));
    }

    // Still a working module: a fresh session logs in and reads blocks as they are stored.
    QVERIFY(rig.sim.controlOk("set-password " + Password));
    QVERIFY(rig.sim.controlOk("logout"));
    rig.link.PasswordAcceptedFlag = false;   // a new session confirms the login again
    QVERIFY(rig.login());
    const QByteArray image = rig.image();
    QCOMPARE(image.size(), 2688);
    for (int block : {0, 20, 41}) {
        QVERIFY(rig.readBlock(block));
        QCOMPARE(rig.blockBuffer(), image.mid(block * 64, 64));
    }
}

QTEST_MAIN(TestUsbSimModule)
#include "tst_usbsimmodule.moc"

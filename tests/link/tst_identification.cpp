// Module identification: version text from both block layouts, compatibility,
// module-type names, the rejection text, the version poll and the block-0
// identification string read.

#include "LinkFixture.h"

#include "common/WaitContext.h"
#include "link/Identification.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using namespace LinkTest;

namespace {
QByteArray currentLayout(int dataVersion, const QByteArray &text)
{
    QByteArray b(64, '\0');
    b[2] = char(dataVersion & 0xFF);
    b[3] = char(dataVersion >> 8);
    b[18] = '"';
    const QByteArray t = (text + '"').left(64 - 19);
    b.replace(19, t.size(), t);
    return b;
}

QByteArray olderLayout(const QByteArray &text)
{
    QByteArray b(64, ' ');
    b[0] = '"';
    const QByteArray t = (text + '"').left(63);
    b.replace(1, t.size(), t);
    return b;
}

const std::uint8_t *bytes(const QByteArray &a)
{
    return reinterpret_cast<const std::uint8_t *>(a.constData());
}

void setEnglish(Morvo3Texts &texts)
{
    texts.setText(QStringLiteral("lbTXT_VANTREL_INCOMPATIBLE"),
                  QStringLiteral("This program is incompatible with the connected module!"));
    texts.setText(QStringLiteral("lbTXT_STARTED_VANTREL_NAME"), QStringLiteral("Programme :"));
    texts.setText(QStringLiteral("lbTXT_CONNECTED_MODULE_NAME"), QStringLiteral("Module :"));
}
} // namespace

class TestIdentification : public QObject
{
    Q_OBJECT
private slots:
    void versionString_data();
    void versionString();
    void compatibilityAndName_data();
    void compatibilityAndName();
    void rejectionMessage();
    void handlerRunsAfterCompleteBlock_data();
    void handlerRunsAfterCompleteBlock();
    void versionPollTick();
    void readModuleIdString_data();
    void readModuleIdString();
};

void TestIdentification::versionString_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<bool>("isVersion");
    QTest::addColumn<QString>("version");

    QTest::newRow("five fields, data version 266")
        << currentLayout(0x010A, "GPRS Morvo3;v2.04;hw3;2024-05-01;x") << true
        << QStringLiteral("GPRS Morvo3  v2.04  2024-05-01  DataVersion:266");
    QTest::newRow("four fields") << currentLayout(7, "A;B;C;D") << true << QStringLiteral("A  B  D  DataVersion:7");
    QTest::newRow("three fields") << currentLayout(1, "A;B;C") << true << QStringLiteral("A  B  C  DataVersion:1");
    QTest::newRow("two fields") << currentLayout(1, "A;B") << true << QStringLiteral("A    B  DataVersion:1");
    QTest::newRow("no separator") << currentLayout(65535, "GPRS Morvo") << true
                                  << QStringLiteral("    GPRS Morvo  DataVersion:65535");
    QTest::newRow("empty text") << currentLayout(0, "") << true << QStringLiteral("      DataVersion:0");
    // Without a closing quote the text runs to the end of the block: 45 characters.
    QByteArray full = currentLayout(2, "");
    full.replace(19, 45, QByteArray(45, 'x'));
    QTest::newRow("no closing quote") << full << true << QStringLiteral("    %1  DataVersion:2").arg(QString(45, 'x'));
    QTest::newRow("older layout") << olderLayout("GSM Tavor 1.2") << true << QStringLiteral("GSM Tavor 1.2");
    QByteArray older = QByteArray(1, '"') + QByteArray(63, 'y');
    QTest::newRow("older layout, 63 characters") << older << true << QString(63, 'y');
    QTest::newRow("older layout, empty") << olderLayout("") << true << QString();
    // byte 18 decides first: a quote at byte 0 and at byte 18 is the current layout
    QByteArray both = currentLayout(3, "N;M;O;P");
    both[0] = '"';
    QTest::newRow("both quotes") << both << true << QStringLiteral("N  M  P  DataVersion:3");
    QByteArray parameters = QByteArray("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10").leftJustified(64, '\0');
    QTest::newRow("Central European letters") << currentLayout(5, "Morvo3 \xF5\xFB;GPRS \x9A\xE8;x;HW3") << true
                                              << QString::fromUtf8("Morvo3 őű  GPRS šč  HW3  DataVersion:5");
    QTest::newRow("older layout, Central European letters") << olderLayout("Tavor \xD5\xDB") << true
                                                            << QString::fromUtf8("Tavor ŐŰ");
    QTest::newRow("parameter block") << parameters << false << QString();
}

void TestIdentification::versionString()
{
    QFETCH(QByteArray, block);
    QFETCH(bool, isVersion);
    QFETCH(QString, version);

    QCOMPARE(block.size(), 64);
    const auto got = Identification::VersionStringFromBlock(bytes(block));
    QCOMPARE(got.has_value(), isVersion);
    if (got)
        QCOMPARE(*got, version);
}

void TestIdentification::compatibilityAndName_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("compatible");
    QTest::addColumn<QString>("name");

    QTest::newRow("ours") << "GPRS Morvo3  v1  x  DataVersion:266" << true << "GPRS Morvo";
    QTest::newRow("GPRS without Morvo") << "GPRS Tavor 2" << false << "GPRS Tavor";
    QTest::newRow("GSM and GPRS without Morvo") << "GSM/GPRS unit" << false << "GSM Tavor";
    QTest::newRow("GSM Morvo") << "GSM Morvo 1.0" << false << "GSM Morvo";
    QTest::newRow("Ostra before Belo") << "Belo Ostra GPRS Morvo" << true << "Ostra Unit";
    QTest::newRow("Belo") << "Belomar 3" << false << "Belomar";
    QTest::newRow("case matters") << "gprs morvo" << false << "GPRS Tavor";
    QTest::newRow("empty") << "" << false << "GPRS Tavor";
}

void TestIdentification::compatibilityAndName()
{
    QFETCH(QString, version);
    QFETCH(bool, compatible);
    QFETCH(QString, name);
    QCOMPARE(Identification::IsCompatibleVersion(version), compatible);
    QCOMPARE(Identification::ModuleTypeName(version), name);
}

void TestIdentification::rejectionMessage()
{
    Morvo3Texts texts;
    setEnglish(texts);
    QCOMPARE(Identification::RejectionMessage(texts, QStringLiteral("GSM GPRS Tavor")),
             QStringLiteral("This program is incompatible with the connected module!\rProgramme :   GPRS Morvo\r"
                            "Module :   GSM Tavor"));
}

void TestIdentification::handlerRunsAfterCompleteBlock_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("identified"); // empty: not identified
    QTest::addColumn<QString>("rejected");   // empty: not rejected

    QTest::newRow("compatible") << currentLayout(266, "GPRS Morvo3;v2;a;b") << "GPRS Morvo3  v2  b  DataVersion:266"
                                << QString();
    QTest::newRow("incompatible") << olderLayout("GPRS Tavor") << QString()
                                  << "This program is incompatible with the connected module!\rProgramme :   GPRS "
                                     "Morvo\rModule :   GPRS Tavor";
    QTest::newRow("parameter block")
        << QByteArray("ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10").leftJustified(64, '\0') << QString() << QString();
}

void TestIdentification::handlerRunsAfterCompleteBlock()
{
    QFETCH(QByteArray, block);
    QFETCH(QString, identified);
    QFETCH(QString, rejected);

    LinkFixture f;
    setEnglish(f.texts);
    TIdentification ident(f.link, f.texts);
    QSignalSpy identifiedSpy(&ident, &TIdentification::identified);
    QSignalSpy rejectedSpy(&ident, &TIdentification::rejected);

    f.receiveAll(f.blockReply(254, block));
    QCOMPARE(f.blockCount, 1);
    // The handler runs from the one-shot timer, not inside the frame handling.
    QVERIFY(ident.IdentificationTimer.isActive());
    QVERIFY(ident.IdentificationTimer.isSingleShot());
    QCOMPARE(ident.IdentificationTimer.interval(), 50);
    QCOMPARE(ident.findChild<QTimer *>(QStringLiteral("IdentificationTimer")), &ident.IdentificationTimer);
    QCOMPARE(identifiedSpy.count() + rejectedSpy.count(), 0);

    // Run by hand before the timer fires: the handler disables its own timer,
    // so the block is not handled twice.
    ident.IdentificationHandler();
    QVERIFY(!ident.IdentificationTimer.isActive());
    QTest::qWait(100);
    QCOMPARE(identifiedSpy.count(), identified.isEmpty() ? 0 : 1);
    QCOMPARE(rejectedSpy.count(), rejected.isEmpty() ? 0 : 1);
    if (!identified.isEmpty())
        QCOMPARE(identifiedSpy.at(0).at(0).toString(), identified);
    if (!rejected.isEmpty())
        QCOMPARE(rejectedSpy.at(0).at(0).toString(), rejected);
}

void TestIdentification::versionPollTick()
{
    LinkFixture f;
    f.link.BlockCompleteFlag = true;
    QVERIFY(VersionPollTick(f.link, true));
    QCOMPARE(f.sent.size(), 0);
    QVERIFY(f.link.BlockCompleteFlag);

    QVERIFY(!VersionPollTick(f.link, false));
    QVERIFY(!f.link.BlockCompleteFlag);
    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(hexText(f.sentPlain(0)), QStringLiteral("5B 1C 00 00 FF FF 00 FF FF 00 00 00 00 FE 40 5D"));
}

void TestIdentification::readModuleIdString_data()
{
    QTest::addColumn<int>("blockNumber"); // -1: no answer; the user stops the wait
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QString>("expected");

    const QByteArray id = "ZEHL,64,31,Morvo3 GPRS,DataStruct PGMv1.10";
    QTest::newRow("identification string") << 0 << id.leftJustified(64, '\0') << QString::fromLatin1(id);
    QByteArray noZero(64, 'Q');
    noZero[63] = 'E';
    QTest::newRow("64 bytes without 0x00") << 0 << noZero << QString::fromLatin1(noZero);
    QTest::newRow("other string") << 0 << QByteArray("ZEHL,64,31,Morvo2").leftJustified(64, '\0')
                                  << QStringLiteral("ZEHL,64,31,Morvo2");
    QTest::newRow("Central European letters") << 0 << QByteArray("ZEHL,\xF5\x8A\xE8").leftJustified(64, '\0')
                                              << QString::fromUtf8("ZEHL,őŠč");
    QTest::newRow("late version block") << 254 << currentLayout(266, "GPRS Morvo3;a;b;c") << QString();
    QTest::newRow("block 1") << 1 << id.leftJustified(64, '\0') << QString();
    QTest::newRow("stopped without answer") << -1 << QByteArray() << QString();
}

void TestIdentification::readModuleIdString()
{
    QFETCH(int, blockNumber);
    QFETCH(QByteArray, block);
    QFETCH(QString, expected);

    LinkFixture f;
    TWaitContext wait;
    // The module answers a little later, while the read waits; frames arrive
    // one by one as they would from a transport.
    QTimer feeder;
    feeder.setInterval(20);
    QList<QByteArray> pending;
    if (blockNumber >= 0)
        pending = f.blockReply(std::uint8_t(blockNumber), block);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        if (!pending.isEmpty())
            f.receivePlain(pending.takeFirst());
    });
    feeder.start();
    if (blockNumber < 0)
        QTimer::singleShot(300, &wait, [&wait] { wait.StopRequested = true; });

    f.link.BlockCompleteFlag = true; // left over from an earlier read
    QElapsedTimer clock;
    clock.start();
    const QString got = ReadModuleIdString(f.link, wait);
    const qint64 elapsed = clock.elapsed();

    QCOMPARE(got, expected);
    QVERIFY2(elapsed < 3000, "the wait must end on the block or the stop, not on the time-out");
    if (blockNumber >= 0) {
        QVERIFY(pending.isEmpty());
        QVERIFY(elapsed >= 100); // it did wait for the seven frames
    }
    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(hexText(f.sentPlain(0).mid(10, 5)), QStringLiteral("00 00 00 00 40"));
    QCOMPARE(std::uint8_t(f.sentPlain(0)[1]), Link::BLOCK_READ);
}

QTEST_GUILESS_MAIN(TestIdentification)
#include "tst_identification.moc"

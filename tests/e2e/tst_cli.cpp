// The command-line tool against the simulated module: read, dump, write back,
// compare; differences named field by field; exit codes and one-line reasons.

#include "SimProcess.h"

#include "params/EE_Struct.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int CliTimeoutMs = 60000;
constexpr int Rel1TimeOffset = 2361;       // REL1_TIME payload
constexpr int Phone2FirstDigitOffset = 2081 + 2 * 17 + 1; // PHONE_NUMBERS[2], first character

QString cliPath()
{
#ifdef MORVO3_CLI_PATH
    return QStringLiteral(MORVO3_CLI_PATH);
#else
    return QString();
#endif
}

struct TCliRun
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

TCliRun runCli(const QStringList &arguments, const QString &extraPorts = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    if (extraPorts.isEmpty())
        env.remove(QStringLiteral("MORVO3_EXTRA_PORTS"));
    else
        env.insert(QStringLiteral("MORVO3_EXTRA_PORTS"), extraPorts);
    p.setProcessEnvironment(env);
    p.start(cliPath(), arguments);
    TCliRun r;
    if (!p.waitForFinished(CliTimeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = QStringLiteral("timed out");
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString describe(const TCliRun &r)
{
    return QStringLiteral("exit %1\nstdout: %2\nstderr: %3").arg(r.exitCode).arg(r.out.join(QLatin1Char('|')), r.err);
}

// The last stderr line of a failed run: the reason, on one line.
QString reason(const TCliRun &r)
{
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last();
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
    void findsTheModuleLikeTheProgram();
    void errors_data();
    void errors();

private:
    QTemporaryDir m_dir;
};

void TestCli::initTestCase()
{
    if (cliPath().isEmpty() || SimProcess::executable().isEmpty())
        QSKIP("morvo3-cli or the simulated module is not built");
    QVERIFY(m_dir.isValid());
}

void TestCli::roundTrip_data()
{
    QTest::addColumn<bool>("relay");
    QTest::newRow("USB") << false;
    QTest::newRow("IP relay") << true;
}

void TestCli::roundTrip()
{
    QFETCH(bool, relay);
    SimProcess sim;
    if (relay)
        QVERIFY2(sim.startRelay({QStringLiteral("--serial"), QStringLiteral("ABC"), QStringLiteral("--no-pacing")}),
                 qPrintable(sim.lastError()));
    else
        QVERIFY2(sim.start({QStringLiteral("--no-pacing")}), qPrintable(sim.lastError()));
    // Every module command reaches the module the same way: the cable or the relay.
    const QStringList module = relay
        ? QStringList{QStringLiteral("--relay"), QStringLiteral("127.0.0.1:%1").arg(sim.relayPort()),
                      QStringLiteral("--serial"), QStringLiteral("ABC"), QStringLiteral("--server-password"),
                      QStringLiteral("0100-0000-0000-0000-0000")}
        : QStringList{QStringLiteral("--device"), sim.linkPath()};
    const QString file = m_dir.filePath(QStringLiteral("round.KVD"));
    const QString moduleDump = m_dir.filePath(QStringLiteral("module.bin"));

    TCliRun r = runCli(QStringList{QStringLiteral("read"), QStringLiteral("--out"), file} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    QVERIFY(sim.controlOk(QStringLiteral("dump-image %1").arg(moduleDump)));
    const QByteArray saved = readFile(file);
    QCOMPARE(saved.size(), ParamImage::ImageLength);
    QCOMPARE(saved, readFile(moduleDump).left(ParamImage::ImageLength));

    r = runCli({QStringLiteral("dump"), file});
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    QCOMPARE(r.out.size(), 29); // one line per field
    QVERIFY(r.out.contains(QStringLiteral("ALARMTIME = 5")));
    QVERIFY(r.out.contains(QStringLiteral("REL1_TIME = 0")));

    r = runCli(QStringList{QStringLiteral("write"), file} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    r = runCli(QStringList{QStringLiteral("compare"), file} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    QVERIFY(r.out.isEmpty());

    // Two fields change in the module, far apart: both are named.
    QVERIFY(sim.controlOk(QStringLiteral("set-byte %1 7").arg(Phone2FirstDigitOffset)));
    QVERIFY(sim.controlOk(QStringLiteral("set-byte %1 40").arg(Rel1TimeOffset)));
    r = runCli(QStringList{QStringLiteral("compare"), file} + module);
    QVERIFY2(r.exitCode == 1, qPrintable(describe(r)));
    QCOMPARE(r.out, (QStringList{QStringLiteral("PHONE_NUMBERS[2]"), QStringLiteral("REL1_TIME[0]")}));

    // Writing the file back makes the module equal again.
    r = runCli(QStringList{QStringLiteral("write"), file} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    r = runCli(QStringList{QStringLiteral("compare"), file} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));

    // Live commands: a relay switched on shows in the next status.
    r = runCli(QStringList{QStringLiteral("relay"), QStringLiteral("2"), QStringLiteral("on")} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    r = runCli(QStringList{QStringLiteral("status"), QStringLiteral("--json")} + module);
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    QCOMPARE(r.out.size(), 1);
    QVERIFY2(r.out.at(0).contains(QStringLiteral("\"relays\":[false,true]")), qPrintable(r.out.at(0)));
}

void TestCli::findsTheModuleLikeTheProgram()
{
    SimProcess sim;
    QVERIFY2(sim.start({QStringLiteral("--no-pacing")}), qPrintable(sim.lastError()));
    const QString file = m_dir.filePath(QStringLiteral("found.KVD"));
    // A port with another description is passed over.
    QFile decoyFile(m_dir.filePath(QStringLiteral("decoy")));
    QVERIFY(decoyFile.open(QIODevice::WriteOnly));
    decoyFile.close();
    const QString decoy = decoyFile.fileName() + QStringLiteral("=ZEHL usb device");
    const TCliRun r = runCli({QStringLiteral("read"), QStringLiteral("--out"), file},
                             decoy + QLatin1Char(';') + sim.extraPortsEntry());
    QVERIFY2(r.exitCode == 0, qPrintable(describe(r)));
    QCOMPARE(readFile(file).size(), ParamImage::ImageLength);
}

void TestCli::errors_data()
{
    QTest::addColumn<QStringList>("simOptions");   // empty: no module started
    QTest::addColumn<QStringList>("arguments");    // "@dev" is the module's line, "@dir/x" a file in the temp dir
    QTest::addColumn<QString>("reasonContains");

    const QStringList plain{QStringLiteral("--no-pacing")};
    QTest::newRow("no command") << QStringList() << QStringList() << "no command";
    QTest::newRow("unknown command") << QStringList() << QStringList{QStringLiteral("erase")} << "unknown command";
    QTest::newRow("read without --out") << QStringList() << QStringList{QStringLiteral("read")} << "--out";
    QTest::newRow("dump of a 10-byte file") << QStringList()
        << QStringList{QStringLiteral("dump"), QStringLiteral("@dir/short.KVD")} << "10 bytes";
    QTest::newRow("write of a foreign file") << plain
        << QStringList{QStringLiteral("write"), QStringLiteral("--device"), QStringLiteral("@dev"), QStringLiteral("@dir/foreign.KVD")}
        << "not a GPRS Morvo3 parameter file";
    QTest::newRow("missing file") << QStringList()
        << QStringList{QStringLiteral("compare"), QStringLiteral("@dir/none.KVD")} << "none.KVD";
    QTest::newRow("no module") << QStringList()
        << QStringList{QStringLiteral("read"), QStringLiteral("--search-time"), QStringLiteral("1"), QStringLiteral("--out"), QStringLiteral("@dir/x.KVD")}
        << "no module found";
    QTest::newRow("wrong password") << (plain + QStringList{QStringLiteral("--password"), QStringLiteral("4711")})
        << QStringList{QStringLiteral("read"), QStringLiteral("--device"), QStringLiteral("@dev"), QStringLiteral("--out"), QStringLiteral("@dir/x.KVD")}
        << "password";
    QTest::newRow("module stops answering") << (plain + QStringList{QStringLiteral("--silent-after"), QStringLiteral("2")})
        << QStringList{QStringLiteral("read"), QStringLiteral("--device"), QStringLiteral("@dev"), QStringLiteral("--out"), QStringLiteral("@dir/x.KVD")}
        << "block 3";
    QTest::newRow("compare with a foreign module")
        << (plain + QStringList{QStringLiteral("--id-string"), QStringLiteral("ZEHL,64,31,Morvo2 GSM,DataStruct PGMv1.02")})
        << QStringList{QStringLiteral("compare"), QStringLiteral("--device"), QStringLiteral("@dev"), QStringLiteral("@dir/foreign.KVD"), QStringLiteral("--yes")}
        << "Morvo2 GSM";
}

void TestCli::errors()
{
    QFETCH(QStringList, simOptions);
    QFETCH(QStringList, arguments);
    QFETCH(QString, reasonContains);

    QFile shortFile(m_dir.filePath(QStringLiteral("short.KVD")));
    QVERIFY(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(10, 'Z'));
    shortFile.close();
    QFile foreign(m_dir.filePath(QStringLiteral("foreign.KVD")));
    QVERIFY(foreign.open(QIODevice::WriteOnly));
    foreign.write(QByteArray("ZEHL,64,31,Tavor GSM").leftJustified(ParamImage::ImageLength, '\0'));
    foreign.close();
    QFile::remove(m_dir.filePath(QStringLiteral("x.KVD")));

    SimProcess sim;
    if (!simOptions.isEmpty())
        QVERIFY2(sim.start(simOptions), qPrintable(sim.lastError()));
    for (QString &a : arguments) {
        if (a == QLatin1String("@dev"))
            a = sim.linkPath();
        else if (a.startsWith(QLatin1String("@dir/")))
            a = m_dir.filePath(a.mid(5));
    }

    const TCliRun r = runCli(arguments);
    QVERIFY2(r.exitCode == 2, qPrintable(describe(r)));
    QVERIFY2(reason(r).startsWith(QStringLiteral("morvo3-cli: error: ")), qPrintable(describe(r)));
    QVERIFY2(reason(r).contains(reasonContains), qPrintable(describe(r)));
    // The reason is said once, and no empty line stands before it.
    const QStringList errLines = r.err.split(QLatin1Char('\n'));
    QVERIFY2(errLines.filter(QRegularExpression(QStringLiteral("^morvo3-cli: "))).size() == 1, qPrintable(describe(r)));
    QVERIFY2(!errLines.mid(0, errLines.size() - 1).contains(QString()), qPrintable(describe(r)));
    QVERIFY(r.out.isEmpty());
    // A failed read leaves no file behind.
    QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("x.KVD"))));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

// morvo3-cli events against the simulated module: the records into each file
// form, a log shorter than the request, the cable pulled during the fetch, and
// bad arguments.

#include "SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString cliPath()
{
#ifdef MORVO3_CLI_PATH
    return QStringLiteral(MORVO3_CLI_PATH);
#else
    return QString();
#endif
}

void startCli(QProcess &p, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_LOGGING_RULES"));
    env.remove(QStringLiteral("MORVO3_EXTRA_PORTS"));
    p.setProcessEnvironment(env);
    p.start(cliPath(), arguments);
}

int finish(QProcess &p, QString *err, int timeoutMs = 90000)
{
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        *err = QStringLiteral("timed out");
        return -1;
    }
    *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QList<QByteArray> csvLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

class TestCliEvents : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (SimProcess::executable().isEmpty() || cliPath().isEmpty())
            QSKIP("morvo3-sim or morvo3-cli not built");
    }

    void recordsIntoEachFileForm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("csv") << QStringLiteral("events.csv");
        QTest::newRow("txt") << QStringLiteral("events.txt");
        QTest::newRow("xls") << QStringLiteral("events.xls");
    }
    void recordsIntoEachFileForm()
    {
        QFETCH(QString, name);
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--no-pacing"), QStringLiteral("--events"), QStringLiteral("40")}),
                 qPrintable(sim.lastError()));
        QTemporaryDir dir;
        const QString file = dir.filePath(name);
        QProcess p;
        startCli(p, {QStringLiteral("events"), QStringLiteral("--count"), QStringLiteral("30"), QStringLiteral("--out"),
                     file, QStringLiteral("--device"), sim.linkPath()});
        QString err;
        QCOMPARE(finish(p, &err), 0);
        QVERIFY2(err.contains(QStringLiteral("30 of 30 records")), qPrintable(err));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        if (name.endsWith(QLatin1String(".xls"))) {
            QVERIFY(bytes.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")));
            return;
        }
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 32);   // header, 30 records, and nothing after the last CR LF
        // The module's newest event is 2026/03/01 08:00:00; each older one 37 minutes before.
        QVERIFY2(lines.at(1).startsWith(name.endsWith(QLatin1String(".csv")) ? "1,2026/03/01. 08:00:00,"
                                                                             : "1  2026/03/01. 08:00:00 "),
                 lines.at(1).constData());
        QVERIFY(lines.at(2).contains("2026/03/01. 07:23:00"));
        QVERIFY(lines.at(30).contains("2026/02/28. 14:07:00"));
    }

    void shortLogEndsWhenTheModuleFallsSilent()
    {
        SimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--no-pacing"), QStringLiteral("--events"), QStringLiteral("12")}),
                 qPrintable(sim.lastError()));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("short.csv"));
        QProcess p;
        startCli(p, {QStringLiteral("events"), QStringLiteral("--out"), file, QStringLiteral("--device"),
                     sim.linkPath()});
        QString err;
        QCOMPARE(finish(p, &err), 0);
        QVERIFY2(err.contains(QStringLiteral("12 of 50 records: the module sent no more")), qPrintable(err));
        const QList<QByteArray> lines = csvLines(file);
        QCOMPARE(lines.size(), 51);
        QVERIFY(lines.at(12).startsWith("12,2026/"));
        QCOMPARE(lines.at(13), QByteArray("13,\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\"\"\r"));
    }

    void unpluggedDuringFetchKeepsWhatCame()
    {
        SimProcess sim;
        // Paced at 19200 baud: 1000 records take about 47 s, so the cable goes mid-way.
        QVERIFY2(sim.start({QStringLiteral("--events"), QStringLiteral("1000"), QStringLiteral("--status-interval"),
                            QStringLiteral("0")}),
                 qPrintable(sim.lastError()));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cut.csv"));
        QProcess p;
        startCli(p, {QStringLiteral("events"), QStringLiteral("--count"), QStringLiteral("1000"),
                     QStringLiteral("--out"), file, QStringLiteral("--device"), sim.linkPath()});
        QVERIFY(p.waitForStarted());
        QTest::qWait(4000);
        QVERIFY(sim.controlOk(QStringLiteral("unplug")));
        QString err;
        QCOMPARE(finish(p, &err), 2);
        QVERIFY2(err.contains(QStringLiteral("the connection to the module was lost, the records that arrived are kept")),
                 qPrintable(err));
        const QList<QByteArray> lines = csvLines(file);
        QCOMPARE(lines.size(), 1001);
        QVERIFY(lines.at(1).startsWith("1,2026/03/01. 08:00:00,"));
        QVERIFY(lines.at(1000).startsWith("1000,\"\","));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("reason");
        QTest::newRow("count low") << QStringList{"events", "--count", "7", "--out", "x.csv"}
                                   << "--count takes 8 to 1000 records";
        QTest::newRow("count high") << QStringList{"events", "--count", "1001", "--out", "x.csv"}
                                    << "--count takes 8 to 1000 records";
        QTest::newRow("no out") << QStringList{"events"} << "events needs --out FILE.txt, FILE.csv or FILE.xls";
        QTest::newRow("other extension") << QStringList{"events", "--out", "x.pdf"}
                                         << "--out x.pdf: the name must end in .txt, .csv or .xls";
        QTest::newRow("count elsewhere") << QStringList{"status", "--count", "9"} << "--count belongs to events";
    }
    void badArguments()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, reason);
        QProcess p;
        startCli(p, arguments);
        QString err;
        QCOMPARE(finish(p, &err, 20000), 2);
        QCOMPARE(err.trimmed(), QStringLiteral("morvo3-cli: error: ") + reason);
    }
};

QTEST_GUILESS_MAIN(TestCliEvents)
#include "tst_cli_events.moc"

// The Debian package, built with CPack from this build folder into a scratch
// folder and unpacked into a scratch root: the file list with owners and modes
// (and nothing else in it), the control fields, the dependencies that
// dpkg-shlibdeps found, and the packed files themselves (desktop entry, udev
// rule, icons, manual pages, a packed program that still runs).

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

TRun run(const QString &program, const QStringList &arguments, int timeoutMs = 120000)
{
    TRun r;
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void files_data();
    void files();
    void nothingElse();
    void control_data();
    void control();
    void dependencies_data();
    void dependencies();
    void desktopEntry();
    void udevRule();
    void icons_data();
    void icons();
    void manualPages_data();
    void manualPages();
    void packedProgramRuns();

private:
    QTemporaryDir m_scratch;
    QString m_deb;
    QString m_root;
    // "./usr/bin/morvo3" -> "-rwxr-xr-x root/root" for every entry of dpkg-deb -c
    QMap<QString, QString> m_entries;
    QString m_dpkgDeb;
};

void TestPackage::initTestCase()
{
#ifndef MORVO3_CPACK_CONFIG
    QSKIP("built without the package configuration");
#else
    const QString cpack = QStandardPaths::findExecutable(QStringLiteral("cpack"));
    m_dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    if (cpack.isEmpty() || m_dpkgDeb.isEmpty()
        || QStandardPaths::findExecutable(QStringLiteral("dpkg-shlibdeps")).isEmpty())
        QSKIP("cpack, dpkg-deb or dpkg-shlibdeps missing");
    QVERIFY(m_scratch.isValid());

    const QString out = m_scratch.filePath(QStringLiteral("out"));
    const TRun packed = run(cpack, {QStringLiteral("--config"), QStringLiteral(MORVO3_CPACK_CONFIG),
                                    QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), out});
    QVERIFY2(packed.exitCode == 0, (packed.out + packed.err).constData());
    const QStringList debs = QDir(out).entryList({QStringLiteral("morvo3_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_deb = QDir(out).filePath(debs.first());

    const TRun list = run(m_dpkgDeb, {QStringLiteral("-c"), m_deb});
    QVERIFY2(list.exitCode == 0, list.err.constData());
    // "-rwxr-xr-x root/root    804608 2026-12-10 12:58 ./usr/bin/morvo3"
    static const QRegularExpression line(QStringLiteral(R"(^(\S+)\s+(\S+)\s+\d+\s+\S+\s+\S+\s+(\./\S*)$)"));
    for (const QString &l : QString::fromUtf8(list.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = line.match(l);
        QVERIFY2(m.hasMatch(), qPrintable(l));
        m_entries.insert(m.captured(3), m.captured(1) + QLatin1Char(' ') + m.captured(2));
    }

    m_root = m_scratch.filePath(QStringLiteral("root"));
    const TRun unpacked = run(m_dpkgDeb, {QStringLiteral("-x"), m_deb, m_root});
    QVERIFY2(unpacked.exitCode == 0, unpacked.err.constData());
#endif
}

void TestPackage::files_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");

    const QString program = QStringLiteral("-rwxr-xr-x");
    const QString data = QStringLiteral("-rw-r--r--");
    QTest::newRow("program") << "./usr/bin/morvo3" << program;
    QTest::newRow("command-line tool") << "./usr/bin/morvo3-cli" << program;
    QTest::newRow("simulated module") << "./usr/bin/morvo3-sim" << program;
    QTest::newRow("desktop entry") << "./usr/share/applications/morvo3.desktop" << data;
    QTest::newRow("scalable icon") << "./usr/share/icons/hicolor/scalable/apps/morvo3.svg" << data;
    for (const char *size : {"16x16", "24x24", "32x32", "48x48", "64x64", "128x128", "256x256"})
        QTest::newRow(size) << QStringLiteral("./usr/share/icons/hicolor/%1/apps/morvo3.png").arg(QLatin1String(size))
                            << data;
    QTest::newRow("udev rule") << "./lib/udev/rules.d/60-morvo3.rules" << data;
    QTest::newRow("manual morvo3") << "./usr/share/man/man1/morvo3.1.gz" << data;
    QTest::newRow("manual morvo3-cli") << "./usr/share/man/man1/morvo3-cli.1.gz" << data;
    QTest::newRow("manual morvo3-sim") << "./usr/share/man/man1/morvo3-sim.1.gz" << data;
    QTest::newRow("copyright") << "./usr/share/doc/morvo3/copyright" << data;
    QTest::newRow("changelog") << "./usr/share/doc/morvo3/changelog.Debian.gz" << data;
    QTest::newRow("program folder") << "./usr/bin/" << "drwxr-xr-x";
    QTest::newRow("rules folder") << "./lib/udev/rules.d/" << "drwxr-xr-x";
}

void TestPackage::files()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QVERIFY2(m_entries.contains(path), qPrintable(path + QStringLiteral(" missing")));
    QCOMPARE(m_entries.value(path), mode + QStringLiteral(" root/root"));
}

void TestPackage::nothingElse()
{
    // No test program, static library, header or build leftover may slip in.
    QStringList unexpected;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        if (it.value().startsWith(QLatin1Char('d')))
            continue;
        static const QRegularExpression allowed(QStringLiteral(
            R"(^\./(usr/bin/morvo3(-cli|-sim)?|usr/share/applications/morvo3\.desktop|)"
            R"(usr/share/icons/hicolor/(scalable/apps/morvo3\.svg|(\d+)x\4/apps/morvo3\.png)|)"
            R"(lib/udev/rules\.d/60-morvo3\.rules|usr/share/man/man1/morvo3(-cli|-sim)?\.1\.gz|)"
            R"(usr/share/doc/morvo3/(copyright|changelog\.Debian\.gz))$)"));
        if (!allowed.match(it.key()).hasMatch())
            unexpected << it.key();
    }
    QCOMPARE(unexpected, QStringList());
    // Directories are 0755, whatever the umask of the build.
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it)
        if (it.value().startsWith(QLatin1Char('d')))
            QCOMPARE(it.value(), QStringLiteral("drwxr-xr-x root/root"));
}

void TestPackage::control_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("package") << "Package" << "morvo3";
    QTest::newRow("version") << "Version" << "1.15-1";
    QTest::newRow("section") << "Section" << "utils";
    QTest::newRow("priority") << "Priority" << "optional";
    QTest::newRow("synopsis") << "Description"
                              << "configuration program for the GPRS Morvo3 alarm communicator";
}

void TestPackage::control()
{
    QFETCH(QString, field);
    QFETCH(QString, expected);
    const TRun r = run(m_dpkgDeb, {QStringLiteral("-f"), m_deb, field});
    QCOMPARE(r.exitCode, 0);
    // The description's first line is the synopsis; the rest is the long text.
    QCOMPARE(QString::fromUtf8(r.out).section(QLatin1Char('\n'), 0, 0).trimmed(), expected);
}

void TestPackage::dependencies_data()
{
    QTest::addColumn<QString>("package");
    QTest::addColumn<bool>("versioned");   // true: found by dpkg-shlibdeps with a minimum version

    QTest::newRow("Qt core") << "libqt6core6" << true;
    QTest::newRow("Qt widgets") << "libqt6widgets6" << true;
    QTest::newRow("Qt network") << "libqt6network6" << true;
    QTest::newRow("Qt serial port") << "libqt6serialport6" << true;
    QTest::newRow("OpenSSL") << "libssl3" << true;
    QTest::newRow("C library") << "libc6" << true;
    QTest::newRow("C++ library") << "libstdc++6" << true;
    // Loaded at run time, so no library names it: listed by hand.
    QTest::newRow("platform plugins") << "qt6-qpa-plugins" << false;
}

void TestPackage::dependencies()
{
    QFETCH(QString, package);
    QFETCH(bool, versioned);

    // The package's own control information, as dpkg-deb -I shows it.
    const TRun info = run(m_dpkgDeb, {QStringLiteral("-I"), m_deb});
    QCOMPARE(info.exitCode, 0);
    static const QRegularExpression dependsLine(QStringLiteral(R"(^ Depends: (.*)$)"),
                                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = dependsLine.match(QString::fromUtf8(info.out));
    QVERIFY2(m.hasMatch(), info.out.constData());
    const QStringList depends = m.captured(1).split(QStringLiteral(", "));

    QString entry;
    for (const QString &d : depends)
        if (d.section(QLatin1Char(' '), 0, 0) == package)
            entry = d;
    QVERIFY2(!entry.isEmpty(), qPrintable(package + QStringLiteral(" not in ") + m.captured(1)));
    if (versioned)
        QVERIFY2(entry.contains(QRegularExpression(QStringLiteral(R"(\(>= [0-9][^)]*\))"))), qPrintable(entry));
    // Never a development package or the build's own tools.
    for (const QString &d : depends) {
        QVERIFY2(!d.section(QLatin1Char(' '), 0, 0).endsWith(QStringLiteral("-dev")), qPrintable(d));
        QVERIFY2(!d.startsWith(QStringLiteral("cmake")), qPrintable(d));
    }
}

void TestPackage::desktopEntry()
{
    const QString text = QString::fromUtf8(readFile(m_root + QStringLiteral("/usr/share/applications/morvo3.desktop")));
    QVERIFY(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("Type=Application")));
    QVERIFY(lines.contains(QStringLiteral("Name=GPRS Morvo3")));
    QVERIFY(lines.contains(QStringLiteral("Icon=morvo3")));
    QVERIFY(lines.contains(QStringLiteral("Terminal=false")));
    // The menu starts the packed program, under both categories.
    QVERIFY(lines.contains(QStringLiteral("Exec=morvo3")));
    QVERIFY(QFileInfo(m_root + QStringLiteral("/usr/bin/morvo3")).isExecutable());
    QString categories;
    for (const QString &l : lines)
        if (l.startsWith(QStringLiteral("Categories=")))
            categories = l.mid(11);
    const QStringList list = categories.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    QVERIFY2(list.contains(QStringLiteral("Utility")) && list.contains(QStringLiteral("Settings")),
             qPrintable(categories));
    QVERIFY(categories.endsWith(QLatin1Char(';')));
}

void TestPackage::udevRule()
{
    const QString text = QString::fromUtf8(readFile(m_root + QStringLiteral("/lib/udev/rules.d/60-morvo3.rules")));
    // The one rule line that matches the cable: FTDI's vendor, our description.
    QString rule;
    for (const QString &l : text.split(QLatin1Char('\n')))
        if (l.contains(QStringLiteral("SYMLINK")) && !l.startsWith(QLatin1Char('#')))
            rule = l;
    QVERIFY2(!rule.isEmpty(), qPrintable(text));
    QVERIFY(rule.contains(QStringLiteral("ATTRS{idVendor}==\"0403\"")));
    QVERIFY(rule.contains(QStringLiteral("ATTRS{product}==\"ZEHL USB DEVICE\"")));
    QVERIFY(rule.contains(QStringLiteral("GROUP=\"dialout\"")));
    QVERIFY(rule.contains(QStringLiteral("SYMLINK+=\"morvo3-")));
    // Every key is KEY op "value": a stray quote or operator makes udev drop the line.
    static const QRegularExpression pair(QStringLiteral(R"re(^\s*[A-Z_]+(\{[a-zA-Z_]+\})?(==|!=|\+=|=|:=)"[^"]*"\s*$)re"));
    for (const QString &l : text.split(QLatin1Char('\n'))) {
        if (l.trimmed().isEmpty() || l.startsWith(QLatin1Char('#')))
            continue;
        for (const QString &part : l.split(QLatin1Char(',')))
            QVERIFY2(pair.match(part).hasMatch(), qPrintable(l));
    }
}

void TestPackage::icons_data()
{
    QTest::addColumn<int>("size");
    for (int s : {16, 24, 32, 48, 64, 128, 256})
        QTest::newRow(qPrintable(QString::number(s))) << s;
}

void TestPackage::icons()
{
    QFETCH(int, size);
    QImageReader reader(m_root + QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/morvo3.png").arg(size));
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.size(), QSize(size, size));
}

void TestPackage::manualPages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("morvo3") << "morvo3" << ".TH MORVO3 1";
    QTest::newRow("morvo3-cli") << "morvo3-cli" << ".TH MORVO3-CLI 1";
    QTest::newRow("morvo3-sim") << "morvo3-sim" << ".TH MORVO3-SIM 1";
}

void TestPackage::manualPages()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    const TRun page = run(QStringLiteral("gzip"),
                          {QStringLiteral("-dc"), m_root + QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(name)});
    QCOMPARE(page.exitCode, 0);
    QVERIFY2(page.out.startsWith(title.toUtf8()), page.out.left(80).constData());
}

void TestPackage::packedProgramRuns()
{
    // Stripped and packed, the tool still starts and answers --help.
    const TRun help = run(m_root + QStringLiteral("/usr/bin/morvo3-cli"), {QStringLiteral("--help")}, 30000);
    QCOMPARE(help.exitCode, 0);
    QVERIFY2(help.out.contains("compare FILE.KVD"), help.out.constData());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"

// Where the program's own files go: next to the executable when its folder can
// be written, in the user's folders when the program is installed (a folder that
// cannot be written, a missing one, or the package's install folder, which root
// could write). The settings file must really be writable at the path given, and
// the probe that decides must leave nothing behind.

#include "app/Settings.h"
#include "common/AppPaths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAppPaths : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void folders_data();
    void folders();
    void languageFilesWithoutRuntimeFolder();
    void probeLeavesNothingBehind();
    void settingsSavedInUserFolder();

private:
    QTemporaryDir m_home;
    QTemporaryDir m_program;
    QByteArray m_oldRuntime;
};

// The user's folders all point into one scratch folder, so nothing touches the
// real home and every expected path below is written out in full.
void TestAppPaths::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(m_program.isValid());
    QCoreApplication::setApplicationName(QStringLiteral("morvo3"));
    QCoreApplication::setOrganizationName(QString());
    m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_CONFIG_HOME", (m_home.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_CACHE_HOME", (m_home.path() + QStringLiteral("/cache")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_home.path() + QStringLiteral("/data")).toUtf8());
}

void TestAppPaths::init()
{
    // A runtime folder as the session manager makes it: the user's, mode 0700.
    const QString runtime = m_home.path() + QStringLiteral("/run");
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
}

void TestAppPaths::cleanupTestCase()
{
    if (m_oldRuntime.isEmpty())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
}

void TestAppPaths::folders_data()
{
    QTest::addColumn<QString>("programFolder");   // "@" stands for a writable scratch folder
    QTest::addColumn<bool>("inProgramFolder");

    QTest::newRow("build folder") << QStringLiteral("@") << true;
    // The kernel refuses new files in /proc even to root.
    QTest::newRow("folder cannot be written") << QStringLiteral("/proc") << false;
    QTest::newRow("folder missing") << QStringLiteral("/nonexistent/morvo3/bin") << false;
    // Writable when the tests run as root, yet never the place for user files.
    QTest::newRow("package install folder") << QStringLiteral("/usr/bin") << false;
}

void TestAppPaths::folders()
{
    QFETCH(QString, programFolder);
    QFETCH(bool, inProgramFolder);
    if (programFolder == QLatin1String("@"))
        programFolder = m_program.path();

    QCOMPARE(AppPaths::ProgramFolderWritable(programFolder), inProgramFolder);
    const QString settings = AppPaths::SettingsFile(programFolder, QStringLiteral("morvo3"));
    const QString languages = AppPaths::LanguageFileFolder(programFolder);
    const QString logs = AppPaths::LogFolder(programFolder);
    if (inProgramFolder) {
        QCOMPARE(settings, programFolder + QStringLiteral("/morvo3.INI"));
        QCOMPARE(languages, programFolder);
        QCOMPARE(logs, programFolder);
    } else {
        QCOMPARE(settings, m_home.path() + QStringLiteral("/config/morvo3/morvo3.INI"));
        QCOMPARE(languages, m_home.path() + QStringLiteral("/run/morvo3"));
        QCOMPARE(logs, m_home.path() + QStringLiteral("/data/morvo3/logs"));
        // The folders are there for the first write.
        QVERIFY(QFileInfo(m_home.path() + QStringLiteral("/config/morvo3")).isDir());
        QVERIFY(QFileInfo(languages).isDir());
        QVERIFY(QFileInfo(logs).isDir());
    }
}

void TestAppPaths::languageFilesWithoutRuntimeFolder()
{
    qunsetenv("XDG_RUNTIME_DIR");
    const QString folder = AppPaths::LanguageFileFolder(QStringLiteral("/proc"));
    QCOMPARE(folder, m_home.path() + QStringLiteral("/cache/morvo3"));
    QVERIFY(QFileInfo(folder).isDir());
    // A build folder keeps them next to the executable all the same.
    QCOMPARE(AppPaths::LanguageFileFolder(m_program.path()), m_program.path());
}

void TestAppPaths::probeLeavesNothingBehind()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    QVERIFY(AppPaths::FolderWritable(folder.path()));
    QVERIFY(AppPaths::FolderWritable(folder.path()));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    // A file is not a folder to write into.
    const QString file = folder.filePath(QStringLiteral("plain"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    QVERIFY(!AppPaths::FolderWritable(file));
    QVERIFY(!AppPaths::FolderWritable(QString()));
}

void TestAppPaths::settingsSavedInUserFolder()
{
    // A fresh user: no configuration folder yet. The installed program's first
    // save must still land, and be read back from the same place.
    QVERIFY(QDir(m_home.path() + QStringLiteral("/config")).removeRecursively());
    const QString path = AppPaths::SettingsFile(QStringLiteral("/proc"), QStringLiteral("morvo3"));
    QCOMPARE(path, m_home.path() + QStringLiteral("/config/morvo3/morvo3.INI"));

    TSettingsValues values;
    values.ServerIP = QStringLiteral("relay.example.net");
    values.SerialNr = QStringLiteral("1A2B");
    values.LanguageCode = QStringLiteral("SK");
    QVERIFY(Settings::SaveSettings(path, values));
    const TSettingsValues back = Settings::LoadSettings(path);
    QCOMPARE(back.ServerIP, QStringLiteral("relay.example.net"));
    QCOMPARE(back.SerialNr, QStringLiteral("1A2B"));
    QCOMPARE(back.LanguageCode, QStringLiteral("SK"));
}

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_apppaths.moc"

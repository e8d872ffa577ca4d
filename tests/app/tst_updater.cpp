// The update check against a local HTTP server: versions, the server list file,
// the offer and the answer, downloads that must be complete, the swap, and the
// update dialog's layouts and lines.

#include "HttpTestServer.h"

#include "app/Application.h"
#include "app/Updater.h"
#include "app/UpdaterForm.h"
#include "common/Morvo3Texts.h"
#include "Morvo3Config.h"

#include <QCheckBox>
#include <QEnterEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// A server reply as one cell of a test table.
struct THttpReplyRow
{
    THttpReply Reply;
};
Q_DECLARE_METATYPE(THttpReplyRow)

namespace {
const QByteArray OldProgram = "old program bytes";
const QByteArray NewProgram = QByteArray(200000, 'N') + "end of the new program";

QByteArray Mask(const QByteArray &plain)
{
    QByteArray out = plain;
    for (char &c : out) {
        if (c != '\r' && c != '\n')
            c = char(quint8(c) ^ Morvo3Config::DataDatMask);
    }
    return out;
}

QByteArray Description(const QString &version, const QByteArray &servers = {})
{
    return servers + "[GPRS_Morvo]\r\nCurrent_version=" + version.toUtf8() + "\r\nFilename=bin/Morvo3.exe\r\n";
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A program folder with the running executable, a server list and an updater.
struct Rig
{
    QTemporaryDir dir;
    THttpTestServer server;
    std::unique_ptr<TUpdater> updater;
    QStringList launched;
    QStringList restarted;

    QString exe() const { return dir.filePath(QStringLiteral("morvo3")); }

    // servers: the list in data.dat; empty = no data.dat (the default URL is the server's root).
    void start(const QStringList &servers = {}, const QString &executable = QString())
    {
        QFile f(exe());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(OldProgram);
        f.close();
        QFile::setPermissions(exe(), QFile::permissions(exe()) | QFile::ExeOwner);
        if (!servers.isEmpty()) {
            QFile list(dir.filePath(QStringLiteral("data.dat")));
            QVERIFY(list.open(QIODevice::WriteOnly));
            for (const QString &s : servers)
                list.write(Mask(s.toUtf8()) + "\r\n");
        }
        updater = std::make_unique<TUpdater>(executable.isEmpty() ? exe() : executable, server.Base());
        updater->ServiceFilePath = dir.filePath(QStringLiteral("service.dat"));
        updater->Launcher = [this](const QString &path) {
            launched << path;
            return true;
        };
        updater->RestartCallback = [this](const QString &name) { restarted << name; };
        updater->Setup(QStringLiteral("GPRS_Morvo"), QStringLiteral("1.15"), false);
    }
    // Runs one check to its end.
    bool check(bool report)
    {
        QSignalSpy done(updater.get(), &TUpdater::finished);
        updater->StartCheck(report);
        return done.count() > 0 || done.wait(10000);
    }
    void untouched() const
    {
        QCOMPARE(ReadAll(exe()), OldProgram);
        QVERIFY(!QFileInfo::exists(exe() + ".new"));
        QVERIFY(!QFileInfo::exists(exe() + ".old"));
        QVERIFY(launched.isEmpty());
        QVERIFY(restarted.isEmpty());
    }
};
} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT
private slots:
    void versionsCompareNumberByNumber_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("newer");
        QTest::newRow("1.16 over 1.15") << "1.15" << "1.16" << true;
        QTest::newRow("equal") << "1.15" << "1.15" << false;
        QTest::newRow("1.9 is older than 1.15") << "1.15" << "1.9" << false;
        QTest::newRow("1.15 is newer than 1.9") << "1.9" << "1.15" << true;
        QTest::newRow("1.1") << "1.15" << "1.1" << false;
        QTest::newRow("2.0") << "1.15" << "2.0" << true;
        QTest::newRow("trailing zero is equal") << "1.15" << "1.15.0" << false;
        QTest::newRow("third number") << "1.15" << "1.15.1" << true;
        QTest::newRow("blanks around") << "1.15" << " 1.16 " << true;
        QTest::newRow("letters are no version") << "1.15" << "9.x" << false;
        QTest::newRow("text is no version") << "1.15" << "newest" << false;
        QTest::newRow("empty part") << "1.15" << "2..0" << false;
        QTest::newRow("negative") << "1.15" << "-2" << false;
        QTest::newRow("overlong number") << "1.15" << "1.99999999999" << false;
        QTest::newRow("empty") << "1.15" << "" << false;
    }
    void versionsCompareNumberByNumber()
    {
        QFETCH(QString, current);
        QFETCH(QString, server);
        QFETCH(bool, newer);
        QCOMPARE(Update::IsNewer(current, server), newer);
    }

    void serverListFileIsMasked()
    {
        // "h" is 0x68; masked with the build's mask on every byte, line ends plain.
        const QByteArray plain = "https://a.example/u/\r\nhttp://b.example/\r\n";
        QCOMPARE(Update::DecodeServerList(Mask(plain), Morvo3Config::DataDatMask),
                 QStringList({"https://a.example/u/", "http://b.example/"}));
        QCOMPARE(Update::EncodeServerList({"https://a.example/u/", "http://b.example/"}, Morvo3Config::DataDatMask),
                 Mask(plain));
    }

    void baseUrlFromBuildOrEnvironment()
    {
        const QByteArray saved = qgetenv("MORVO3_UPDATE_URL");
        qunsetenv("MORVO3_UPDATE_URL");
        QVERIFY2(Update::DefaultBaseUrl().startsWith(QLatin1String("https://")), qPrintable(Update::DefaultBaseUrl()));
        QVERIFY(Update::DefaultBaseUrl().endsWith(QLatin1String("/download/updates/")));
        qputenv("MORVO3_UPDATE_URL", "http://127.0.0.1:8080/mirror/");
        QCOMPARE(Update::DefaultBaseUrl(), QStringLiteral("http://127.0.0.1:8080/mirror/"));
        if (saved.isNull())
            qunsetenv("MORVO3_UPDATE_URL");
        else
            qputenv("MORVO3_UPDATE_URL", saved);

        // Without data.dat the list is the default entry, and the file is written with it.
        Rig rig;
        rig.start();
        QCOMPARE(rig.updater->ServerList(), QStringList{rig.server.Base()});
        QCOMPARE(ReadAll(rig.dir.filePath("data.dat")), Mask(rig.server.Base().toUtf8() + "\r\n"));
    }

    void offeredOnlyWhenNewer_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("offered");
        QTest::newRow("1.16 against 1.15") << "1.15" << "1.16" << true;
        QTest::newRow("1.15 against 1.15") << "1.15" << "1.15" << false;
        QTest::newRow("1.9 against 1.15") << "1.15" << "1.9" << false;
        QTest::newRow("1.15 against 1.9") << "1.9" << "1.15" << true;
        QTest::newRow("1.1 against 1.15") << "1.15" << "1.1" << false;
    }
    void offeredOnlyWhenNewer()
    {
        QFETCH(QString, current);
        QFETCH(QString, server);
        QFETCH(bool, offered);
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description(server)});
        rig.start();
        rig.updater->Setup(QStringLiteral("GPRS_Morvo"), current, false);
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy upToDate(rig.updater.get(), &TUpdater::upToDate);
        QSignalSpy failures(rig.updater.get(), &TUpdater::failed);

        // A quiet check (start-up, timer) says nothing when there is nothing newer.
        if (offered) {
            QSignalSpy done(rig.updater.get(), &TUpdater::finished);
            rig.updater->StartCheck(false);
            QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
            QCOMPARE(offers.at(0).at(0).toString(), current);
            QCOMPARE(offers.at(0).at(1).toString(), server);
            QVERIFY(rig.updater->Busy());
            QCOMPARE(done.count(), 0); // waits for the answer
            return;
        }
        QVERIFY(rig.check(false));
        QCOMPARE(offers.count(), 0);
        QCOMPARE(upToDate.count(), 0);
        // One the user started says so, once.
        QVERIFY(rig.check(true));
        QCOMPARE(offers.count(), 0);
        QCOMPARE(upToDate.count(), 1);
        QCOMPARE(upToDate.at(0).at(1).toString(), server);
        QVERIFY(!rig.updater->ReportFlag());
        QCOMPARE(failures.count(), 0);
        rig.untouched();
    }

    void requestsAskForFreshFiles()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.15")});
        rig.start();
        QVERIFY(rig.check(false));
        QCOMPARE(rig.server.Requests.size(), 1);
        const THttpRequest r = rig.server.Requests.at(0);
        QCOMPARE(r.Path, QByteArray("/updates.ini"));
        QCOMPARE(r.Headers.value("cache-control"), QByteArray("no-cache, must-revalidate"));
        QCOMPARE(r.Headers.value("pragma"), QByteArray("no-cache"));
    }

    // data.dat is removed after start: whether the check writes it again tells
    // whether it rewrote the list.
    void serverListRewrites_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<bool>("rewritten");
        QTest::addColumn<QStringList>("list"); // expected list; "A", "B", "C" stand for the server's folders
        QTest::addColumn<QList<QByteArray>>("asked");
        QTest::newRow("same servers, another order: not rewritten, next server asked")
            << QByteArray("[IP_ADDRESS]\r\n1=B\r\n2=A\r\n") << false << QStringList{"A", "B"}
            << QList<QByteArray>{"/a/updates.ini", "/b/updates.ini"};
        QTest::newRow("one server more: rewritten")
            << QByteArray("[IP_ADDRESS]\r\n1=A\r\n2=B\r\n3=C\r\n") << true << QStringList{"A", "B", "C"}
            << QList<QByteArray>{"/a/updates.ini"};
        QTest::newRow("one server less: rewritten")
            << QByteArray("[IP_ADDRESS]\r\nx=B\r\n") << true << QStringList{"B"}
            << QList<QByteArray>{"/a/updates.ini"};
        QTest::newRow("no server section: written unchanged")
            << QByteArray() << true << QStringList{"A", "B"} << QList<QByteArray>{"/a/updates.ini"};
        QTest::newRow("only unusable entries: written unchanged")
            << QByteArray("[IP_ADDRESS]\r\n1=ftp://x/\r\n2=nonsense\r\n") << true << QStringList{"A", "B"}
            << QList<QByteArray>{"/a/updates.ini"};
    }
    void serverListRewrites()
    {
        QFETCH(QByteArray, section);
        QFETCH(bool, rewritten);
        QFETCH(QStringList, list);
        QFETCH(QList<QByteArray>, asked);
        Rig rig;
        const auto url = [&](const QString &letter) { return rig.server.Base("/" + letter.toLower() + "/"); };
        QByteArray servers = section;
        for (const char *letter : {"A", "B", "C"})
            servers.replace(QByteArray("=") + letter, "=" + url(letter).toUtf8());
        rig.server.Set("/a/updates.ini", {200, Description("1.15", servers)});
        rig.server.Set("/b/updates.ini", {200, Description("1.15", servers)});
        rig.start({url("A"), url("B")});
        QVERIFY(QFile::remove(rig.dir.filePath("data.dat")));
        QVERIFY(rig.check(false));
        QCOMPARE(rig.server.Paths(), asked);
        QStringList expected;
        QByteArray file;
        for (const QString &l : list) {
            expected << url(l);
            file += Mask(url(l).toUtf8()) + "\r\n";
        }
        QCOMPARE(rig.updater->ServerList(), expected);
        QCOMPARE(QFileInfo::exists(rig.dir.filePath("data.dat")), rewritten);
        if (rewritten)
            QCOMPARE(ReadAll(rig.dir.filePath("data.dat")), file);
    }

    void answeringNoDownloadsNothingAndTheTimerOffersAgain()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.server.Set("/bin/Morvo3.exe", {200, NewProgram});
        rig.start();
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy done(rig.updater.get(), &TUpdater::finished);
        rig.updater->StartCheck(false);
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
        QVERIFY(rig.updater->PeriodicTimer.isActive());
        QCOMPARE(rig.updater->PeriodicTimer.interval(), 200 * 60 * 1000);
        rig.updater->Answer(false);
        QCOMPARE(done.count(), 1);
        QVERIFY(!rig.updater->Busy());
        QCOMPARE(rig.server.Paths(), QList<QByteArray>{"/updates.ini"});
        rig.untouched();

        // The next tick of the periodic timer offers the same version again.
        rig.updater->PeriodicTimer.setInterval(50);
        rig.updater->PeriodicTimer.start();
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 2, 10000);
        QCOMPARE(offers.at(1).at(1).toString(), QStringLiteral("1.16"));
        // Closing the dialog without an answer is a No.
        rig.updater->PeriodicTimer.stop();
        rig.updater->DialogClosed();
        QVERIFY(!rig.updater->Busy());
        rig.untouched();
    }

    void downloadSwapsAndRestarts()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.server.Set("/bin/Morvo3.exe", {200, NewProgram});
        rig.start();
        // An older ".old" is replaced.
        QFile stale(rig.exe() + ".old");
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("stale");
        stale.close();
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy done(rig.updater.get(), &TUpdater::finished);
        QSignalSpy failures(rig.updater.get(), &TUpdater::failed);
        rig.updater->StartCheck(true);
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
        rig.updater->Answer(true);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QCOMPARE(failures.count(), 0);
        QCOMPARE(ReadAll(rig.exe()), NewProgram);
        QCOMPARE(ReadAll(rig.exe() + ".old"), OldProgram);
        QVERIFY(!QFileInfo::exists(rig.exe() + ".new"));
        QVERIFY(QFileInfo(rig.exe()).isExecutable());
        QCOMPARE(rig.launched, QStringList{rig.exe()});
        QCOMPARE(rig.restarted, QStringList{"Morvo3.exe"});
        QCOMPARE(rig.updater->DownloadPercent(), 100);
    }

    void secondServerDeliversWhenTheFirstFails()
    {
        Rig rig;
        const QString a = rig.server.Base("/a/"), b = rig.server.Base("/b/");
        rig.server.Set("/a/updates.ini", {200, Description("1.16", "[IP_ADDRESS]\r\n1=" + a.toUtf8() + "\r\n2=" + b.toUtf8() + "\r\n")});
        THttpReply cut{200, NewProgram};
        cut.SendBytes = 1000;
        rig.server.Set("/a/bin/Morvo3.exe", cut);
        rig.server.Set("/b/bin/Morvo3.exe", {200, NewProgram});
        rig.start({a, b});
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy done(rig.updater.get(), &TUpdater::finished);
        rig.updater->StartCheck(false);
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
        rig.updater->Answer(true);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QCOMPARE(rig.server.Paths(),
                 (QList<QByteArray>{"/a/updates.ini", "/b/updates.ini", "/a/bin/Morvo3.exe", "/b/bin/Morvo3.exe"}));
        QCOMPARE(ReadAll(rig.exe()), NewProgram);
    }

    void incompleteDownloadLeavesTheProgram_data()
    {
        QTest::addColumn<THttpReplyRow>("reply");
        THttpReply interrupted{200, NewProgram};
        interrupted.SendBytes = 70000;
        interrupted.Reset = true;
        THttpReply shorter{200, NewProgram};
        shorter.SendBytes = NewProgram.size() - 1;
        THttpReply unannounced{200, NewProgram};
        unannounced.Announced = -1;
        THttpReply empty{200, QByteArray()};
        QTest::newRow("interrupted") << THttpReplyRow{interrupted};
        QTest::newRow("shorter than announced") << THttpReplyRow{shorter};
        QTest::newRow("no length announced") << THttpReplyRow{unannounced};
        QTest::newRow("empty file") << THttpReplyRow{empty};
        QTest::newRow("404") << THttpReplyRow{{404, "<html>not here</html>"}};
        QTest::newRow("server error") << THttpReplyRow{{500, NewProgram}};
    }
    void incompleteDownloadLeavesTheProgram()
    {
        QFETCH(THttpReplyRow, reply);
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.server.Set("/bin/Morvo3.exe", reply.Reply);
        rig.start();
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy done(rig.updater.get(), &TUpdater::finished);
        QSignalSpy failures(rig.updater.get(), &TUpdater::failed);
        rig.updater->StartCheck(false); // a quiet check: a failed download is still told
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
        rig.updater->Answer(true);
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 20000);
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.at(0).at(0).value<TUpdater::TFailure>(), TUpdater::TFailure::DownloadFailed);
        QCOMPARE(rig.server.Paths(), (QList<QByteArray>{"/updates.ini", "/bin/Morvo3.exe"}));
        rig.untouched();
    }

    void closingDuringTheDownloadLeavesTheProgram()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        THttpReply stalled{200, NewProgram};
        stalled.SendBytes = 100000;
        stalled.Hold = true;
        rig.server.Set("/bin/Morvo3.exe", stalled);
        rig.start();
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        rig.updater->StartCheck(false);
        QTRY_COMPARE_WITH_TIMEOUT(offers.count(), 1, 10000);
        rig.updater->Answer(true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.updater->DownloadPercent(), 50, 10000);
        QVERIFY(QFileInfo::exists(rig.exe() + ".new"));
        rig.updater.reset(); // the program closes
        rig.untouched();
    }

    void failedCheckIsToldOnlyWhenAsked_data()
    {
        QTest::addColumn<THttpReplyRow>("reply");
        QTest::addColumn<TUpdater::TFailure>("why");
        QTest::newRow("404") << THttpReplyRow{{404, "[GPRS_Morvo]\r\nCurrent_version=9.0\r\n"}}
                             << TUpdater::TFailure::NoServer;
        QTest::newRow("no answer at all") << THttpReplyRow{{200, QByteArray()}} << TUpdater::TFailure::NoServer;
        QTest::newRow("html page") << THttpReplyRow{{200, "<html><body>Welcome to the portal</body></html>"}}
                                   << TUpdater::TFailure::BadDescription;
        QTest::newRow("binary garbage") << THttpReplyRow{{200, QByteArray("\x00\xff[\x01=\n\x80\x80", 9)}}
                                        << TUpdater::TFailure::BadDescription;
        QTest::newRow("another product only") << THttpReplyRow{{200, "[OTHER]\r\nCurrent_version=9.0\r\n"}}
                                              << TUpdater::TFailure::BadDescription;
        QTest::newRow("version is not a number")
            << THttpReplyRow{{200, "[GPRS_Morvo]\r\nCurrent_version=latest\r\nFilename=bin/Morvo3.exe\r\n"}}
            << TUpdater::TFailure::BadDescription;
        QTest::newRow("newer without a file name")
            << THttpReplyRow{{200, "[GPRS_Morvo]\r\nCurrent_version=2.0\r\n"}} << TUpdater::TFailure::BadDescription;
        THttpReply huge{200, Description("2.0") + QByteArray(200 * 1024, ';')};
        QTest::newRow("oversized answer") << THttpReplyRow{huge} << TUpdater::TFailure::NoServer;
        THttpReply toPlain{301, QByteArray()};
        QTest::newRow("redirect to plain http refused") << THttpReplyRow{toPlain} << TUpdater::TFailure::NoServer;
    }
    void failedCheckIsToldOnlyWhenAsked()
    {
        QFETCH(THttpReplyRow, reply);
        QFETCH(TUpdater::TFailure, why);
        Rig rig;
        THttpReply r = reply.Reply;
        if (r.Status == 301) {
            // The redirect's target would offer an update if it were followed.
            r.ExtraHeaders = "Location: " + rig.server.Base("/moved/updates.ini").toUtf8() + "\r\n";
            rig.server.Set("/moved/updates.ini", {200, Description("2.0")});
        }
        rig.server.Set("/updates.ini", r);
        rig.start();
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy failures(rig.updater.get(), &TUpdater::failed);
        QVERIFY(rig.check(false));
        QCOMPARE(failures.count(), 0);
        QVERIFY(rig.check(true));
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.at(0).at(0).value<TUpdater::TFailure>(), why);
        QCOMPARE(offers.count(), 0);
        QVERIFY(!rig.server.Paths().contains("/moved/updates.ini"));
        rig.untouched();
    }

    void redirectsOnlyToHttps_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("https") << "https://mirror.example/download/updates/updates.ini" << true;
        QTest::newRow("HTTPS upper case") << "HTTPS://mirror.example/x" << true;
        QTest::newRow("http") << "http://mirror.example/download/updates/updates.ini" << false;
        QTest::newRow("ftp") << "ftp://mirror.example/x" << false;
        QTest::newRow("no host") << "https:///x" << false;
    }
    void redirectsOnlyToHttps()
    {
        QFETCH(QString, target);
        QFETCH(bool, allowed);
        QCOMPARE(Update::RedirectAllowed(QUrl(target)), allowed);
    }

    void localDescriptionWhenNoServerAnswers()
    {
        Rig rig;
        rig.start();
        QFile local(rig.dir.filePath("service.dat"));
        QVERIFY(local.open(QIODevice::WriteOnly));
        local.write(Description("1.15"));
        local.close();
        QSignalSpy upToDate(rig.updater.get(), &TUpdater::upToDate);
        QVERIFY(rig.check(true));
        QCOMPARE(upToDate.count(), 1);
        QCOMPARE(upToDate.at(0).at(1).toString(), QStringLiteral("1.15"));
    }

    void unwritableFolderOffersTheDownloadPage()
    {
        // Nothing, not even the superuser, creates files in /proc.
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.server.Set("/bin/Morvo3.exe", {200, NewProgram});
        rig.start({}, QStringLiteral("/proc/self/morvo3"));
        QSignalSpy offers(rig.updater.get(), &TUpdater::offered);
        QSignalSpy page(rig.updater.get(), &TUpdater::cannotInstall);
        QVERIFY(rig.check(false));
        QCOMPARE(offers.count(), 0);
        QCOMPARE(page.count(), 1);
        QCOMPARE(page.at(0).at(1).toString(), QStringLiteral("1.16"));
        QCOMPARE(page.at(0).at(2).toUrl(), QUrl(rig.server.Base() + "bin/Morvo3.exe"));
        QCOMPARE(rig.server.Paths(), QList<QByteArray>{"/updates.ini"});
        QVERIFY(rig.launched.isEmpty());
    }

    void swapPutsEverythingBackOnFailure()
    {
        QTemporaryDir dir;
        const QString exe = dir.filePath("morvo3");
        QFile f(exe);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(OldProgram);
        f.close();
        // No ".new": nothing moves.
        QVERIFY(!Update::SwapExecutable(exe, exe + ".new", exe + ".old"));
        QCOMPARE(ReadAll(exe), OldProgram);
        QVERIFY(!QFileInfo::exists(exe + ".old"));
        // A folder under the ".new" name is no program: nothing moves.
        QVERIFY(QDir(dir.path()).mkpath("morvo3.new/inside"));
        QVERIFY(!Update::SwapExecutable(exe, exe + ".new", exe + ".old"));
        QCOMPARE(ReadAll(exe), OldProgram);
        QVERIFY(!QFileInfo::exists(exe + ".old"));
        QVERIFY(QFileInfo(exe).isFile());
    }

    // ---- the dialog ------------------------------------------------------

    void dialogLayouts()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.start();
        Morvo3Texts texts;
        TFormUpdate dialog;
        dialog.Attach(rig.updater.get(), &texts);
        auto *cb = dialog.findChild<QCheckBox *>("cbAllowDownloadQuery");
        const auto visible = [&](const char *name) { return dialog.findChild<QWidget *>(name)->isVisible(); };

        rig.updater->StartCheck(true);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 10000);
        QCOMPARE(dialog.height(), 205);
        QCOMPARE(cb->pos(), QPoint(80, 148));
        QVERIFY(visible("btnStartDownload") && visible("btnDontDownload") && visible("pbUpdate")
                && visible("lbWantToDownload") && visible("lbWaitForRestart"));
        QVERIFY(!visible("btnOK") && !visible("lbNoDownloadRequired"));
        QCOMPARE(dialog.findChild<QLabel *>("lbNewVersion")->text(), QStringLiteral("1.16"));
        QCOMPARE(dialog.findChild<QLabel *>("lbCurrentVersion")->text(), QStringLiteral("1.15"));
        dialog.SetHungarian(false);
        QCOMPARE(cb->pos(), QPoint(30, 148));

        // No: the dialog closes and the check ends without a download.
        dialog.findChild<QPushButton *>("btnDontDownload")->click();
        QVERIFY(!dialog.isVisible());
        QVERIFY(!rig.updater->Busy());
        rig.untouched();

        // Nothing newer, asked by the user: the one-line layout.
        dialog.SetHungarian(true);
        rig.server.Set("/updates.ini", {200, Description("1.15")});
        QVERIFY(rig.check(true));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.height(), 180);
        QCOMPARE(cb->pos(), QPoint(80, 85));
        QVERIFY(visible("btnOK") && visible("lbNoDownloadRequired") && visible("cbAllowDownloadQuery"));
        QVERIFY(!visible("btnStartDownload") && !visible("btnDontDownload") && !visible("pbUpdate"));
        QCOMPARE(dialog.findChild<QLabel *>("lbNoDownloadRequired")->text(),
                 QStringLiteral("Ön a program legfrissebb verzióját használja, nincs szükség frissítésre!"));
        dialog.findChild<QPushButton *>("btnOK")->click();
        QVERIFY(!dialog.isVisible());
    }

    void dialogTellsWhyNothingChanged_data()
    {
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<bool>("answerYes");
        QTest::addColumn<QString>("line");
        QTest::newRow("404") << QByteArray() << false << "Egyik frissítési szerver sem válaszolt.";
        QTest::newRow("garbage") << QByteArray("<html>oops</html>") << false
                                 << "A frissítési szerver válasza nem értelmezhető.";
        QTest::newRow("download cut short") << Description("1.16") << true
                                            << "A letöltés nem fejeződött be, a program nem változott.";
    }
    void dialogTellsWhyNothingChanged()
    {
        QFETCH(QByteArray, description);
        QFETCH(bool, answerYes);
        QFETCH(QString, line);
        Rig rig;
        if (!description.isEmpty())
            rig.server.Set("/updates.ini", {200, description});
        THttpReply cut{200, NewProgram};
        cut.SendBytes = 5000;
        rig.server.Set("/bin/Morvo3.exe", cut);
        rig.start();
        Morvo3Texts texts;
        TFormUpdate dialog;
        dialog.Attach(rig.updater.get(), &texts);
        QSignalSpy done(rig.updater.get(), &TUpdater::finished);
        rig.updater->StartCheck(true);
        if (answerYes) {
            QTRY_VERIFY_WITH_TIMEOUT(dialog.findChild<QWidget *>("btnStartDownload")->isVisible(), 10000);
            dialog.findChild<QPushButton *>("btnStartDownload")->click();
            QVERIFY(dialog.TimerPercentage.isActive());
            QVERIFY(!dialog.findChild<QPushButton *>("btnDontDownload")->isEnabled());
        }
        QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.findChild<QLabel *>("lbNoDownloadRequired")->text(), line);
        QVERIFY(dialog.findChild<QWidget *>("btnOK")->isVisible());
        QVERIFY(!dialog.TimerPercentage.isActive());
        rig.untouched();
    }

    void dialogOffersTheDownloadPage()
    {
        Rig rig;
        rig.server.Set("/updates.ini", {200, Description("1.16")});
        rig.start({}, QStringLiteral("/proc/self/morvo3"));
        TFormUpdate dialog;
        dialog.Attach(rig.updater.get(), nullptr);
        QVERIFY(rig.check(false));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.findChild<QLabel *>("lbNoDownloadRequired")->text(),
                 QStringLiteral("A program mappája nem írható. Az új verzió innen tölthető le:"));
        auto *page = dialog.findChild<QLabel *>("lbDownloadPage");
        QVERIFY(page->isVisible());
        QVERIFY2(page->text().contains(rig.server.Base() + "bin/Morvo3.exe"), qPrintable(page->text()));
        QVERIFY(!dialog.findChild<QWidget *>("btnStartDownload")->isVisible());
    }
    // ---- in the program ----------------------------------------------------

    void programChecksAtStartOnlyWhenAllowed_data()
    {
        QTest::addColumn<QByteArray>("allowed");
        QTest::addColumn<int>("requestsAtStart");
        QTest::newRow("ALLOWED=True") << QByteArray("True") << 1;
        QTest::newRow("ALLOWED=False") << QByteArray("False") << 0;
    }
    void programChecksAtStartOnlyWhenAllowed()
    {
        QFETCH(QByteArray, allowed);
        QFETCH(int, requestsAtStart);
        THttpTestServer server;
        server.Set("/mirror/updates.ini", {200, Description("1.15")});
        QTemporaryDir dir;
        const QString settings = dir.filePath("morvo3.INI");
        QFile ini(settings);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[VERSION_CHECK]\r\nALLOWED=" + allowed + "\r\n");
        ini.close();
        const QByteArray saved = qgetenv("MORVO3_UPDATE_URL");
        qputenv("MORVO3_UPDATE_URL", server.Base("/mirror/").toUtf8());
        {
            TMorvo3Application app({});
            app.Core().SettingsPath = settings;
            app.Start();
            TMainForm *main = app.MainForm();
            QVERIFY(main);
            main->show();
            QTRY_VERIFY(main->Updater());
            TUpdater *updater = main->Updater();
            QTRY_VERIFY_WITH_TIMEOUT(!updater->Busy(), 10000);
            QTest::qWait(300);
            QCOMPARE(server.Requests.size(), requestsAtStart);
            QCOMPARE(updater->PeriodicTimer.isActive(), requestsAtStart > 0);
            // A quiet check that found nothing newer shows nothing.
            QVERIFY(!app.Windows().Update->isVisible());

            // The link on the connection page checks anyway, tells the result and
            // starts the periodic timer.
            auto *link = main->findChild<QLabel *>("lbVersionUpdate");
            QVERIFY(link);
            QCOMPARE(link->palette().color(QPalette::Link), QColor(0, 0, 128));
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
            QCoreApplication::sendEvent(link, &enter);
            QCOMPARE(link->palette().color(QPalette::Link), QColor(128, 0, 0));
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(link, &leave);
            QCOMPARE(link->palette().color(QPalette::Link), QColor(0, 0, 128));
            emit link->linkActivated(QStringLiteral("#"));
            QTRY_COMPARE_WITH_TIMEOUT(server.Requests.size(), requestsAtStart + 1, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(app.Windows().Update->isVisible(), 10000);
            QCOMPARE(app.Windows().Update->findChild<QLabel *>("lbNoDownloadRequired")->text(),
                     QStringLiteral("Ön a program legfrissebb verzióját használja, nincs szükség frissítésre!"));
            QVERIFY(updater->PeriodicTimer.isActive());
            QCOMPARE(updater->ServerList(), QStringList{server.Base("/mirror/")});
            app.Windows().Update->close();
            main->close();
        }
        if (saved.isNull())
            qunsetenv("MORVO3_UPDATE_URL");
        else
            qputenv("MORVO3_UPDATE_URL", saved);
    }
};

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"

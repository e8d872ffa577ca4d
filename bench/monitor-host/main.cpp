// morvo3-monitor-host: the status page as the program runs it (USB reader, link,
// memo writer, the page shown in a window), on one module, for a fixed time.
// Prints the process's CPU share and the longest stall of the user-interface
// thread. Used by bench/monitor; not a test.
//
//   morvo3-monitor-host --device PATH --seconds N [--password PW]

#include "BenchHost.h"
#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/MemoWriter.h"
#include "link/SerialDetails.h"
#include "monitor/StatusPage.h"
#include "transport/USBCommunicator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <sys/resource.h>

namespace {
double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.addOptions({{"device", "Serial device of the module.", "path"},
                       {"seconds", "How long to watch (default 60).", "n"},
                       {"password", "Module password.", "pw"}});
    parser.process(app);
    const int seconds = parser.value("seconds").isEmpty() ? 60 : parser.value("seconds").toInt();
    const QString location = QFileInfo(parser.value("device")).absoluteFilePath();

    Morvo3Texts texts;
    TLink link(texts, Morvo3Config::LinkKey);
    TMemoWriter memos;
    QObject::connect(&link, &TLink::memoText, &memos, &TMemoWriter::QueueMemoText);
    TStatusPage page(link, texts);
    page.resize(1100, 620);
    page.AttachMemoWriter(memos);
    page.show();

    qint64 statusReports = 0;
    QObject::connect(&link, &TLink::statusComplete, [&] { ++statusReports; });
    qint64 stateTexts = 0;
    QObject::connect(&link, &TLink::memoText, [&](MemoTarget t, const QString &, bool) {
        if (t == MemoTarget::State)
            ++stateTexts;
    });

    TCommunicator reader(nullptr, QString(), TCommunicator::DefaultBaudRate,
                         [location] { return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}}; });
    reader.SetOnData([&](const QByteArray &bytes) { link.ReceiveLinkBytes(bytes); });
    link.setTransmitter([&](const QByteArray &frame) { return reader.WriteData(frame) == frame.size(); });
    if (!BenchHost::OpenPort(reader)) {
        err << "morvo3-monitor-host: the module's port did not open\n";
        return 2;
    }
    QTimer passwordTimer;
    BenchHost::StartLogin(link, BenchHost::Password(parser.value("password")), passwordTimer);
    BenchHost::TStallProbe probe;

    // As after opening the page: the 8 latest events once, before the measurement.
    QTimer::singleShot(500, &page, [&page] { page.RefreshEvents(); });
    // Let the connection settle before measuring.
    QTimer::singleShot(2000, [&] {
        const double cpuStart = cpuSeconds();
        const qint64 statusStart = statusReports;
        const qint64 textStart = stateTexts;
        QElapsedTimer wall;
        wall.start();
        probe.Start();
        QTimer::singleShot(seconds * 1000, [&, cpuStart, statusStart, textStart, wall] {
            const double elapsed = wall.nsecsElapsed() / 1e9;
            const double cpu = cpuSeconds() - cpuStart;
            const double stallMs = probe.LongestStallMs();
            out << "seconds " << QString::number(elapsed, 'f', 1) << '\n'
                << "status_reports " << (statusReports - statusStart) << '\n'
                << "state_text_pieces " << (stateTexts - textStart) << '\n'
                << "memo_lines " << page.MemoState()->LineCount() << '\n'
                << "cpu_share_percent " << QString::number(100.0 * cpu / elapsed, 'f', 2) << '\n'
                << "longest_stall_ms " << QString::number(stallMs, 'f', 1) << '\n';
            out.flush();
            // MORVO3_SCREENSHOT=path keeps a picture of the page as it ended.
            const QString shot = qEnvironmentVariable("MORVO3_SCREENSHOT");
            if (!shot.isEmpty())
                page.grab().save(shot);
            link.setTransmitter({});
            QCoreApplication::exit((statusReports - statusStart) > 0 ? 0 : 3);
        });
    });
    return app.exec();
}

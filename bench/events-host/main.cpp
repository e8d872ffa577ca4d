// morvo3-events-host: the long event list window as the program runs it (USB
// reader, link, status page handing it the records), fetching N records from
// one module. Prints the fetch's time, the bytes it moved both ways, and the
// longest stall of the user-interface thread while records came. Used by
// bench/events; not a test.
//
//   morvo3-events-host --device PATH [--count N] [--password PW]

#include "BenchHost.h"
#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "monitor/Event_List.h"
#include "monitor/StatusPage.h"
#include "transport/USBCommunicator.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.addOptions({{"device", "Serial device of the module.", "path"},
                       {"count", "Records to fetch (default 1000).", "n"},
                       {"password", "Module password.", "pw"}});
    parser.process(app);
    const int count = parser.value("count").isEmpty() ? 1000 : parser.value("count").toInt();
    const QString location = QFileInfo(parser.value("device")).absoluteFilePath();

    Morvo3Texts texts;
    TLink link(texts, Morvo3Config::LinkKey);
    TStatusPage page(link, texts);
    TEventList list(page, link, texts);
    list.show();

    qint64 bytesIn = 0;
    qint64 bytesOut = 0;
    TCommunicator reader(nullptr, QString(), TCommunicator::DefaultBaudRate,
                         [location] { return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}}; });
    // Time the program spends on what arrives: decoding, the grid rows, the acknowledgements.
    qint64 handlingNs = 0;
    reader.SetOnData([&](const QByteArray &bytes) {
        bytesIn += bytes.size();
        QElapsedTimer handling;
        handling.start();
        link.ReceiveLinkBytes(bytes);
        handlingNs += handling.nsecsElapsed();
    });
    link.setTransmitter([&](const QByteArray &frame) {
        bytesOut += frame.size();
        return reader.WriteData(frame) == frame.size();
    });
    if (!BenchHost::OpenPort(reader)) {
        err << "morvo3-events-host: the module's port did not open\n";
        return 2;
    }
    bool accepted = false;
    QObject::connect(&link, &TLink::passwordAccepted, [&] { accepted = true; });
    // As the program: the login repeats every 3 s while the list comes.
    QTimer passwordTimer;
    BenchHost::StartLogin(link, BenchHost::Password(parser.value("password")), passwordTimer);
    if (!BenchHost::WaitUntil([&] { return accepted; }, BenchHost::LoginWaitMs)) {
        err << "morvo3-events-host: the module did not accept the password\n";
        return 2;
    }
    BenchHost::TStallProbe probe;

    // Let the login's answer and any status settle, then fetch.
    qint64 inStart = 0, outStart = 0;
    QElapsedTimer fetchClock;
    QTimer::singleShot(1500, [&] {
        inStart = bytesIn;
        handlingNs = 0;
        outStart = bytesOut;
        probe.Start();
        list.findChild<QSpinBox *>(QStringLiteral("ECount"))->setValue(count);
        fetchClock.start();
        list.RequestEventList();
    });
    QObject::connect(&list.Fetch(), &TEventFetch::finished, [&](TEventFetch::TState state) {
        const double seconds = fetchClock.nsecsElapsed() / 1e9;
        probe.Stop();
        const double stallMs = probe.LongestStallMs();
        int filled = 0;
        for (int r = 1; r < list.Grid()->rowCount(); ++r)
            if (list.Grid()->item(r, 1) && !list.Grid()->item(r, 1)->text().isEmpty())
                ++filled;
        out << "state " << (state == TEventFetch::TState::Complete ? "complete" : "incomplete") << '\n'
            << "records " << list.Fetch().Received() << '\n'
            << "grid_rows_filled " << filled << '\n'
            << "seconds " << QString::number(seconds, 'f', 3) << '\n'
            << "bytes_in " << (bytesIn - inStart) << '\n'
            << "bytes_out " << (bytesOut - outStart) << '\n'
            << "handling_ms " << QString::number(handlingNs / 1e6, 'f', 1) << '\n'
            << "longest_stall_ms " << QString::number(stallMs, 'f', 1) << '\n';
        out.flush();
        passwordTimer.stop();
        link.setTransmitter({});
        QCoreApplication::exit(state == TEventFetch::TState::Complete ? 0 : 3);
    });
    return app.exec();
}

// morvo3-events-host: the long event list window as the program runs it (USB
// reader, link, status page handing it the records), fetching N records from
// one module. Prints the fetch's time, the bytes it moved both ways, and the
// longest stall of the user-interface thread while records came. Used by
// bench/events; not a test.
//
//   morvo3-events-host --device PATH [--count N] [--password PW]

#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/Requests.h"
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

namespace {
constexpr int ProbeIntervalMs = 10;
constexpr int PasswordRepeatMs = 3000;
constexpr int OpenWaitMs = 10000;
constexpr int LoginWaitMs = 10000;
} // namespace

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
    reader.SearchNow();
    QElapsedTimer clock;
    clock.start();
    while (!reader.opened() && clock.elapsed() < OpenWaitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (!reader.opened()) {
        err << "morvo3-events-host: the module's port did not open\n";
        return 2;
    }
    bool accepted = false;
    QObject::connect(&link, &TLink::passwordAccepted, [&] { accepted = true; });
    const QString password = parser.isSet("password") ? parser.value("password")
                                                       : QString::fromLatin1(Morvo3Config::DefaultModulePassword);
    Requests::SendLoginPassword(link, password);
    QTimer passwordTimer;
    QObject::connect(&passwordTimer, &QTimer::timeout, [&] { Requests::SendLoginPassword(link, password); });
    clock.restart();
    while (!accepted && clock.elapsed() < LoginWaitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    if (!accepted) {
        err << "morvo3-events-host: the module did not accept the password\n";
        return 2;
    }
    // As the program: the login repeats every 3 s while the list comes.
    passwordTimer.start(PasswordRepeatMs);

    // The stall probe: a precise 10 ms timer; lateness beyond its interval is
    // time the user-interface thread could not react.
    QElapsedTimer probeClock;
    qint64 lastProbe = -1;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.nsecsElapsed();
        if (lastProbe >= 0)
            longestGap = std::max(longestGap, now - lastProbe);
        lastProbe = now;
    });

    // Let the login's answer and any status settle, then fetch.
    qint64 inStart = 0, outStart = 0;
    QElapsedTimer fetchClock;
    QTimer::singleShot(1500, [&] {
        inStart = bytesIn;
        handlingNs = 0;
        outStart = bytesOut;
        probeClock.start();
        probe.start(ProbeIntervalMs);
        list.findChild<QSpinBox *>(QStringLiteral("ECount"))->setValue(count);
        fetchClock.start();
        list.RequestEventList();
    });
    QObject::connect(&list.Fetch(), &TEventFetch::finished, [&](TEventFetch::TState state) {
        const double seconds = fetchClock.nsecsElapsed() / 1e9;
        probe.stop();
        const double stallMs = std::max<qint64>(0, longestGap - qint64(ProbeIntervalMs) * 1000000) / 1e6;
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

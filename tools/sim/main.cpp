// morvo3-sim: a simulated GPRS Morvo3 module for runs without hardware, for the
// end-to-end tests and for the benchmarks.
//
//   morvo3-sim usb --link /tmp/morvo3-usb [--control /tmp/morvo3-ctl] [options]
//   morvo3-sim relay --port 3333 [--serial SN] [--rtt MS] [--control ...] [options]
//
// usb: the module appears as a serial port (a pseudo-terminal) reachable through
// the link path; the program finds it when MORVO3_EXTRA_PORTS names that path with
// the description "ZEHL USB DEVICE".
// relay: a relay server on 127.0.0.1 with the module behind it.

#include "SimControl.h"
#include "SimLine.h"
#include "SimModule.h"
#include "SimPty.h"
#include "SimRelay.h"

#include "Morvo3Config.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcSim, "morvo3.sim", QtWarningMsg)

namespace {
int g_signalPipe[2] = {-1, -1};   // self-pipe: the only way a signal handler may talk to the event loop

void onTerminationSignal(int)
{
    const char c = 1;
    [[maybe_unused]] const auto r = ::write(g_signalPipe[0], &c, 1);
}

bool readRate(const QCommandLineParser &parser, const QString &name, double *rate, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const double v = parser.value(name).toDouble(&ok);
    if (!ok || v < 0.0 || v > 1.0) {
        *error = QStringLiteral("--%1 takes a rate from 0 to 1").arg(name);
        return false;
    }
    *rate = v;
    return true;
}

bool readInt(const QCommandLineParser &parser, const QString &name, int lo, int hi, int *out, QString *error)
{
    if (!parser.isSet(name))
        return true;
    bool ok = false;
    const int v = parser.value(name).toInt(&ok, 0);
    if (!ok || v < lo || v > hi) {
        *error = QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(lo).arg(hi);
        return false;
    }
    *out = v;
    return true;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("morvo3-sim"));
    QTextStream err(stderr);
    QTextStream out(stdout);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated GPRS Morvo3 module"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("mode"), QStringLiteral("usb: appear as a serial port; relay: a relay server with the module behind it"));
    const QList<QCommandLineOption> options = {
        {QStringLiteral("link"), QStringLiteral("Path of the symbolic link to the serial port."), QStringLiteral("path")},
        {QStringLiteral("control"), QStringLiteral("Local socket for control commands."), QStringLiteral("path")},
        {QStringLiteral("image"), QStringLiteral("Load the parameter image from a .KVD file."), QStringLiteral("file")},
        {QStringLiteral("version-text"), QStringLiteral("Text of the version block."), QStringLiteral("text")},
        {QStringLiteral("id-string"), QStringLiteral("Identification string at the start of block 0."), QStringLiteral("text")},
        {QStringLiteral("password"), QStringLiteral("Module password (default: factory password)."), QStringLiteral("text")},
        {QStringLiteral("no-login"), QStringLiteral("Serve every request without a password login.")},
        {QStringLiteral("no-pacing"), QStringLiteral("Send at full speed instead of 19200 baud.")},
        {QStringLiteral("lose-rate"), QStringLiteral("Share of sent bytes that are lost."), QStringLiteral("r")},
        {QStringLiteral("corrupt-rate"), QStringLiteral("Share of sent bytes with one flipped bit."), QStringLiteral("r")},
        {QStringLiteral("delay-rate"), QStringLiteral("Share of sent bytes held back 5 to 40 ms."), QStringLiteral("r")},
        {QStringLiteral("bad-checksum"), QStringLiteral("Answer block N once with a wrong checksum."), QStringLiteral("n")},
        {QStringLiteral("wrong-block"), QStringLiteral("Answer block N as block N+1."), QStringLiteral("n")},
        {QStringLiteral("silent-after"), QStringLiteral("Never answer parameter blocks above N."), QStringLiteral("n")},
        {QStringLiteral("no-write-ack"), QStringLiteral("Never acknowledge block writes.")},
        {QStringLiteral("mute"), QStringLiteral("Answer nothing at all.")},
        {QStringLiteral("events"), QStringLiteral("Number of records in the event log (0-1000, default 20)."), QStringLiteral("n")},
        {QStringLiteral("status-interval"), QStringLiteral("Milliseconds between status reports (0: none)."), QStringLiteral("ms")},
        {QStringLiteral("text-interval"), QStringLiteral("Milliseconds between periodic state texts (0: none, the default)."), QStringLiteral("ms")},
        {QStringLiteral("seed"), QStringLiteral("Seed of the fault generator."), QStringLiteral("s")},
        {QStringLiteral("port"), QStringLiteral("relay: TCP port on 127.0.0.1 (0: any free one)."), QStringLiteral("n")},
        {QStringLiteral("serial"), QStringLiteral("relay: the module's serial number (default: any)."), QStringLiteral("sn")},
        {QStringLiteral("rtt"), QStringLiteral("relay: GPRS round-trip time in milliseconds."), QStringLiteral("ms")},
        {QStringLiteral("no-test-answer"), QStringLiteral("relay: never answer the test packet.")},
        {QStringLiteral("close-after"), QStringLiteral("relay: close each connection after S seconds."), QStringLiteral("s")},
    };
    parser.addOptions(options);
    parser.process(app);

    const QStringList positional = parser.positionalArguments();
    const bool relayMode = positional.size() == 1 && positional.at(0) == QLatin1String("relay");
    if (positional.size() != 1 || (positional.at(0) != QLatin1String("usb") && !relayMode)) {
        err << "morvo3-sim: give the mode \"usb\" or \"relay\"\n";
        return 2;
    }
    if (relayMode && !parser.isSet(QStringLiteral("port"))) {
        err << "morvo3-sim: --port N is required in relay mode\n";
        return 2;
    }
    if (!relayMode && !parser.isSet(QStringLiteral("link"))) {
        err << "morvo3-sim: --link PATH is required in usb mode\n";
        return 2;
    }

    QString error;
    SimFaults faults;
    SimModuleOptions moduleOptions;
    int seed = 1;
    bool ok = readRate(parser, QStringLiteral("lose-rate"), &faults.loseRate, &error)
        && readRate(parser, QStringLiteral("corrupt-rate"), &faults.corruptRate, &error)
        && readRate(parser, QStringLiteral("delay-rate"), &faults.delayRate, &error)
        && readInt(parser, QStringLiteral("bad-checksum"), 0, 255, &moduleOptions.badChecksumBlock, &error)
        && readInt(parser, QStringLiteral("wrong-block"), 0, 255, &moduleOptions.wrongBlock, &error)
        && readInt(parser, QStringLiteral("silent-after"), -1, 255, &moduleOptions.silentAfter, &error)
        && readInt(parser, QStringLiteral("events"), 0, SimModule::MaxEvents, &moduleOptions.eventCount, &error)
        && readInt(parser, QStringLiteral("status-interval"), 0, 3600000, &moduleOptions.statusIntervalMs, &error)
        && readInt(parser, QStringLiteral("text-interval"), 0, 3600000, &moduleOptions.textIntervalMs, &error)
        && readInt(parser, QStringLiteral("seed"), 0, 0x7FFFFFFF, &seed, &error);
    SimRelayOptions relayOptions;
    int relayPort = 0;
    ok = ok && readInt(parser, QStringLiteral("port"), 0, 65535, &relayPort, &error)
        && readInt(parser, QStringLiteral("rtt"), 0, 600000, &relayOptions.rttMs, &error)
        && readInt(parser, QStringLiteral("close-after"), 0, 86400, &relayOptions.closeAfterS, &error);
    relayOptions.port = quint16(relayPort);
    relayOptions.answerTest = !parser.isSet(QStringLiteral("no-test-answer"));
    if (ok && parser.isSet(QStringLiteral("serial"))) {
        // The device number is the last three hexadecimal characters of the serial number.
        const QString sn = parser.value(QStringLiteral("serial")).toUpper();
        QString digits;
        for (int i = sn.size() - 1; i >= 0 && digits.size() < 3; --i)
            if (QStringLiteral("0123456789ABCDEF").contains(sn.at(i)))
                digits.prepend(sn.at(i));
        relayOptions.moduleDevice = digits.size() == 3 ? digits.toInt(nullptr, 16) : 0;
        if (relayOptions.moduleDevice < 1) {
            error = QStringLiteral("--serial needs three hexadecimal digits at its end, not 000");
            ok = false;
        }
    }
    if (!ok) {
        err << "morvo3-sim: " << error << '\n';
        return 2;
    }
    if (parser.isSet(QStringLiteral("version-text")))
        moduleOptions.versionText = parser.value(QStringLiteral("version-text")).toLatin1();
    if (parser.isSet(QStringLiteral("id-string")))
        moduleOptions.idString = parser.value(QStringLiteral("id-string")).toLatin1();
    if (parser.isSet(QStringLiteral("password")))
        moduleOptions.password = parser.value(QStringLiteral("password")).toLatin1();
    moduleOptions.loginRequired = !parser.isSet(QStringLiteral("no-login"));
    moduleOptions.noWriteAck = parser.isSet(QStringLiteral("no-write-ack"));
    moduleOptions.mute = parser.isSet(QStringLiteral("mute"));

    if (parser.isSet(QStringLiteral("image"))) {
        QFile f(parser.value(QStringLiteral("image")));
        if (f.open(QIODevice::ReadOnly))
            moduleOptions.image = f.read(4096);
        if (moduleOptions.image.isEmpty()) {
            err << "morvo3-sim: cannot load the image " << f.fileName() << '\n';
            return 2;
        }
    }
    SimModule module(moduleOptions);

    const bool paced = !parser.isSet(QStringLiteral("no-pacing"));
    SimLine line(paced, faults, quint32(seed));
    // The program's bytes cross the same 19200 baud wire: a byte reaches the
    // module only when its wire time has passed, so paced timings count both
    // directions as a real cable does. Faults are injected on the module's side only.
    SimLine inbound(paced, SimFaults{}, quint32(seed) + 1);
    SimPty pty(relayMode ? QString() : parser.value(QStringLiteral("link")));
    line.setSink([&pty](const QByteArray &bytes) { pty.write(bytes); });
    inbound.setSink([&module](const QByteArray &bytes) { module.receive(bytes); });
    if (!relayMode)
        QObject::connect(&module, &SimModule::transmit, &line, &SimLine::send);
    QObject::connect(&pty, &SimPty::received, &inbound, &SimLine::send);
    QObject::connect(&pty, &SimPty::pluggedChanged, &module, [&](bool) {
        line.clear();
        inbound.clear();
        module.resetSession();
    });

    // Relay mode: GPRS does not run at the serial rate, so no pacing here; the
    // round trip is --rtt. Faults still apply to what the module sends.
    std::unique_ptr<SimRelay> relay;
    std::unique_ptr<SimLine> relayLine;
    if (relayMode) {
        relay = std::make_unique<SimRelay>(relayOptions, Morvo3Config::RelayKey);
        relayLine = std::make_unique<SimLine>(false, faults, quint32(seed));
        relayLine->setSink([&relay](const QByteArray &bytes) { relay->fromModule(bytes); });
        QObject::connect(&module, &SimModule::transmit, relayLine.get(), &SimLine::send);
        QObject::connect(relay.get(), &SimRelay::toModule, &module, &SimModule::receive);
        QObject::connect(relay.get(), &SimRelay::clientChanged, &module, [&] {
            relayLine->clear();
            module.resetSession();
        });
        QObject::connect(relay.get(), &SimRelay::note, &app, [&out](const QString &line) {
            out << "morvo3-sim: " << line << Qt::endl;
        });
    }
    SimControl *control = nullptr;
    if (parser.isSet(QStringLiteral("control"))) {
        control = new SimControl(parser.value(QStringLiteral("control")), [&](const QString &cmd) -> QString {
            if (relay && (cmd == QLatin1String("unplug") || cmd == QLatin1String("replug")
                          || cmd == QLatin1String("plugged")))
                return QStringLiteral("error not in relay mode");
            if (cmd == QLatin1String("unplug")) {
                pty.unplug();
                return QStringLiteral("ok");
            }
            if (cmd == QLatin1String("replug")) {
                QString why;
                return pty.plug(&why) ? QStringLiteral("ok") : QStringLiteral("error ") + why;
            }
            if (cmd == QLatin1String("plugged"))
                return pty.plugged() ? QStringLiteral("ok yes") : QStringLiteral("ok no");
            if (cmd == QLatin1String("stats") && relay)
                return QStringLiteral("ok ") + relay->stats();
            if (cmd == QLatin1String("stats")) {
                return QStringLiteral("ok sent=%1 lost=%2 corrupted=%3")
                    .arg(line.bytesSent()).arg(line.bytesLost()).arg(line.bytesCorrupted());
            }
            return module.control(cmd);
        }, &app);
        if (!control->listen(&error)) {
            err << "morvo3-sim: control channel: " << error << '\n';
            return 2;
        }
    }

    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        struct sigaction sa = {};
        sa.sa_handler = onTerminationSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        sigaction(SIGHUP, &sa, nullptr);
    }

    if (relay) {
        if (!relay->listen(&error)) {
            err << "morvo3-sim: relay server: " << error << '\n';
            return 2;
        }
        out << "morvo3-sim: relay server on port " << relay->port() << Qt::endl;
        const int rc = app.exec();
        relay.reset();
        return rc;
    }
    if (!pty.plug(&error)) {
        err << "morvo3-sim: " << error << '\n';
        return 2;
    }
    out << "morvo3-sim: module on " << pty.slaveName() << " via " << parser.value(QStringLiteral("link")) << Qt::endl;

    const int rc = app.exec();
    pty.unplug();
    return rc;
}

#include "CliTool.h"
#include "CliMonitor.h"
#include "CliEvents.h"
#include "CliLanguage.h"

#include "app/AppCore.h"
#include "link/Requests.h"
#include "params/FieldCatalogue.h"
#include "params/ModuleTransfer.h"
#include "transport/RelayConnection.h"
#include "transport/UsbTransport.h"

#include "Morvo3Config.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcCli, "morvo3.cli", QtWarningMsg)

namespace {

// How long the module may take to answer the first password pair.
constexpr int PasswordAnswerTicks = 30;
// How long to look for the module when no device is named.
constexpr int DefaultSearchSeconds = 10;
constexpr int TicksPerSecond = 1000 / TWaitContext::TickMs;

void printErr(const QString &line)
{
    std::fputs(line.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

void printOut(const QString &line)
{
    std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
}

int fail(const QString &reason)
{
    printErr(QStringLiteral("morvo3-cli: %1 %2\n").arg(CliLanguage::ErrorWord(), reason.simplified()));
    return Cli::ExitError;
}

// The command-line host of the module procedures: no editor (the image is the
// parameter set), progress and messages on stderr.
class TCliHost : public ITransferHost
{
public:
    TCliHost(TModuleSession &session, const QString &action, bool answerYes)
        : m_session(session), m_action(action), m_answerYes(answerYes), m_tty(::isatty(fileno(stderr)) != 0)
    {
    }

    QString lastMessage;

    bool TransportUp() override { return m_session.TransportUp(); }
    bool IpMode() override { return m_session.IsIpMode(); }
    bool RelayConnected() override { return m_session.RelayConnected(); }
    bool PingAndWait(int activityFlags) override { return m_session.PingAndWait(activityFlags); }
    void RefreshAndWait() override { m_session.RefreshAndWait(); }
    int ActivityFlags() override { return m_session.ActivityFlags(); }
    void SetProgressMaximum(int maximum) override { m_maximum = maximum; }
    void SetProgressPosition(int position) override
    {
        if (position == m_position)
            return;
        m_position = position;
        if (m_tty)
            printErr(QStringLiteral("\r%1 %2/%3").arg(m_action).arg(position).arg(m_maximum));
        else if (position > ModuleTransfer::ProgressLinkReady)
            printErr(QStringLiteral("."));
    }
    void SetProgressColor(TProgressColor color) override { m_red = color == TProgressColor::Red; }
    // Every message of the procedures comes before they give up: it is printed
    // once, as the reason in the error line.
    void ShowMessage(const QString &text) override { lastMessage = text; }
    bool AskYesCancel(const QString &text) override
    {
        if (!m_answerYes) {
            lastMessage = text + QStringLiteral(" (no; --yes reads anyway)");
            return false;
        }
        finishLine();
        printErr(QStringLiteral("morvo3-cli: %1 (--yes: reading anyway)\n").arg(text.simplified()));
        return true;
    }
    void EnableModuleCommands() override {}
    void DisableModuleCommands() override {}
    void BuildImageFromEditor(TParamImage &) override {}
    void LoadEditorFromImage(const TParamImage &) override {}

    void finishLine()
    {
        // Without a terminal the line holds one dot per block: none before the first block.
        if (m_tty ? m_position > 0 : m_position > ModuleTransfer::ProgressLinkReady)
            printErr(m_tty ? QStringLiteral(" %1\n").arg(m_red ? QStringLiteral("failed") : QStringLiteral("ok"))
                           : QStringLiteral("\n"));
        m_position = 0;
    }

private:
    TModuleSession &m_session;
    QString m_action;
    bool m_answerYes;
    bool m_tty;
    int m_maximum = ModuleTransfer::ProgressMaximum;
    int m_position = 0;
    bool m_red = false;
};

bool loadFile(const QString &path, TParamImage &image, bool acceptForeign, QString *error)
{
    QByteArray data;
    QString why;
    if (ReadParamFile(path, &data, &why) != TParamFileRead::Ok) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, why);
        return false;
    }
    if (!TParamImage::IsKvdHeader(data) && !acceptForeign) {
        *error = QStringLiteral("%1 is not a GPRS Morvo3 parameter file (header \"%2\"; --yes takes it anyway)")
                     .arg(path, QString::fromLatin1(TParamImage::KvdHeaderText(data)));
        return false;
    }
    image.ClearImage();
    image.LoadFileBytes(data);
    return true;
}

int dump(const QString &path, bool acceptForeign)
{
    TParamImage image;
    QString error;
    if (!loadFile(path, image, acceptForeign, &error))
        return fail(error);
    for (const QString &line : DumpImageFields(image))
        printOut(line);
    std::fflush(stdout);
    return Cli::ExitOk;
}

// Reason for a failed procedure, one line.
QString failureReason(TTransferOutcome outcome, const TModuleTransfer &transfer, const TCliHost &host)
{
    QString reason = TransferOutcomeName(outcome);
    if (outcome == TTransferOutcome::BlockFailed)
        reason = QStringLiteral("block %1 was not transferred").arg(transfer.lastGoodBlock() + 1);
    if (!host.lastMessage.isEmpty())
        reason += QStringLiteral(": ") + host.lastMessage;
    return reason;
}

// The module reached through the program's own session: its USB transport (the
// named device, or the search by description) or its relay connection, its
// frame routing and its login timer.
class TCliConnection
{
public:
    explicit TCliConnection(TAppCore &core) : m_core(core) {}
    ~TCliConnection()
    {
        m_core.Session.Shutdown();
    }

    // Empty when the module is reached and logged in; otherwise why not.
    QString ConnectUsb(const QString &device, int searchSeconds)
    {
        TUsbTransport::Options usb;
        usb.searchAtOnce = true;   // no reason to wait for the first periodic search
        usb.watchDevices = false;
        if (!device.isEmpty()) {
            const QString location = QFileInfo(device).absoluteFilePath();
            usb.lister = [location] { return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}}; };
        }
        m_core.Session.SetUsbTransportFactory([this, usb](QObject *parent) -> TModuleTransport * {
            auto *port = new TUsbTransport(m_core.Texts, usb, parent);
            QObject::connect(port, &TUsbTransport::openFailed, &m_core, [this](const QString &location) {
                m_failure = QStringLiteral("the module's port %1 was found but could not be opened").arg(location);
            });
            return port;
        });
        watchLoss();
        m_core.Session.EnterUsbMode(TModeSwitch::Tool);
        m_core.Wait.WaitFor(searchSeconds * TicksPerSecond,
                            [this] { return m_core.Session.TransportUp() || !m_failure.isEmpty(); });
        if (!m_core.Session.TransportUp()) {
            if (!m_failure.isEmpty())
                return m_failure;
            return !device.isEmpty()
                ? QStringLiteral("no module at %1").arg(device)
                : QStringLiteral("no module found (no port described \"%1\"; --device PATH names one)")
                      .arg(TCommunicator::DefaultDescription);
        }
        return LogIn();
    }

    QString ConnectRelay(const QString &hostAndPort, const QString &serial, const QString &serverPassword,
                         bool deviceGiven)
    {
        if (deviceGiven)
            return QStringLiteral("--device and --relay exclude each other");
        QString host = hostAndPort;
        const int colon = hostAndPort.lastIndexOf(QLatin1Char(':'));
        m_relay = std::make_unique<TRelayConnection>(m_core.Wait, m_core.Texts, Morvo3Config::RelayKey,
                                                     m_core.Session.ParameterTransferActive);
        if (colon >= 0) {
            host = hostAndPort.left(colon);
            if (!m_relay->SetServerPort(hostAndPort.mid(colon + 1)))
                return QStringLiteral("--relay: \"%1\" is not a port (1 to 65535)").arg(hostAndPort.mid(colon + 1));
        }
        if (host.isEmpty())
            return QStringLiteral("--relay needs a server address");
        TModuleSession::IpSteps steps;
        steps.pingAndWait = [this](int flags) { return m_relay->PingAndWait(std::uint8_t(flags)); };
        steps.refreshAndWait = [this] { m_relay->RefreshAndWait(); };
        steps.activityFlags = [this] { return m_relay->ActivityFlags(); };
        m_core.Session.SetRelayTransport(m_relay.get(), steps);
        // The relay's own lines (connecting, timeouts) explain a failure.
        QString lastLine;
        QObject::connect(m_relay.get(), &TRelayConnection::memoText, &m_core,
                         [&lastLine](MemoTarget, const QString &text, bool) { lastLine = text.simplified(); });
        QObject::connect(m_relay.get(), &TRelayConnection::gprsLine, &m_core,
                         [&lastLine](const QString &text) { lastLine = text.simplified(); });
        watchLoss();
        m_core.Session.EnterIpMode();
        m_core.Session.TimerConnectStatus.stop();
        const TRelayConnectResult result = m_relay->ConnectWithInputs(host, serial, serverPassword);
        QObject::disconnect(m_relay.get(), &TRelayConnection::memoText, &m_core, nullptr);
        QObject::disconnect(m_relay.get(), &TRelayConnection::gprsLine, &m_core, nullptr);
        // The session's link-state check is the window's; the tool logs in itself.
        m_core.Session.TimerConnectStatus.stop();
        if (result != TRelayConnectResult::Connected)
            return QStringLiteral("relay %1: %2").arg(hostAndPort, lastLine.isEmpty() ? QStringLiteral("cannot connect") : lastLine);
        return LogIn();
    }

private:
    void watchLoss()
    {
        QObject::connect(&m_core.Session, &TModuleSession::moduleLost, &m_core,
                         [this] { m_failure = QStringLiteral("the connection to the module was lost"); });
    }

    // Log in as the program does: the pair at once and again every 3 s.
    QString LogIn()
    {
        bool accepted = false;
        bool refused = false;
        QObject::connect(&m_core.Session, &TModuleSession::passwordAccepted, &m_core,
                         [&] { accepted = true; refused = false; });
        QObject::connect(&m_core.Session, &TModuleSession::passwordRequired, &m_core, [&] { refused = true; });
        m_core.Session.LoginNow();
        m_core.Wait.WaitFor(PasswordAnswerTicks, [&] { return accepted; });
        QObject::disconnect(&m_core.Session, &TModuleSession::passwordAccepted, &m_core, nullptr);
        QObject::disconnect(&m_core.Session, &TModuleSession::passwordRequired, &m_core, nullptr);
        if (!accepted && refused)
            return QStringLiteral("the module did not accept the password");
        return QString();
    }

    TAppCore &m_core;
    std::unique_ptr<TRelayConnection> m_relay;
    QString m_failure;
};

} // namespace

int Cli::Run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads, writes and compares the parameters of a GPRS Morvo3 module over USB or the IP relay.\n"
        "Commands:\n"
        "  read --out FILE.KVD   read the module's parameters into a file\n"
        "  write FILE.KVD        write a parameter file into the module\n"
        "  compare FILE.KVD      compare a parameter file with the module (exit 1 when different)\n"
        "  dump FILE.KVD         print every field of a parameter file\n"
        "  status [--json]       one status snapshot: zones, relays, armed state, GSM level, state texts\n"
        "  relay 1|2 on|off      switch a relay and wait until a status report confirms it\n"
        "  events [--count N] --out FILE.txt|.csv|.xls   the N (8-1000, default 50) latest event records into a file"));
    parser.addHelpOption();
    const QCommandLineOption deviceOption(QStringLiteral("device"),
        QStringLiteral("Serial device of the module (default: search for it)."), QStringLiteral("PATH"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
        QStringLiteral("Module password (default: the factory password)."), QStringLiteral("PASSWORD"));
    const QCommandLineOption outOption(QStringLiteral("out"),
        QStringLiteral("File that read writes."), QStringLiteral("FILE"));
    const QCommandLineOption searchOption(QStringLiteral("search-time"),
        QStringLiteral("Seconds to look for the module (default %1).").arg(DefaultSearchSeconds), QStringLiteral("S"));
    const QCommandLineOption timingOption(QStringLiteral("timing"),
        QStringLiteral("Print how long the module procedure took and the bytes it exchanged."));
    const QCommandLineOption yesOption(QStringLiteral("yes"),
        QStringLiteral("Read from a module, or take a file, with another identification string anyway."));
    const QCommandLineOption relayOption(QStringLiteral("relay"),
        QStringLiteral("Reach the module through the IP relay server HOST (port 3333 unless given)."),
        QStringLiteral("HOST[:PORT]"));
    const QCommandLineOption serialOption(QStringLiteral("serial"),
        QStringLiteral("The module's serial number (with --relay)."), QStringLiteral("SN"));
    const QCommandLineOption serverPasswordOption(QStringLiteral("server-password"),
        QStringLiteral("The relay server's login password, as typed on the connection page (with --relay)."),
        QStringLiteral("PW"));
    parser.addOptions({deviceOption, passwordOption, outOption, searchOption, timingOption, yesOption, relayOption,
                       serialOption, serverPasswordOption});
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("status: one JSON object."));
    parser.addOption(jsonOption);
    const QCommandLineOption countOption(QStringLiteral("count"),
        QStringLiteral("events: how many of the latest records (8 to 1000, default 50)."), QStringLiteral("N"));
    parser.addOption(countOption);
    const QCommandLineOption langOption(QStringLiteral("lang"),
        QStringLiteral("Language of the messages: hu, en, sk or ro (default: the program's setting)."),
        QStringLiteral("CODE"));
    parser.addOption(langOption);
    QString langError;
    if (!CliLanguage::Select(arguments, CliLanguage::DefaultSettingsPath(), &langError))
        return fail(langError);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("read, write, compare, dump, status or relay"));
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("parameter file (.KVD)"));

    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return ExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QStringLiteral("no command given (read, write, compare, dump, status or relay; --help)"));
    const QString command = positional.at(0);
    const bool answerYes = parser.isSet(yesOption);

    QString file;
    int relayNumber = 0;
    bool relayOn = false;
    int eventCount = 0;
    if (command == QLatin1String("read")) {
        if (positional.size() != 1)
            return fail(QStringLiteral("read takes no file argument; use --out FILE"));
        file = parser.value(outOption);
        if (file.isEmpty())
            return fail(QStringLiteral("read needs --out FILE"));
    } else if (command == QLatin1String("write") || command == QLatin1String("compare")
               || command == QLatin1String("dump")) {
        if (positional.size() != 2)
            return fail(QStringLiteral("%1 needs exactly one file").arg(command));
        file = positional.at(1);
        if (parser.isSet(outOption))
            return fail(QStringLiteral("--out belongs to read"));
    } else if (command == QLatin1String("status")) {
        if (positional.size() != 1)
            return fail(QStringLiteral("status takes no argument"));
    } else if (command == QLatin1String("relay")) {
        QString error;
        if (!CliMonitor::ParseRelayArguments(positional.mid(1), &relayNumber, &relayOn, &error))
            return fail(error);
    } else if (command == QLatin1String("events")) {
        QString error;
        file = parser.value(outOption);
        if (positional.size() != 1)
            return fail(QStringLiteral("events takes no argument; use --count N --out FILE"));
        if (!CliEvents::ParseCount(parser.value(countOption), parser.isSet(countOption), &eventCount, &error)
            || !CliEvents::CheckOutFile(file, &error))
            return fail(error);
    } else {
        return fail(QStringLiteral("unknown command \"%1\" (read, write, compare, dump, status or relay)").arg(command));
    }
    if (parser.isSet(countOption) && command != QLatin1String("events"))
        return fail(QStringLiteral("--count belongs to events"));
    if (parser.isSet(jsonOption) && command != QLatin1String("status"))
        return fail(QStringLiteral("--json belongs to status"));

    if (command == QLatin1String("dump"))
        return dump(file, answerYes);

    int searchSeconds = DefaultSearchSeconds;
    if (parser.isSet(searchOption)) {
        bool ok = false;
        searchSeconds = parser.value(searchOption).toInt(&ok);
        if (!ok || searchSeconds < 0 || searchSeconds > 3600)
            return fail(QStringLiteral("--search-time takes 0 to 3600 seconds"));
    }

    TAppCore core;
    CliLanguage::Apply(core.Texts);
    if (parser.isSet(passwordOption))
        core.Session.ModulePassword = parser.value(passwordOption);

    const bool live = command == QLatin1String("status") || command == QLatin1String("relay")
        || command == QLatin1String("events");
    // The file first: a bad file should not cost a module connection.
    if (command != QLatin1String("read") && !live) {
        QString error;
        if (!loadFile(file, core.Image, answerYes, &error))
            return fail(error);
    }

    TCliConnection connection(core);
    const QString failure = parser.isSet(relayOption)
        ? connection.ConnectRelay(parser.value(relayOption), parser.value(serialOption),
                                  parser.value(serverPasswordOption), parser.isSet(deviceOption))
        : connection.ConnectUsb(parser.isSet(deviceOption) ? parser.value(deviceOption) : QString(), searchSeconds);
    if (!failure.isEmpty())
        return fail(failure);

    if (live) {
        QTextStream out(stdout);
        QTextStream err(stderr);
        if (command == QLatin1String("events")) {
            bool lost = false;
            QObject::connect(&core.Session, &TModuleSession::moduleLost, &core, [&lost] { lost = true; });
            return CliEvents::RunEvents(core.Link, core.Wait, core.Texts, eventCount, file, [&lost] { return lost; },
                                        err);
        }
        return command == QLatin1String("status")
            ? CliMonitor::RunStatus(core.Link, core.Wait, core.Texts, parser.isSet(jsonOption), out, err)
            : CliMonitor::RunRelay(core.Link, core.Wait, relayNumber, relayOn, out, err);
    }

    TCliHost host(core.Session, command, answerYes);
    TModuleTransfer transfer(core.Wait, core.Texts, core.Image, core.Link, core.Session.ParameterTransferActive, host);
    // Runs one procedure, closes its progress line and, with --timing, reports
    // its time and the bytes it exchanged.
    const auto runProcedure = [&](TTransferOutcome (TModuleTransfer::*procedure)()) {
        const qint64 outBefore = core.Session.BytesOut;
        const qint64 inBefore = core.Session.BytesIn;
        QElapsedTimer clock;
        clock.start();
        const TTransferOutcome outcome = (transfer.*procedure)();
        host.finishLine();
        if (parser.isSet(timingOption)) {
            printErr(QStringLiteral("morvo3-cli: timing: %1 %2 s, %3 bytes out, %4 bytes in\n")
                         .arg(command).arg(clock.nsecsElapsed() / 1e9, 0, 'f', 4)
                         .arg(core.Session.BytesOut - outBefore).arg(core.Session.BytesIn - inBefore));
        }
        return outcome;
    };

    if (command == QLatin1String("read")) {
        const TTransferOutcome outcome = runProcedure(&TModuleTransfer::spbReadModuleClick);
        if (outcome != TTransferOutcome::Success)
            return fail(failureReason(outcome, transfer, host));
        QString error;
        if (!WriteParamFile(file, core.Image, &error))
            return fail(QStringLiteral("cannot save %1: %2").arg(file, error));
        return ExitOk;
    }
    if (command == QLatin1String("write")) {
        const TTransferOutcome outcome = runProcedure(&TModuleTransfer::spbWriteModuleClick);
        return outcome == TTransferOutcome::Success ? int(ExitOk) : fail(failureReason(outcome, transfer, host));
    }

    // compare: the whole module, every difference named.
    const QByteArray fileImage(reinterpret_cast<const char *>(core.Image.bytes), ParamImage::ImageLength);
    transfer.setCompareWholeImage(true);
    const TTransferOutcome outcome = runProcedure(&TModuleTransfer::spbCompareDataClick);
    if (outcome == TTransferOutcome::Success)
        return ExitOk;
    if (outcome != TTransferOutcome::Different)
        return fail(failureReason(outcome, transfer, host));
    for (const QString &line : DescribeImageDifferences(fileImage, transfer.TransferBuffer()))
        printOut(line);
    std::fflush(stdout);
    return ExitDifferent;
}

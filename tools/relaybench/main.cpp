// morvo3-relay-bench: runs the program's own parameter read (TModuleTransfer)
// through the IP relay connection, with the relay steps of IP mode filled in by
// the connection itself, and prints how long it took. Used by bench/relay; not
// a test.
//
//   morvo3-relay-bench --port N [--server 127.0.0.1] [--serial ABC] [--runs N]

#include "app/AppCore.h"
#include "params/ModuleTransfer.h"
#include "transport/RelayConnection.h"

#include "Morvo3Config.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

namespace {
// A host without windows: IP mode, the relay's own waits.
class TRelayHost : public ITransferHost
{
public:
    explicit TRelayHost(TRelayConnection &relay) : m_relay(relay) {}

    int PingWaits = 0;
    int RefreshWaits = 0;
    QStringList Messages;

    bool TransportUp() override { return m_relay.IsUp(); }
    bool IpMode() override { return true; }
    bool RelayConnected() override { return m_relay.Connected; }
    bool PingAndWait(int activityFlags) override
    {
        ++PingWaits;
        return m_relay.PingAndWait(std::uint8_t(activityFlags));
    }
    void RefreshAndWait() override
    {
        ++RefreshWaits;
        m_relay.RefreshAndWait();
    }
    int ActivityFlags() override { return m_relay.ActivityFlags(); }

    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressColor(TProgressColor) override {}
    void ShowMessage(const QString &text) override { Messages << text; }
    bool AskYesCancel(const QString &) override { return false; }
    void EnableModuleCommands() override {}
    void DisableModuleCommands() override {}
    void BuildImageFromEditor(TParamImage &) override {}
    void LoadEditorFromImage(const TParamImage &) override {}

private:
    TRelayConnection &m_relay;
};
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Relay server port."), QStringLiteral("n")},
        {QStringLiteral("server"), QStringLiteral("Relay server address."), QStringLiteral("host"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("serial"), QStringLiteral("Module serial number."), QStringLiteral("sn"), QStringLiteral("ABC")},
        {QStringLiteral("runs"), QStringLiteral("Number of reads."), QStringLiteral("n"), QStringLiteral("1")},
    });
    parser.process(app);
    bool ok = false;
    const int port = parser.value(QStringLiteral("port")).toInt(&ok);
    const int runs = qMax(1, parser.value(QStringLiteral("runs")).toInt());
    if (!ok || port < 1 || port > 65535) {
        err << "morvo3-relay-bench: --port N is required\n";
        return 2;
    }

    TAppCore core;
    TRelayConnection relay(core.Wait, core.Texts, Morvo3Config::RelayKey, core.ParameterTransferActive);
    relay.SetServerPort(quint16(port));
    core.Link.setTransmitter([&relay](const QByteArray &frame) { return relay.Write(frame); });
    QObject::connect(&relay, &TModuleTransport::bytesReceived, &core.Link, &TLink::ReceiveLinkBytes);

    // Any 20-digit server password will do for the simulated server.
    const TRelayConnectResult result = relay.ConnectWithInputs(parser.value(QStringLiteral("server")),
                                                               parser.value(QStringLiteral("serial")),
                                                               QStringLiteral("01") + QString(18, QLatin1Char('0')));
    if (result != TRelayConnectResult::Connected) {
        err << "morvo3-relay-bench: error: cannot connect to the relay server\n";
        return 2;
    }

    int failures = 0;
    for (int i = 0; i < runs; ++i) {
        TRelayHost host(relay);
        TModuleTransfer transfer(core.Wait, core.Texts, core.Image, core.Link, core.ParameterTransferActive, host);
        QElapsedTimer t;
        t.start();
        const TTransferOutcome outcome = transfer.spbReadModuleClick();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        out << "read " << TransferOutcomeName(outcome) << ' ' << QString::number(seconds, 'f', 3) << " s pings="
            << host.PingWaits << " refreshes=" << host.RefreshWaits << Qt::endl;
        if (outcome != TTransferOutcome::Success)
            ++failures;
    }
    relay.DisconnectFromServer();
    core.Link.setTransmitter({});
    return failures == 0 ? 0 : 1;
}

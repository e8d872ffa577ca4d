#pragma once
// The IP relay connection: the TCP session with the relay server, its timers and
// flags, the connect and disconnect procedures behind the connection page, and
// the waits the module procedures use in IP mode. It is the IP-mode transport of
// the module session: Write() sends a wire frame as its two relay packets, and
// bytesReceived() carries the link bytes the module sent.

#include "link/MemoTarget.h"
#include "link/ModuleTransport.h"
#include "transport/RelayProtocol.h"

#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <cstdint>

class TWaitContext;
class Morvo3Texts;

// Checks of the connection page's inputs, without any window.
namespace RelayInput {
// Upper-case '0'..'9' and 'A'..'F' only; everything else (lower case included) is dropped.
QString FilterPassword(const QString &password);
// From a filtered 20-digit password: value(d1) + 16 × (16 − value(d2)); -1 for another length.
int AccountFromPassword(const QString &filteredPassword);
// The last three hexadecimal characters of the upper-cased serial number as one
// number; -1 with fewer than three.
int DeviceFromSerial(const QString &serial);

enum class TCheck { Ok, GivePasswordFirst, InvalidPassword, InvalidSerial };
struct TCheckResult
{
    TCheck check = TCheck::Ok;
    int account = -1;
    int device = -1;
    // Catalogue key of the message for MemoGPRS (empty when Ok), and the pause
    // that comes before it.
    QString messageKey;
    int pauseMs = 0;
};
// password: the one the connect uses (the page has already chosen between the
// typed and the stored one).
TCheckResult CheckConnectInputs(const QString &password, const QString &serial);
}

enum class TRelayIndicator { NONE, SEARCH };

enum class TRelayConnectResult {
    Connected,
    GivePasswordFirst,
    InvalidPassword,
    InvalidSerial,
    Failed,      // no session, or no test answer, within its wait
    Busy,        // a connect runs already
};

class TRelayConnection : public TModuleTransport
{
    Q_OBJECT
public:
    static constexpr int RemoteConnIntervalMs = 250;
    static constexpr int DecreaseIntervalMs = 1000;
    static constexpr int KeepAliveSeconds = 30;         // test packet after this long without traffic
    static constexpr int FirstKeepAliveSeconds = 10;
    static constexpr int RefreshTicks = 40;             // 10 s of RemoteConnTimer ticks
    static constexpr int FirstRefreshTicks = 2;         // 0.5 s after the connect
    static constexpr int AnnounceRefreshTicks = 100;    // 25 s: the next refresh after an announcement
    static constexpr int ConnectPollMs = 100;
    static constexpr int ConnectPolls = 200;            // 20 s for the session, 20 s for the test answer
    static constexpr int ReopenPauseMs = 200;
    static constexpr int LeavePauseFirstMs = 200;
    static constexpr int LeavePauseSecondMs = 400;
    static constexpr int PingWaitTicks = 50;            // 5 s per ping
    static constexpr int PingAttempts = 6;
    static constexpr int AnnouncePauseMs = 200;
    static constexpr int RefreshAnswerPolls = 30;       // 6 s of 200 ms
    static constexpr int InvalidPasswordPauseMs = 1000;
    static constexpr int InvalidSerialPauseMs = 500;
    static constexpr quint16 DefaultServerPort = 3333;

    // relayKey: the 16 bytes shared with the relay server (normally Morvo3Config::RelayKey).
    // parameterTransferActive: the main window's flag; while set the activity flags are 7.
    TRelayConnection(TWaitContext &wait, Morvo3Texts &texts, const std::uint8_t relayKey[16],
                     bool &parameterTransferActive, QObject *parent = nullptr);
    ~TRelayConnection() override;

    // TModuleTransport. Open() only reports whether the session is open (the
    // connect button makes it); Close() drops the session at once without the
    // leave pings (safe inside a signal); IsUp() is Connected; Write() sends a
    // wire frame as two relay packets.
    bool Open() override;
    void Close() override;
    // DisconnectFromServer when a session is open or opening; nothing otherwise
    // (no leave pings and no pauses for a server never reached).
    void Disconnect() override;
    bool IsUp() const override { return Connected; }
    bool Write(const QByteArray &wireFrame) override;

    // The connect button without its window parts: input checks, then
    // ConnectToServer; on failure the full disconnect and "Unable to connect!".
    // password is the one chosen by the page (typed and confirmed, or stored).
    // connectStarted() is emitted once the inputs are good, right before the
    // session is opened, so the page can swap its buttons.
    TRelayConnectResult ConnectWithInputs(const QString &serverAddress, const QString &serialNr,
                                          const QString &password);
    bool ConnectToServer(const QString &address, int account, int pcDevice, int moduleDevice);
    void DisconnectFromServer();

    bool PingAndWait(std::uint8_t flags);
    void RefreshAndWait();
    void AnnounceViewChange();
    void WaitMs(int ms);

    void SendWireFrame(const QByteArray &frame);
    // flags 0: the current ActivityFlags().
    void SendPing(std::uint8_t flags);
    void SendRefresh();
    void SendConnectPacket();
    void SendTestPacket();
    int ActivityFlags() const;

    // What the user is looking at, for the activity flags.
    void SetStatusPageShown(bool shown) { m_statusPageShown = shown; }
    void SetDetailsVisible(bool visible) { m_detailsVisible = visible; }
    void SetServerPort(quint16 port) { m_serverPort = port; }
    // The port text of the command line; false (port unchanged) unless 1..65535.
    bool SetServerPort(const QString &portText);
    quint16 ServerPort() const { return m_serverPort; }
    // Where the connect packet's and test packet's random bytes come from (tests).
    void SetRandomSource(std::function<std::uint8_t()> source) { m_protocol.SetRandomSource(std::move(source)); }

    // Relay state (read by the module procedures' waits).
    bool Connected = false;
    bool TestAnswered = false;
    bool PingAnswered = false;
    bool RefreshBusy = false;

    int refreshCountdown() const { return m_refreshCountdown; }
    int keepAliveCountdown() const { return m_keepAliveCountdown; }
    const TRelayProtocol &protocol() const { return m_protocol; }
    QTcpSocket &socket() { return m_socket; }

    // Children of the connection, so the diagnostic timers panel finds them by name.
    QTimer RemoteConnTimer{this};
    QTimer DecreaseTimer{this};

signals:
    // Queued memo text (connect to TMemoWriter::QueueMemoText).
    void memoText(MemoTarget memo, const QString &text, bool force);
    // A line added to MemoGPRS directly, without the queue.
    void gprsLine(const QString &line);
    void indicator(TRelayIndicator state);
    // The inputs were good; the session is being opened now.
    void connectStarted();

private:
    void onConnected();
    void onDisconnected();
    void onStateChanged(QAbstractSocket::SocketState state);
    void onReadyRead();
    void onRemoteConnTick();
    void onDecreaseTick();
    void sendUnit(const QByteArray &bytes);
    bool waitPolls(int polls, int pollMs, const bool &flag);
    void memo(MemoTarget target, const QString &text, bool force = true);

    TWaitContext &m_wait;
    Morvo3Texts &m_texts;
    bool &m_parameterTransferActive;
    TRelayProtocol m_protocol;
    QTcpSocket m_socket{this};
    quint16 m_serverPort = DefaultServerPort;
    int m_refreshCountdown = 0;
    std::uint8_t m_keepAliveCountdown = 0;
    bool m_statusPageShown = false;
    bool m_detailsVisible = false;
    // Set while we close the session ourselves: the closing is then not a loss.
    bool m_closingByUs = false;
    bool m_connecting = false;
};

#pragma once
// The relay server's side, with the simulated module behind it: accepts the
// program's TCP connection, learns its address from the connect packet, answers
// the test packet, answers pings, sends an echo request now and then and checks
// the reply, and carries link frames both ways inside relay packets. Written
// apart from the program's relay code on purpose, so that a fault on one side
// shows up as a failed exchange instead of cancelling out.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>

class QTcpServer;
class QTcpSocket;

struct SimRelayOptions
{
    quint16 port = 3333;
    int moduleDevice = -1;      // from --serial; -1: the module answers to any device number
    int rttMs = 0;              // GPRS round trip between the server and the module
    bool answerTest = true;
    int closeAfterS = 0;        // close each connection this long after it was accepted (0: never)
    int echoIntervalMs = 20000; // echo requests, the first one 1 s after the test answer
};

class SimRelay : public QObject
{
    Q_OBJECT
public:
    SimRelay(const SimRelayOptions &options, const std::uint8_t relayKey[16], QObject *parent = nullptr);
    ~SimRelay() override;

    bool listen(QString *error);
    quint16 port() const;

    // Wire bytes the module sends (whole 18-byte frames).
    void fromModule(const QByteArray &wireBytes);

    QString stats() const;

signals:
    // A link frame for the module.
    void toModule(const QByteArray &wireFrame);
    // A new program connection: the module starts a new session.
    void clientChanged();
    // One line for the simulator's output (echo checks, connects).
    void note(const QString &line);

private:
    void onNewConnection();
    void onReadyRead();
    void dropClient();
    void receiveByte(std::uint8_t b);
    void handle(const QByteArray &plain);
    void sendPlain(const QByteArray &plain);
    void sendRaw(const QByteArray &bytes);
    QByteArray packet(std::uint8_t command, std::uint8_t length, std::uint8_t type, std::uint8_t p0,
                      std::uint8_t p1, std::uint8_t p2);
    void later(int ms, std::function<void()> action);
    void runDue();
    void sendEchoRequest();

    SimRelayOptions m_options;
    std::uint8_t m_relayKey[16];
    std::uint8_t m_sessionKey[16] = {};
    bool m_session = false;
    std::uint32_t m_pcAddress = 0;
    std::uint32_t m_moduleAddress = 0;
    std::uint8_t m_counter = 0;
    std::uint8_t m_window[18] = {};
    int m_linkLength = -1;          // link payload being assembled (-1: none)
    QByteArray m_linkPayload;
    QByteArray m_moduleBytes;       // module output not yet a whole frame
    QByteArray m_echoExpected;

    QTcpServer *m_server = nullptr;
    QPointer<QTcpSocket> m_client;
    quint64 m_generation = 0;       // bumps with every client: late actions of an old one are dropped
    QTimer m_closeTimer;
    QTimer m_echoTimer;

    struct Pending
    {
        qint64 due;
        quint64 generation;
        std::function<void()> action;
    };
    std::deque<Pending> m_pending;
    QTimer m_pendingTimer;
    QElapsedTimer m_clock;

    // counters for "stats"
    int m_connects = 0;
    int m_tests = 0;
    int m_pings = 0;
    int m_presences = 0;
    int m_framesToModule = 0;
    int m_framesFromModule = 0;
    int m_echoOk = 0;
    int m_echoBad = 0;
};

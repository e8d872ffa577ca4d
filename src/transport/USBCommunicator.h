#pragma once
// The USB reader: finds the module's USB serial port by its exact description,
// opens it (19200 baud 8N1, no flow control) and hands every received byte, in
// order, to a callback on the user-interface thread.
//
// Reading happens through QSerialPort's readyRead on the user-interface thread:
// the notifications keep the bytes in order and nothing polls, so no reader thread
// and no cross-thread queue are needed.

#include "transport/USBPorts.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QSerialPort;

class TCommunicator : public QObject
{
    Q_OBJECT
public:
    static constexpr int SearchIntervalMs = 1000;
    static constexpr int OpenAttempts = 6;
    static constexpr int DefaultBaudRate = 19200;
    static constexpr int WriteTimeoutMs = 50;
    static inline const QString DefaultDescription = QStringLiteral("ZEHL USB DEVICE");

    using PortLister = std::function<QList<TPortEntry>()>;
    using DataCallback = std::function<void(const QByteArray &bytes)>;

    // description: empty means DefaultDescription. lister: empty means the
    // system's ports plus MORVO3_EXTRA_PORTS. The search starts at once.
    explicit TCommunicator(QObject *owner, const QString &description = QString(),
                           int baudRate = DefaultBaudRate, PortLister lister = PortLister());
    ~TCommunicator() override;

    void SetOnData(DataCallback callback);
    // Runs one search now instead of waiting for the first timer tick; for
    // tools that want the module as soon as it is there.
    void SearchNow() { Search(); }
    // Opens the matched port; does nothing when none is matched or one is open.
    void OpenDevice();
    // Stops the search and closes the port. Returns 0.
    int CloseDevice();
    // Returns the number of bytes written, 0 when no port is open or on an error.
    qint64 WriteData(const QByteArray &bytes);

    // A matching port is open.
    bool opened() const { return m_opened; }
    QString description() const { return m_description; }
    // System location of the open port; empty when none is open.
    QString location() const { return m_opened ? m_location : QString(); }
    bool searching() const { return SearchTimer.isActive(); }

    QTimer SearchTimer;

signals:
    void deviceOpened(const QString &location);
    // The port was matched but all open attempts failed; emitted once per port
    // for the life of this reader while the search goes on.
    void openFailed(const QString &location);
    // A read error or hang-up on the open port (cable pulled): the port has been
    // closed and the reader stays closed; treat it as a removal.
    void deviceLost();

private:
    void Search();
    void onReadyRead();
    void onPortError(int error);

    QString m_description;
    int m_baudRate;
    PortLister m_lister;
    DataCallback m_onData;
    QSerialPort *m_port;
    QString m_location;          // matched port, empty = none
    bool m_opened = false;
    bool m_lost = false;
    QStringList m_reportedFailures;
};

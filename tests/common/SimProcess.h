#pragma once
// Test fixture: runs the simulated module (morvo3-sim) as a child process on a
// link path inside its own temporary directory, waits until the port is there,
// and talks to its control channel. One object = one module; it is stopped when
// the object goes away.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class SimProcess
{
public:
    static constexpr int StartTimeoutMs = 10000;
    static constexpr int ControlTimeoutMs = 5000;
    static inline const QString ModuleDescription = QStringLiteral("ZEHL USB DEVICE");

    SimProcess();
    ~SimProcess();
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // The simulator's path from the build (MORVO3_SIM_PATH); empty when not built.
    static QString executable();

    // Starts "morvo3-sim usb --link <linkPath> --control <controlPath> <options>" and
    // waits until the link exists. False (with the reason in lastError()) otherwise.
    bool start(const QStringList &options = QStringList());
    // Starts "morvo3-sim relay --port 0 --control <controlPath> <options>" and waits
    // until it names the port it listens on (relayPort()).
    bool startRelay(const QStringList &options = QStringList());
    quint16 relayPort() const { return m_relayPort; }
    void stop();
    bool running() const;
    qint64 processId() const { return m_process.processId(); }

    QString linkPath() const;
    QString controlPath() const;
    // "PATH=DESCRIPTION" for MORVO3_EXTRA_PORTS.
    QString extraPortsEntry(const QString &description = ModuleDescription) const;

    // Sends one control line and returns the reply line ("ok ..." / "error ...");
    // empty when the channel did not answer.
    QString control(const QString &line);
    // control() == "ok" or starts with "ok ".
    bool controlOk(const QString &line);

    // Waits (pumping events) until the link path exists (present) or is gone.
    bool waitForLink(bool present, int timeoutMs = StartTimeoutMs);

    QString lastError() const { return m_lastError; }
    // Everything the simulator printed so far, for failure messages.
    QString output();

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_lastError;
    QString m_output;
    quint16 m_relayPort = 0;
};

#pragma once
// Arrival and removal of serial port devices: the operating system's hot-plug
// notices for the "tty" subsystem (udev), plus the appearing and disappearing of
// the ports named in MORVO3_EXTRA_PORTS (checked every second). Where no hot-plug
// notices can be had (built without libudev, no udev daemon running, as in many
// containers, or the monitor cannot be created) the system's serial port list is
// compared every second instead, so a replugged module is still found. Only
// reports; the main window decides what to do, and only in USB mode.

#include <QObject>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QSocketNotifier;

class TDeviceWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int ExtraPortCheckMs = 1000;
    // The system locations of the serial ports present right now.
    using PortLister = std::function<QStringList()>;

    // Hot-plug notices when the system gives them, the port list every second otherwise.
    explicit TDeviceWatcher(QObject *parent = nullptr);
    // Never asks for hot-plug notices: compares systemPorts' answer every second.
    explicit TDeviceWatcher(PortLister systemPorts, QObject *parent = nullptr);
    ~TDeviceWatcher() override;

    bool systemNoticesAvailable() const { return m_udevMonitor != nullptr; }
    bool pollingSystemPorts() const { return bool(m_systemPorts); }
    // The system's serial ports as QSerialPortInfo lists them.
    static QStringList SystemPortLocations();
    QTimer ExtraPortTimer;

signals:
    void deviceArrived(const QString &path);
    void deviceRemoved(const QString &path);

public slots:
    // Compares the present extra ports with the last check.
    void CheckExtraPorts();
    // Compares the system's port list with the last check (only while polling).
    void CheckSystemPorts();
    // Both of the above: the timer's tick.
    void CheckPorts();

private:
    void startChecking();
    QHash<QString, QString> presentSystemPorts() const;
    // Tells the paths that went or came since known, and remembers now.
    void ReportChanges(QHash<QString, QString> &known, const QHash<QString, QString> &now);
    void onUdevEvent();

    struct udev *m_udev = nullptr;
    struct udev_monitor *m_udevMonitor = nullptr;
    QSocketNotifier *m_udevNotifier = nullptr;
    // Present extra ports and the identity of what each path leads to: a port that
    // went away and came back between two checks has a new identity.
    QHash<QString, QString> m_presentExtra;
    // Set only while the system's port list is polled.
    PortLister m_systemPorts;
    QHash<QString, QString> m_presentSystem;
};

#pragma once
// Arrival and removal of serial port devices: the operating system's hot-plug
// notices for the "tty" subsystem (udev), plus the appearing and disappearing of
// the ports named in MORVO3_EXTRA_PORTS (checked every second). Only reports;
// the main window decides what to do, and only in USB mode.

#include <QObject>
#include <QHash>
#include <QString>
#include <QTimer>

class QSocketNotifier;

class TDeviceWatcher : public QObject
{
    Q_OBJECT
public:
    static constexpr int ExtraPortCheckMs = 1000;

    explicit TDeviceWatcher(QObject *parent = nullptr);
    ~TDeviceWatcher() override;

    bool systemNoticesAvailable() const { return m_udevMonitor != nullptr; }
    QTimer ExtraPortTimer;

signals:
    void deviceArrived(const QString &path);
    void deviceRemoved(const QString &path);

public slots:
    // Compares the present extra ports with the last check; also run by the timer.
    void CheckExtraPorts();

private:
    void onUdevEvent();

    struct udev *m_udev = nullptr;
    struct udev_monitor *m_udevMonitor = nullptr;
    QSocketNotifier *m_udevNotifier = nullptr;
    // Present extra ports and the identity of what each path leads to: a port that
    // went away and came back between two checks has a new identity.
    QHash<QString, QString> m_presentExtra;
};

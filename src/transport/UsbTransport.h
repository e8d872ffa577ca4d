#pragma once
// The USB cable as a module transport: the device watcher and the USB reader
// together. While open it keeps one reader looking for the module's port; a
// device that comes or goes is followed here, so the session only hears "up",
// "lost" and "looking again".

#include "link/ModuleTransport.h"
#include "transport/USBCommunicator.h"

#include <QPointer>

class Morvo3Texts;
class TDeviceWatcher;

class TUsbTransport : public TModuleTransport
{
    Q_OBJECT
public:
    struct Options
    {
        // Empty: the system's ports plus MORVO3_EXTRA_PORTS.
        TCommunicator::PortLister lister;
        // Look for the port at once instead of at the reader's first tick
        // (tools that want the module as soon as it is there).
        bool searchAtOnce = false;
        // Follow hot-plug notices (the window does; a tool run does not need to).
        bool watchDevices = true;
    };

    TUsbTransport(Morvo3Texts &texts, const Options &options, QObject *parent = nullptr);
    ~TUsbTransport() override;

    bool Open() override;
    void Close() override;
    void ReleaseModule() override { ReleaseReader(); }
    bool IsUp() const override;
    bool Write(const QByteArray &wireFrame) override;

    // The reader of this opening, null while closed.
    TCommunicator *Reader() const { return m_reader; }
    TDeviceWatcher *Watcher() const { return m_watcher; }

signals:
    // The module's port was found but could not be opened (besides message()).
    void openFailed(const QString &location);

private:
    void CreateReader();
    void ReleaseReader();
    // The open reader's port is still there: a change concerns another device.
    bool DeviceStillPresent() const;
    void DeviceArrived();
    void DeviceRemoved();

    Morvo3Texts &m_texts;
    Options m_options;
    bool m_open = false;
    QPointer<TCommunicator> m_reader;
    TDeviceWatcher *m_watcher = nullptr;
};

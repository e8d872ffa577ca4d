#pragma once
// One way to the module: the USB cable or the IP relay. The module session holds
// the active transport and routes every wire frame through it; a transport knows
// nothing of frames, passwords or windows.

#include <QByteArray>
#include <QObject>
#include <QString>

class TModuleTransport : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Starts reaching the module (USB: look for the device and open it; relay:
    // the connection is made by the caller first). false when it cannot start.
    virtual bool Open() = 0;
    // Ends the connection at once. Safe to call at any time, also from inside a signal.
    virtual void Close() = 0;
    // Ends the connection the polite way (the relay says goodbye to its server
    // first); may wait. Without such a way, Close().
    virtual void Disconnect() { Close(); }
    // Lets the module go (it is not one this program may configure) but keeps
    // watching: a module connected later is taken. Without a watch, Close().
    virtual void ReleaseModule() { Close(); }
    // Bytes written now reach the module.
    virtual bool IsUp() const = 0;
    // Hands one whole wire frame over; true when every byte was taken.
    virtual bool Write(const QByteArray &wireFrame) = 0;

signals:
    // Bytes from the module, in order.
    void bytesReceived(const QByteArray &bytes);
    // The transport came up (device opened, relay session established).
    void up();
    // The connection went away on its own (cable pulled, relay closed).
    void lost();
    // The transport looks for the module anew (a device came back): the
    // link-state check starts again.
    void restarted();
    // Something the user must be told (a device that cannot be opened, ...).
    void message(const QString &text);
};

#pragma once
// The module's USB side: a pseudo-terminal whose slave end stands for the USB
// serial port. A symbolic link at a fixed path points to the slave while the
// device is "plugged in"; unplugging closes the terminal and removes the link, so
// an open port on the program's side sees a hang-up.

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

class SimPty : public QObject
{
    Q_OBJECT
public:
    explicit SimPty(const QString &linkPath, QObject *parent = nullptr);
    ~SimPty() override;

    bool plug(QString *error = nullptr);
    void unplug();
    bool plugged() const { return m_master >= 0; }
    QString slaveName() const { return m_slaveName; }

    // Non-blocking; what the terminal cannot take right now is dropped (a module
    // transmits whether or not anyone listens).
    void write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    void pluggedChanged(bool plugged);

private:
    void onReadable();

    QString m_linkPath;
    QString m_slaveName;
    int m_master = -1;
    int m_slaveKeeper = -1;     // keeps the terminal alive while no program has it open
    QSocketNotifier *m_notifier = nullptr;
};

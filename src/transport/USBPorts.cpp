#include "transport/USBPorts.h"

#include <QFileInfo>
#include <QSerialPortInfo>
#include <QStringList>

QList<TPortEntry> USBPorts::ParseExtraPorts(const QString &value)
{
    QList<TPortEntry> entries;
    const QStringList items = value.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &item : items) {
        const int eq = item.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString path = item.left(eq).trimmed();
        if (path.isEmpty())
            continue;
        // The description is taken as written: the search compares it exactly.
        entries.append({item.mid(eq + 1), path});
    }
    return entries;
}

QList<TPortEntry> USBPorts::PresentExtraPorts()
{
    QList<TPortEntry> present;
    const QList<TPortEntry> entries = ParseExtraPorts(qEnvironmentVariable(ExtraPortsVariable));
    for (const TPortEntry &e : entries) {
        if (QFileInfo::exists(e.location))
            present.append(e);
    }
    return present;
}

QList<TPortEntry> USBPorts::ListSerialPorts()
{
    QList<TPortEntry> ports;
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos)
        ports.append({info.description(), info.systemLocation()});
    ports.append(PresentExtraPorts());
    return ports;
}

#pragma once
// The serial ports the USB search looks at: the system's serial ports with their
// descriptions (for a USB serial chip the description is the USB product string)
// and, beside them, ports named in MORVO3_EXTRA_PORTS ("PATH=DESCRIPTION;...")
// such as the simulated module's pseudo-terminal.

#include <QList>
#include <QString>

struct TPortEntry
{
    QString description;
    QString location;   // what QSerialPort opens: the port's system location
};

namespace USBPorts {
inline constexpr char ExtraPortsVariable[] = "MORVO3_EXTRA_PORTS";

// Entries of a MORVO3_EXTRA_PORTS value, whether or not their paths exist.
// An entry without '=' or with an empty path is skipped; an empty description is kept.
QList<TPortEntry> ParseExtraPorts(const QString &value);
// The entries of the variable whose paths exist right now.
QList<TPortEntry> PresentExtraPorts();
// The system's serial ports followed by the present extra ports.
QList<TPortEntry> ListSerialPorts();
}

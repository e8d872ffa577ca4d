#pragma once
// The MAC address text that protects the stored server password: the hardware
// address of the computer's first network interface as six two-digit lower-case
// hexadecimal numbers joined by '-' ("00-1a-2b-3c-4d-5e"), or empty when there is
// none. "First" must mean the same interface on every run, or a saved password
// could not be read back: loopback interfaces and interfaces without a hardware
// address are skipped and the rest are ordered by name.

#include <QList>
#include <QString>
#include <functional>

struct TNetInterfaceInfo
{
    QString name;
    QString hardwareAddress;   // as QNetworkInterface gives it: "00:1A:2B:3C:4D:5E"
    bool loopback = false;
};

namespace MACunit {
// The chosen interface's address text from a list of interfaces (any order).
QString ChooseMacAddressText(const QList<TNetInterfaceInfo> &interfaces);
// The interfaces of this computer.
QList<TNetInterfaceInfo> SystemInterfaces();
// GetMacAddressText answers with source() instead of asking the system while a
// source is set (tests); an empty function restores the system query.
void SetMacAddressSource(std::function<QString()> source);
}

QString GetMacAddressText();

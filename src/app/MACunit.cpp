#include "app/MACunit.h"

#include <QNetworkInterface>
#include <QRegularExpression>
#include <algorithm>

namespace {
std::function<QString()> &sourceOverride()
{
    static std::function<QString()> source;
    return source;
}

// Six bytes from "00:1A:2B:3C:4D:5E" (or '-' separated); false for anything else.
bool parseHardwareAddress(const QString &text, unsigned char out[6])
{
    const QStringList parts = text.split(QRegularExpression(QStringLiteral("[:-]")));
    if (parts.size() != 6)
        return false;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const uint v = parts.at(i).toUInt(&ok, 16);
        if (!ok || parts.at(i).size() != 2 || v > 0xFF)
            return false;
        out[i] = static_cast<unsigned char>(v);
    }
    return true;
}
}

QString MACunit::ChooseMacAddressText(const QList<TNetInterfaceInfo> &interfaces)
{
    QList<TNetInterfaceInfo> candidates;
    for (const TNetInterfaceInfo &i : interfaces) {
        unsigned char mac[6];
        if (i.loopback || !parseHardwareAddress(i.hardwareAddress, mac))
            continue;
        if (std::all_of(mac, mac + 6, [](unsigned char b) { return b == 0; }))
            continue;   // no real hardware address
        candidates.append(i);
    }
    if (candidates.isEmpty())
        return QString();
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const TNetInterfaceInfo &a, const TNetInterfaceInfo &b) { return a.name < b.name; });
    unsigned char mac[6];
    parseHardwareAddress(candidates.first().hardwareAddress, mac);
    return QString::asprintf("%2.2x-%2.2x-%2.2x-%2.2x-%2.2x-%2.2x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

QList<TNetInterfaceInfo> MACunit::SystemInterfaces()
{
    QList<TNetInterfaceInfo> out;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : all) {
        TNetInterfaceInfo info;
        info.name = i.name();
        info.hardwareAddress = i.hardwareAddress();
        info.loopback = i.flags().testFlag(QNetworkInterface::IsLoopBack)
            || i.type() == QNetworkInterface::Loopback;
        out.append(info);
    }
    return out;
}

void MACunit::SetMacAddressSource(std::function<QString()> source)
{
    sourceOverride() = std::move(source);
}

QString GetMacAddressText()
{
    if (sourceOverride())
        return sourceOverride()();
    return MACunit::ChooseMacAddressText(MACunit::SystemInterfaces());
}

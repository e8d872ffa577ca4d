#include "CliMonitor.h"
#include "CliLanguage.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "monitor/StatusDecode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace CliMonitor {

namespace {

int ticksFor(int ms)
{
    return (ms + TWaitContext::TickMs - 1) / TWaitContext::TickMs;
}

int fail(QTextStream &err, const QString &reason)
{
    err << "morvo3-cli: " << CliLanguage::ErrorWord() << ' ' << reason << '\n';
    err.flush();
    return ExitError;
}

// Collects the module's state texts (they come in pieces of up to 13
// characters) into lines.
class TStateTextCollector
{
public:
    explicit TStateTextCollector(TLink &link)
    {
        m_connection = QObject::connect(&link, &TLink::memoText, [this](MemoTarget target, const QString &text, bool) {
            if (target == MemoTarget::State)
                m_pending += text;
        });
    }
    ~TStateTextCollector() { QObject::disconnect(m_connection); }

    // Complete lines and an unfinished last piece, blank lines left out.
    QStringList lines() const
    {
        static const QRegularExpression lineBreak(QStringLiteral("[\r\n]+"));
        QStringList out;
        for (const QString &line : m_pending.split(lineBreak))
            if (!line.trimmed().isEmpty())
                out << line.trimmed();
        return out;
    }

private:
    QMetaObject::Connection m_connection;
    QString m_pending;
};

QJsonObject statusJson(const Monitor::TModuleStatus &s, const QStringList &texts)
{
    QJsonArray zones;
    for (const Monitor::TZoneStatus &z : s.zones) {
        QJsonObject zone;
        zone.insert(QStringLiteral("circuit"), z.shortCircuit ? QStringLiteral("short") : QStringLiteral("open"));
        const QString word = Monitor::ZoneStateWord(z.state);
        zone.insert(QStringLiteral("state"), word.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(word));
        zones.append(zone);
    }
    QJsonObject o;
    o.insert(QStringLiteral("zones"), zones);
    o.insert(QStringLiteral("relays"), QJsonArray{s.relayOn[0], s.relayOn[1]});
    o.insert(QStringLiteral("armed"), s.armed);
    o.insert(QStringLiteral("gsm"), Monitor::GsmBarPosition(s.gsmLevel));
    // Methods above 5 are not defined: the tool says it does not know.
    o.insert(QStringLiteral("method"), s.extended && s.method <= Monitor::MethodMaximum ? QJsonValue(s.method)
                                                                                         : QJsonValue(QJsonValue::Null));
    o.insert(QStringLiteral("texts"), QJsonArray::fromStringList(texts));
    return o;
}

void printStatus(QTextStream &out, const Monitor::TModuleStatus &s, const Morvo3Texts &texts,
                 const QStringList &stateTexts)
{
    for (int z = 0; z < Monitor::ZoneCount; ++z) {
        out << "Z" << (z + 1) << ": " << Monitor::CircuitLook(texts, s.zones[z].shortCircuit).text;
        const QString state = Monitor::ZoneStateLook(texts, s.zones[z].state).text;
        if (!state.isEmpty())
            out << ", " << state;
        out << '\n';
    }
    for (int r = 0; r < Monitor::RelayCount; ++r)
        out << "relay " << (r + 1) << ": " << Monitor::RelayLook(texts, s.relayOn[r]).text << '\n';
    out << "armed: " << Monitor::ArmedLook(texts, s.armed).text << '\n';
    out << "GSM: " << s.gsmLevel << "/" << Monitor::GsmLevelMaximum << '\n';
    out << "method: " << (s.extended ? QString::number(s.method) : QStringLiteral("--")) << '\n';
    for (const QString &t : stateTexts)
        out << "text: " << t << '\n';
}

} // namespace

int RunStatus(TLink &link, TWaitContext &wait, const Morvo3Texts &texts, bool json, QTextStream &out,
              QTextStream &err, int waitMs)
{
    TStateTextCollector collector(link);
    bool arrived = false;
    Monitor::TModuleStatus status;
    const auto connection = QObject::connect(&link, &TLink::statusComplete, [&] {
        if (arrived)
            return;
        const Monitor::TModuleStatus s = Monitor::DecodeStatus(link.StatusRecord);
        if (!s.valid)
            return;
        status = s;
        arrived = true;
    });
    wait.WaitFor(ticksFor(waitMs), [&] { return arrived; });
    QObject::disconnect(connection);
    if (!arrived)
        return fail(err, QStringLiteral("no status report from the module within %1 s").arg(waitMs / 1000.0));

    const QStringList stateTexts = collector.lines();
    if (json)
        out << QJsonDocument(statusJson(status, stateTexts)).toJson(QJsonDocument::Compact) << '\n';
    else
        printStatus(out, status, texts, stateTexts);
    out.flush();
    return ExitOk;
}

int RunRelay(TLink &link, TWaitContext &wait, int relay, bool on, QTextStream &out, QTextStream &err, int waitMs)
{
    if (relay < 1 || relay > Monitor::RelayCount)
        return fail(err, QStringLiteral("relay takes 1 or 2"));
    bool confirmed = false;
    const auto connection = QObject::connect(&link, &TLink::statusComplete, [&] {
        const Monitor::TModuleStatus s = Monitor::DecodeStatus(link.StatusRecord);
        if (s.valid && s.relayOn[relay - 1] == on)
            confirmed = true;
    });
    Requests::SendRelay(link, relay, on);
    wait.WaitFor(ticksFor(waitMs), [&] { return confirmed; });
    QObject::disconnect(connection);
    const QString wanted = on ? QStringLiteral("on") : QStringLiteral("off");
    if (!confirmed)
        return fail(err, QStringLiteral("no status report showed relay %1 %2 within %3 s")
                             .arg(relay).arg(wanted).arg(waitMs / 1000.0));
    out << "relay " << relay << ": " << wanted << '\n';
    out.flush();
    return ExitOk;
}

bool ParseRelayArguments(const QStringList &arguments, int *relay, bool *on, QString *error)
{
    if (arguments.size() != 2 || (arguments.at(0) != QLatin1String("1") && arguments.at(0) != QLatin1String("2"))
        || (arguments.at(1) != QLatin1String("on") && arguments.at(1) != QLatin1String("off"))) {
        *error = QStringLiteral("relay takes 1|2 on|off");
        return false;
    }
    *relay = arguments.at(0).toInt();
    *on = arguments.at(1) == QLatin1String("on");
    return true;
}

} // namespace CliMonitor

#pragma once
// morvo3-cli's live commands: "status" (one status snapshot of the module) and
// "relay N on|off" (switch a relay and wait for the status that confirms it).
// Both work on a link whose transport the caller has opened and logged in.

#include <QStringList>
#include <QTextStream>

class Morvo3Texts;
class TLink;
class TWaitContext;

namespace CliMonitor {

inline constexpr int DefaultWaitMs = 10000;
enum ExitCode { ExitOk = 0, ExitError = 2 };

// Waits for the module's next status report (at most waitMs) and prints it: the
// zones, relays, armed state, GSM level, the arm/disarm method (extended status)
// and the state texts that came while waiting. json: one JSON object instead.
int RunStatus(TLink &link, TWaitContext &wait, const Morvo3Texts &texts, bool json, QTextStream &out,
              QTextStream &err, int waitMs = DefaultWaitMs);

// relay: 1 or 2. Sends the relay command and waits (at most waitMs) until a
// status report shows the relay in the wanted state.
int RunRelay(TLink &link, TWaitContext &wait, int relay, bool on, QTextStream &out, QTextStream &err,
             int waitMs = DefaultWaitMs);

// "relay 1|2 on|off" arguments after the command word; false with a reason otherwise.
bool ParseRelayArguments(const QStringList &arguments, int *relay, bool *on, QString *error);

} // namespace CliMonitor

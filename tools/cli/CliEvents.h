#pragma once
// morvo3-cli's "events" command: fetches the module's most recent event records
// with the long event list's own procedure and writes them as the list's
// export (.txt, .csv or .xls by the file's extension).

#include <QString>
#include <QTextStream>
#include <functional>

class Morvo3Texts;
class TLink;
class TWaitContext;

namespace CliEvents {

// "--count N": 8 to 1000 (default 50); false with a reason otherwise.
bool ParseCount(const QString &value, bool given, int *count, QString *error);
// "--out FILE": must end in .txt, .csv or .xls; false with a reason otherwise.
bool CheckOutFile(const QString &file, QString *error);

// Fetches count records and writes the file. Exit status 0 when every record
// came and the file was written; 2 when the connection was lost (the records
// that came are still written), the module sent no record, or the file could
// not be written. Progress and the ending go to err.
int RunEvents(TLink &link, TWaitContext &wait, const Morvo3Texts &texts, int count, const QString &file,
              const std::function<bool()> &lost, QTextStream &err);

} // namespace CliEvents

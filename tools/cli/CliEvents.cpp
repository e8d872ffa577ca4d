#include "CliEvents.h"

#include "monitor/EventExport.h"
#include "monitor/EventFetch.h"

namespace CliEvents {

bool ParseCount(const QString &value, bool given, int *count, QString *error)
{
    if (!given) {
        *count = Monitor::DefaultEventListCount;
        return true;
    }
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < Monitor::MinEventListCount || n > Monitor::MaxEventListCount) {
        *error = QStringLiteral("--count takes %1 to %2 records").arg(Monitor::MinEventListCount)
                     .arg(Monitor::MaxEventListCount);
        return false;
    }
    *count = n;
    return true;
}

bool CheckOutFile(const QString &file, QString *error)
{
    Monitor::TExportFormat format;
    if (file.isEmpty()) {
        *error = QStringLiteral("events needs --out FILE.txt, FILE.csv or FILE.xls");
        return false;
    }
    if (!Monitor::ExportFormatOf(file, &format)) {
        *error = QStringLiteral("--out %1: the name must end in .txt, .csv or .xls").arg(file);
        return false;
    }
    return true;
}

int RunEvents(TLink &link, TWaitContext &wait, const Morvo3Texts &texts, int count, const QString &file,
              const std::function<bool()> &lost, QTextStream &err)
{
    Monitor::TExportFormat format = Monitor::TExportFormat::Text;
    Monitor::ExportFormatOf(file, &format);
    TEventFetch fetch(link);
    int shown = -1;
    QObject::connect(&fetch, &TEventFetch::progress, [&](int received, int requested) {
        // A line every 50 records keeps a redirected log short.
        if (received == requested || received / 50 != shown / 50) {
            err << QStringLiteral("morvo3-cli: %1 of %2 records\n").arg(received).arg(requested);
            err.flush();
        }
        shown = received;
    });
    const TEventFetch::TState state = FetchEventRecords(link, wait, fetch, count, lost);
    err << "morvo3-cli: " << fetch.ProgressText() << '\n';
    err.flush();
    if (fetch.Received() == 0 && state != TEventFetch::TState::Complete) {
        err << "morvo3-cli: error: no event record came; nothing written\n";
        return 2;
    }
    const QString error = Monitor::WriteEventExport(file, fetch.Table(texts, {}), format);
    if (!error.isEmpty()) {
        err << "morvo3-cli: error: " << error << '\n';
        return 2;
    }
    return state == TEventFetch::TState::Lost || state == TEventFetch::TState::Stopped ? 2 : 0;
}

} // namespace CliEvents

#include "monitor/EventDecode.h"

#include "common/Morvo3Texts.h"

#include <QRegularExpression>

namespace Monitor {

namespace {
constexpr int YearBase = 2000;
constexpr int CaptionNameStart = 4;   // after "01. "
constexpr int CaptionTakeLength = 20;
constexpr int EventNameLength = 17;
constexpr int QualifierNew = 1;
constexpr int QualifierRestore = 3;
constexpr int FirstGprsColumn = 4;
constexpr int FirstSmsColumn = 10;
constexpr int FirstStationColumn = 14;

QChar hexDigit(int nibble)
{
    return QLatin1Char("0123456789ABCDEF"[nibble & 0xF]);
}
int high(std::uint8_t b) { return b >> 4; }
int low(std::uint8_t b) { return b & 0xF; }

QString twoDigits(int value)
{
    return value < 10 ? QStringLiteral("0%1").arg(value) : QString::number(value);
}

struct CodeMeaning
{
    int code;
    const char *meaning;
};

// Contact ID event codes: the ones the module's default event table reports
// (zone alarms 130, arming 401, test 602, battery 302) and the common codes an
// installer may set instead.
constexpr CodeMeaning ContactIdMeanings[] = {
    {100, "Medical"},
    {101, "Personal emergency"},
    {110, "Fire"},
    {120, "Panic"},
    {121, "Duress"},
    {122, "Silent panic"},
    {123, "Audible panic"},
    {130, "Burglary"},
    {131, "Perimeter burglary"},
    {132, "Interior burglary"},
    {133, "24 hour burglary"},
    {134, "Entry/exit burglary"},
    {135, "Day/night burglary"},
    {137, "Tamper"},
    {140, "General alarm"},
    {144, "Sensor tamper"},
    {150, "24 hour non-burglary"},
    {301, "AC power loss"},
    {302, "Low system battery"},
    {305, "System reset"},
    {309, "Battery test failure"},
    {350, "Communication trouble"},
    {354, "Failure to communicate event"},
    {380, "Sensor trouble"},
    {400, "Open/close"},
    {401, "Open/close by user"},
    {403, "Automatic open/close"},
    {406, "Cancel"},
    {407, "Remote arm/disarm"},
    {409, "Keyswitch open/close"},
    {570, "Zone bypass"},
    {601, "Manual test report"},
    {602, "Periodic test report"},
    {627, "Program mode entry"},
    {628, "Program mode exit"},
};
} // namespace

QString ReportMark(std::uint8_t t)
{
    if (!(t & TargetReported))
        return QStringLiteral("--");
    if (!(t & TargetDelivered))
        return QStringLiteral("*");
    if (!(t & TargetAlternative))
        return QStringLiteral("R");
    if (!(t & TargetFailed))
        return QStringLiteral("!");
    if (!(t & TargetStopped))
        return QStringLiteral("S");
    if (!(t & TargetTimedOut))
        return QStringLiteral("T");
    return QStringLiteral("?");
}

QString ReportMarkKey(const QString &mark)
{
    if (mark == QLatin1String("--"))
        return QStringLiteral("lbTXT_EVENT_TYPE_NO");
    if (mark == QLatin1String("*"))
        return QStringLiteral("lbTXT_EVENT_TYPE_OK");
    if (mark == QLatin1String("R"))
        return QStringLiteral("lbTXT_EVENT_TYPE_RE");
    if (mark == QLatin1String("!"))
        return QStringLiteral("lbTXT_EVENT_TYPE_ER");
    if (mark == QLatin1String("S"))
        return QStringLiteral("lbTXT_EVENT_TYPE_ST");
    if (mark == QLatin1String("T"))
        return QStringLiteral("lbTXT_EVENT_TYPE_TO");
    if (mark == QLatin1String("?"))
        return QStringLiteral("lbTXT_EVENT_TYPE_UN");
    return QString();
}

QString EventStateKey(const std::uint8_t *record)
{
    bool any = false, stopped = false, delayed = false, processing = false;
    for (int k = 0; k < ReportTargetCount; ++k) {
        const std::uint8_t t = record[RecordTargetOffset + k];
        if (!(t & TargetReported))
            continue;
        any = true;
        stopped |= !(t & TargetStopped);
        delayed |= bool(t & TargetDelayed);
        processing |= bool(t & TargetInProgress);
    }
    if (stopped)
        return QStringLiteral("lbTXT_EVSTATE_STOPPED");
    if (delayed)
        return QStringLiteral("lbTXT_EVSTATE_DELAYED");
    if (processing)
        return QStringLiteral("lbTXT_EVSTATE_PROCESSING");
    if (any)
        return QStringLiteral("lbTXT_EVSTATE_FINSHED");
    return QString();
}

QString ContactIdText(const std::uint8_t *r)
{
    const std::uint8_t *c = r + RecordContactId;
    QString s;
    s.reserve(20);
    s += hexDigit(high(c[0]));
    s += hexDigit(low(c[0]));
    s += hexDigit(high(c[1]));
    s += hexDigit(low(c[1]));
    s += QLatin1Char(' ');
    s += hexDigit(high(c[2]));
    s += hexDigit(low(c[2]));
    s += QLatin1Char(' ');
    const int qualifier = high(c[3]);
    s += qualifier == QualifierNew ? QLatin1Char('E') : qualifier == QualifierRestore ? QLatin1Char('R') : hexDigit(qualifier);
    s += QLatin1Char(' ');
    s += hexDigit(low(c[3]));
    s += hexDigit(high(c[4]));
    s += hexDigit(low(c[4]));
    s += QLatin1Char(' ');
    s += hexDigit(high(c[5]));
    s += hexDigit(low(c[5]));
    s += QLatin1Char(' ');
    s += hexDigit(high(c[6]));
    s += hexDigit(low(c[6]));
    s += hexDigit(high(c[7]));
    return s;
}

QString TimeStampText(const std::uint8_t *r)
{
    const std::uint8_t *t = r + RecordTimeStamp;
    return QStringLiteral("%1/%2/%3. %4:%5:%6")
        .arg(int(t[0]) + YearBase)
        .arg(twoDigits(t[1]), twoDigits(t[2]), twoDigits(t[3]), twoDigits(t[4]), twoDigits(t[5]));
}

int ContactIdEventCode(const std::uint8_t *r)
{
    const std::uint8_t *c = r + RecordContactId;
    const int digits[3] = {low(c[3]), high(c[4]), low(c[4])};
    int code = 0;
    for (int d : digits) {
        if (d > 9)
            return -1;
        code = code * 10 + d;
    }
    return code;
}

int ContactIdQualifier(const std::uint8_t *r)
{
    return high(r[RecordContactId + 3]);
}

QString ContactIdMeaning(int eventCode)
{
    for (const CodeMeaning &m : ContactIdMeanings)
        if (m.code == eventCode)
            return QString::fromLatin1(m.meaning);
    return QString();
}

QString ContactIdQualifierMeaning(int qualifier)
{
    if (qualifier == QualifierNew)
        return QStringLiteral("new event / opening");
    if (qualifier == QualifierRestore)
        return QStringLiteral("restore / closing");
    return QString();
}

QString ContactIdMeaningLine(const QString &contactIdText)
{
    // "AAAA MT Q EEE GG ZZZ": the qualifier and the event code are the third and fourth parts.
    const QStringList parts = contactIdText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 4)
        return QString();
    static const QRegularExpression threeDigits(QStringLiteral("^[0-9]{3}$"));
    if (!threeDigits.match(parts.at(3)).hasMatch())
        return QString();
    const int code = parts.at(3).toInt();
    const QString meaning = ContactIdMeaning(code);
    if (meaning.isEmpty())
        return QString();
    const QString &q = parts.at(2);
    const QString qualifier = ContactIdQualifierMeaning(q == QLatin1String("E") ? QualifierNew
                                                        : q == QLatin1String("R") ? QualifierRestore : -1);
    QString line = QStringLiteral("%1 %2").arg(parts.at(3), meaning);
    if (!qualifier.isEmpty())
        line += QStringLiteral(" (%1)").arg(qualifier);
    return line;
}

QString BuiltInEventCaption(int code)
{
    static const char *const captions[EventCodeCount] = {
        "01. Z1 Riasztás", "02. Z1 Visszaállás", "03. Z2 Riasztás", "04. Z2 Visszaállás",
        "05. Z3 Riasztás", "06. Z3 Visszaállás", "07. Z4 Riasztás", "08. Z4 Visszaállás",
        "09. Élesítés",    "10. Kikapcsolás",    "11. Tesztjelentés",
    };
    if (code < 0 || code >= EventCodeCount)
        return QString();
    return QString::fromUtf8(captions[code]);
}

QString EventNameFromCaption(const QString &caption)
{
    return caption.mid(CaptionNameStart, CaptionTakeLength).left(EventNameLength);
}

QString EventName(int code, const EventCaptionSource &captions)
{
    if (code < 0 || code >= EventCodeCount)
        return QStringLiteral(" ");
    return EventNameFromCaption(captions ? captions(code) : BuiltInEventCaption(code));
}

std::array<QString, EventGridColumns> EventRowTexts(const std::uint8_t *r, int number, const Morvo3Texts &texts,
                                                    const EventCaptionSource &captions)
{
    std::array<QString, EventGridColumns> row;
    row[ColNumber] = QString::number(number);
    row[ColTime] = TimeStampText(r);
    row[ColEvent] = EventName(r[RecordEventCode], captions);
    row[ColContactId] = ContactIdText(r);
    for (int k = 0; k < ReportTargetCount; ++k)
        row[ColFirstMark + k] = ReportMark(r[RecordTargetOffset + k]);
    const QString stateKey = EventStateKey(r);
    row[ColState] = stateKey.isEmpty() ? QString() : texts.text(stateKey);
    return row;
}

QString ReportTargetName(int col, const Morvo3Texts &texts)
{
    if (col >= FirstGprsColumn && col < FirstSmsColumn)
        return QStringLiteral("GPRS%1").arg(col - 3);
    if (col >= FirstSmsColumn && col < FirstStationColumn)
        return QStringLiteral("SMS%1").arg(col - 9);
    if (col >= FirstStationColumn && col <= ColLastMark)
        return QStringLiteral("%1. %2").arg(col - 13).arg(texts.text(QStringLiteral("lbTXT_CENTRAL_STATION")));
    return QString();
}

QStringList EventHintLines(const Morvo3Texts &texts, int col, const QString &eventName, const QString &timeText,
                           const QString &mark, const QString &contactIdText)
{
    QStringList lines;
    lines << texts.text(QStringLiteral("lbTXT_EVENT_PROPS"));
    lines << QStringLiteral("CTID: ") + eventName;
    lines << QString();
    lines << texts.text(QStringLiteral("lbTXT_EVENT_DATE")) + timeText;
    lines << QString();
    lines << texts.text(QStringLiteral("lbTXT_EVENT_TARGET")) + ReportTargetName(col, texts);
    const QString key = ReportMarkKey(mark);
    if (!key.isEmpty())
        lines << texts.text(key);
    const QString meaning = ContactIdMeaningLine(contactIdText);
    if (!meaning.isEmpty())
        lines << QStringLiteral("Contact ID ") + meaning;
    return lines;
}

} // namespace Monitor

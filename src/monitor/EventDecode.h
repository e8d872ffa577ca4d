#pragma once
// Decoding of the module's 36-byte event records into the texts of an event
// grid row (time stamp, event name, Contact ID, report marks, event state), the
// lines of the event info window and the meanings of Contact ID event codes.
// Shared by the status page, the long event list and the command-line tool.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>

class Morvo3Texts;

namespace Monitor {

inline constexpr int EventRecordSize = 36;
inline constexpr int ReportTargetCount = 12;
inline constexpr int EventCodeCount = 11;       // codes 0 to 10 have a name

// Record offsets.
inline constexpr int RecordTargetOffset = 1;    // target k at 1 + k
inline constexpr int RecordEventCode = 17;
inline constexpr int RecordContactId = 18;      // 8 bytes
inline constexpr int RecordTimeStamp = 26;      // 6 bytes

// Event grid columns.
inline constexpr int EventGridColumns = 17;
inline constexpr int ColNumber = 0;
inline constexpr int ColTime = 1;
inline constexpr int ColEvent = 2;
inline constexpr int ColContactId = 3;
inline constexpr int ColFirstMark = 4;
inline constexpr int ColLastMark = 15;
inline constexpr int ColState = 16;

// Report state bits of one target.
inline constexpr std::uint8_t TargetInProgress = 0x01;
inline constexpr std::uint8_t TargetReported = 0x02;
inline constexpr std::uint8_t TargetDelivered = 0x04;     // active when 0
inline constexpr std::uint8_t TargetAlternative = 0x08;   // active when 0
inline constexpr std::uint8_t TargetFailed = 0x10;        // active when 0
inline constexpr std::uint8_t TargetStopped = 0x20;       // active when 0
inline constexpr std::uint8_t TargetTimedOut = 0x40;      // active when 0
inline constexpr std::uint8_t TargetDelayed = 0x80;

// The mark of one target's state byte: "--", "*", "R", "!", "S", "T" or "?".
QString ReportMark(std::uint8_t targetState);
// Text catalogue key explaining a mark; empty for anything that is not a mark.
QString ReportMarkKey(const QString &mark);
// Key of the event state text over the reported targets; empty when none was reported.
QString EventStateKey(const std::uint8_t *record36);

// "1234 18 E 130 01 001" from record offsets 18 to 25.
QString ContactIdText(const std::uint8_t *record36);
// "2024/03/05. 07:08:09" from record offsets 26 to 31, values written as they come.
QString TimeStampText(const std::uint8_t *record36);

// The Contact ID event code of a record (offset 21 low nibble, 22) as a number,
// or -1 when one of its digits is not a decimal digit.
int ContactIdEventCode(const std::uint8_t *record36);
// The qualifier nibble (1 = new event / opening, 3 = restore / closing).
int ContactIdQualifier(const std::uint8_t *record36);

// Meaning of a Contact ID event code, empty when the table does not know it.
QString ContactIdMeaning(int eventCode);
// Meaning of a qualifier, empty for other values.
QString ContactIdQualifierMeaning(int qualifier);
// "130 Burglary (new event / opening)": the meaning line of the event info
// window for the text of a grid's Contact ID column; empty when nothing is known.
QString ContactIdMeaningLine(const QString &contactIdText);

// Event names come from the captions of the event matrix ("01. Z1 Alarm"),
// which follow the language. A source gives the caption of event code 0 to 10.
using EventCaptionSource = std::function<QString(int code)>;
// The built-in (Hungarian) captions of the event matrix.
QString BuiltInEventCaption(int code);
// The caption from its fifth character on, at most 20 characters, and of that
// the first 17: the number in front goes.
QString EventNameFromCaption(const QString &caption);
// The event name of a code: a single space for codes without a caption.
QString EventName(int code, const EventCaptionSource &captions);

// Columns 0 to 16 of an event grid row.
std::array<QString, EventGridColumns> EventRowTexts(const std::uint8_t *record36, int number,
                                                    const Morvo3Texts &texts, const EventCaptionSource &captions);

// Name of the report target shown in grid column col (4 to 15): "GPRS1" .. "GPRS6",
// "SMS1" .. "SMS4", "1. Monitoring station", "2. ..."; empty for other columns.
QString ReportTargetName(int col, const Morvo3Texts &texts);

// The event info window's lines for a mark cell: event name, time stamp text,
// the target of column col and the mark's explanation (left out when the cell
// holds no mark), then the meaning of the Contact ID code when it is known.
QStringList EventHintLines(const Morvo3Texts &texts, int col, const QString &eventName, const QString &timeText,
                           const QString &mark, const QString &contactIdText);

} // namespace Monitor

#pragma once
// Encodings of the parameter fields, free of widgets: the editor binding, the
// command-line dump and the tests all go through these functions.

#include "params/EE_Struct.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace FieldCodec {

inline constexpr int ZoneCount = 4;
inline constexpr int EventCount = 11;         // events stored in the image
inline constexpr int EventCodeDigits = 3;
inline constexpr int SmsLength = 160;         // characters of one SMS text
inline constexpr int DialCells = 16;
inline constexpr int DialElementSize = 17;    // count byte + 16 characters
inline constexpr int AccountDigits = 4;
inline constexpr int UserPhoneCount = 4;
inline constexpr int CentralPhoneCount = 2;
inline constexpr int RelayRows = 12;          // row 0 = phone call, rows 1..11 = events
inline constexpr int ClipCount = 4;
inline constexpr std::uint8_t NoSelectionByte = 255;

// Bits of an event's reporting targets (EVENT_MATRIX).
enum MatrixBit : std::uint8_t { MatrixS1 = 0x01, MatrixS2 = 0x02, MatrixS3 = 0x04, MatrixS4 = 0x08, MatrixCenter = 0x10 };

// Characters a dial string may hold: monitoring stations and SMS forwarding
// take only digits and '+', user numbers also '*' and '#'.
enum class DialSet { Plain, User };

bool IsDialCharacter(QChar c, DialSet set);

// Hex digit of a grid cell: its first character, '0'..'9' and 'A'..'F'
// (upper case only); anything else, an empty cell included, gives 0.
std::uint8_t HexDigitOfCell(const QString &cell);
// Contact ID digit shown in a cell: the low four bits as '0'..'9' / 'A'..'F'.
QString HexCellOfDigit(std::uint8_t value);
// Account digit shown in a cell, unmasked: up to 9 a digit, above it 'A' + value - 10.
QString AccountCellOfValue(std::uint8_t value);

// Packs up to 16 cells into a 17-byte dial element: kept characters are
// moved to the left, empty and rejected cells leave no gap.
QByteArray PackDialString(const QStringList &cells, DialSet set);
// Unpacks a 17-byte dial element into 16 cells; a count above 16 counts as 0,
// characters outside the set leave their cell empty.
QStringList UnpackDialString(const std::uint8_t *element, DialSet set);

// EVENT_MATRIX word of one event from its five targets.
std::uint16_t MatrixWord(bool s1, bool s2, bool s3, bool s4, bool center);

// Relay activation mask: bit k = row k (0..11).
std::uint16_t RelayMask(const std::array<bool, RelayRows> &rows);
// Rows from the two image bytes of a mask (high byte first in the image).
std::array<bool, RelayRows> RelayRowsOfMask(std::uint8_t high, std::uint8_t low);

// Unicode text to the module's single-byte code page (Windows-1250). Every
// character the code page cannot hold becomes '?', so nothing after it is lost.
QByteArray ToModuleCodePage(const QString &text);
QString FromModuleCodePage(const QByteArray &bytes);

// The SMS text of one 161-byte text element: a length byte above 160 counts
// as 0, bytes 0x00 and 0xFF are skipped, trailing spaces removed.
QString SmsTextOfElement(const std::uint8_t *element);

// Test report time shown as "hh:mm".
QString TestTimeText(int hour, int minute);

// Upper bound of the minute-of-day the time controls may propose: 23:59.
inline constexpr int LastMinuteOfDay = 23 * 60 + 59;

// Cell validation rules of the grids (a committed cell keeps its first
// character when it is allowed, otherwise it becomes empty).
QString ValidateDialCell(const QString &cell);
QString ValidateHexCell(const QString &cell);

// The parameters as plain values, the way the editor holds them. Grid cells
// are kept as typed (the encoders decide what they are worth).
struct TParamValues
{
    std::array<int, ZoneCount> zoneCircuit{};
    std::array<int, ZoneCount> zoneSenseTime{};
    std::array<int, ZoneCount> zoneDelayIn{};
    std::array<int, ZoneCount> zoneDelayOut{};
    std::array<bool, ZoneCount> zone24h{};
    std::array<QStringList, EventCount> eventCode;     // 3 cells each
    std::array<std::uint8_t, EventCount> eventMatrix{}; // MatrixBit combination
    std::array<QString, EventCount> eventSms;
    std::array<QStringList, UserPhoneCount> userPhone;  // 16 cells each
    std::array<QStringList, CentralPhoneCount> centralPhone;
    QStringList smsForward1;
    QStringList smsForward2;
    QStringList account;                                // 4 cells
    std::array<int, ClipCount> clip{};                  // -1 = no selection
    bool centralModeRegular = true;                     // rbCentralMode1 checked
    std::array<bool, RelayRows> relay1Rows{};
    std::array<bool, RelayRows> relay2Rows{};
    int relay1Time = 0;
    int relay2Time = 0;
    bool relay1OffAtDisarm = false;
    bool relay2OffAtDisarm = false;
    bool relay1Beep = false;
    int alarmTime = 5;
    int testHours = 0;
    int testHour = 0;
    int testMinute = 0;
    int onOffMode = 0;
    bool noArmIfActive = false;
    int zoneAlarmMax = 0;
    bool relay2GsmError = false;
};

// The Contact ID codes a fresh editor starts with (events 1..13).
QStringList DefaultEventCode(int event);
inline constexpr int ShownEventCount = 13;

// Values of a fresh editor.
TParamValues DefaultParamValues();

// The first size payload bytes of a field; *present tells whether the image
// carries the field. Bytes the buffer does not hold read as 0.
QByteArray FieldPayloadBytes(const TParamImage &image, const QByteArray &name, int size, bool *present = nullptr);

// Writes the whole image from the values, in the order that fixes the layout
// of the field directory. Numbers are cut to their low byte; range checks are
// the caller's (the editor clamps its spin edits first).
void BuildImageFromValues(const TParamValues &values, TParamImage &image);

} // namespace FieldCodec

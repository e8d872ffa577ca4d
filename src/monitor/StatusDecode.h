#pragma once
// Decoding of the module's status reports (basic and extended) into plain
// values, shared by the status page and the command-line tool. No widget here.

#include <QString>
#include <array>
#include <cstdint>

class Morvo3Texts;

namespace Monitor {

inline constexpr int ZoneCount = 4;
inline constexpr int RelayCount = 2;
inline constexpr int GsmLevelMaximum = 31;
inline constexpr int MethodMaximum = 5;
inline constexpr int NoMethod = -1;

// StatusRecord layout: '#', report code, bytes A, B, C, arm/disarm method.
inline constexpr int StatusCodeIndex = 1;
inline constexpr int StatusByteA = 2;
inline constexpr int StatusByteB = 3;
inline constexpr int StatusByteC = 4;
inline constexpr int StatusMethodIndex = 5;
inline constexpr std::uint8_t BasicStatusCode = 1;
inline constexpr std::uint8_t ExtendedStatusCode = 7;

// A zone's state as far as a report tells it. A basic status carries none.
enum class TZoneState { Unknown, Alarm, Idle, Disarmed, ArmingInput };

struct TZoneStatus
{
    bool shortCircuit = false;
    TZoneState state = TZoneState::Unknown;
};

struct TModuleStatus
{
    bool valid = false;       // the record held a basic or an extended status
    bool extended = false;
    std::array<TZoneStatus, ZoneCount> zones{};
    std::array<bool, RelayCount> relayOn{};
    bool armed = false;
    // Basic status: byte C as it came (may exceed 31); extended: the 5-bit level.
    int gsmLevel = 0;
    int method = NoMethod;    // 0..255 as reported with an extended status
};

// Arm/disarm methods 1 to 3 switch with input 4, methods 4 and 5 with inputs 3
// and 4: such an input is no alarm zone, so it has no zone state. Any method
// above 5 counts as one that uses both.
bool IsArmingInput(int zone, int method);

// Reads a 6-byte StatusRecord. A record with another report code gives valid = false.
TModuleStatus DecodeStatus(const std::uint8_t *record6);
// One zone (0 to 3) of an extended status record, with the report's armed flag.
TZoneStatus DecodeExtendedZone(const std::uint8_t *record6, int zone, bool armed);

// The GSM bar never runs past its scale, whatever the number says.
inline int GsmBarPosition(int level) { return level < 0 ? 0 : (level > GsmLevelMaximum ? GsmLevelMaximum : level); }

// The display palette: red RGB(255, 0, 0), green RGB(0, 128, 0), blue
// RGB(0, 0, 255), black. The windows turn these into their colours.
enum class TLookColor { Black, Red, Green, Blue };

// One label's look: text, colour and (for the relays) bold.
struct TLabelLook
{
    QString text;
    TLookColor color = TLookColor::Black;
    bool bold = false;
};

TLabelLook CircuitLook(const Morvo3Texts &texts, bool shortCircuit);
// "--" for an arming input; Unknown gives an empty text (nothing to show).
TLabelLook ZoneStateLook(const Morvo3Texts &texts, TZoneState state);
TLabelLook RelayLook(const Morvo3Texts &texts, bool on);
TLabelLook ArmedLook(const Morvo3Texts &texts, bool armed);

// Short English words for machine-readable output (the command-line tool).
QString ZoneStateWord(TZoneState state);   // "alarm", "idle", "disarmed"; "" for Unknown / ArmingInput

} // namespace Monitor

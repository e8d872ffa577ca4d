#include "monitor/StatusDecode.h"

#include "common/Morvo3Texts.h"

namespace Monitor {

namespace {
constexpr std::uint8_t BasicRelay1Off = 0x10;
constexpr std::uint8_t BasicRelay2Off = 0x20;
constexpr std::uint8_t BasicArmed = 0x80;
constexpr std::uint8_t ExtArmed = 0x80;
constexpr std::uint8_t ExtRelay1Off = 0x20;
constexpr std::uint8_t ExtRelay2Off = 0x40;
constexpr std::uint8_t ExtLevelMask = 0x1F;
constexpr int ThirdZone = 2;
constexpr int FourthZone = 3;
constexpr int LastSingleInputMethod = 3;

bool bit(std::uint8_t value, int n) { return (value >> n) & 1u; }
} // namespace

bool IsArmingInput(int zone, int method)
{
    return (zone == ThirdZone && method > LastSingleInputMethod) || (zone == FourthZone && method != 0);
}

TModuleStatus DecodeStatus(const std::uint8_t *record6)
{
    TModuleStatus s;
    const std::uint8_t a = record6[StatusByteA];
    const std::uint8_t b = record6[StatusByteB];
    const std::uint8_t c = record6[StatusByteC];
    if (record6[StatusCodeIndex] == BasicStatusCode) {
        s.valid = true;
        for (int z = 0; z < ZoneCount; ++z)
            s.zones[z].shortCircuit = bit(a, z);
        s.relayOn[0] = !(a & BasicRelay1Off);
        s.relayOn[1] = !(a & BasicRelay2Off);
        s.armed = b & BasicArmed;
        s.gsmLevel = c;
        return s;
    }
    if (record6[StatusCodeIndex] != ExtendedStatusCode)
        return s;
    s.valid = true;
    s.extended = true;
    s.method = record6[StatusMethodIndex];
    s.armed = c & ExtArmed;
    for (int z = 0; z < ZoneCount; ++z)
        s.zones[z] = DecodeExtendedZone(record6, z, s.armed);
    s.relayOn[0] = !(c & ExtRelay1Off);
    s.relayOn[1] = !(c & ExtRelay2Off);
    s.gsmLevel = c & ExtLevelMask;
    return s;
}

TZoneStatus DecodeExtendedZone(const std::uint8_t *record6, int z, bool armed)
{
    TZoneStatus zone;
    if (z < 0 || z >= ZoneCount)
        return zone;
    const std::uint8_t a = record6[StatusByteA];
    const std::uint8_t b = record6[StatusByteB];
    zone.shortCircuit = bit(a, z);
    const bool watched = bit(b, z);
    const bool markerP = bit(a, 4 + z);
    const bool markerQ = bit(b, 4 + z);
    if (IsArmingInput(z, record6[StatusMethodIndex]))
        zone.state = TZoneState::ArmingInput;
    else if (!armed && !watched)
        zone.state = TZoneState::Disarmed;
    else if (markerP == markerQ)
        zone.state = TZoneState::Alarm;
    else
        zone.state = TZoneState::Idle;
    return zone;
}

TLabelLook CircuitLook(const Morvo3Texts &texts, bool shortCircuit)
{
    if (shortCircuit)
        return {texts.text(QStringLiteral("lbTXT_SHORT")), TLookColor::Red, false};
    return {texts.text(QStringLiteral("lbTXT_OPEN")), TLookColor::Black, false};
}

TLabelLook ZoneStateLook(const Morvo3Texts &texts, TZoneState state)
{
    switch (state) {
    case TZoneState::Alarm:
        return {texts.text(QStringLiteral("lbTXT_INPUT_LABEL_ALARM")), TLookColor::Red, false};
    case TZoneState::Idle:
        return {texts.text(QStringLiteral("lbTXT_INPUT_LABEL_IDLE")), TLookColor::Black, false};
    case TZoneState::Disarmed:
        return {texts.text(QStringLiteral("lbTXT_INPUT_LABEL_DISARMED")), TLookColor::Green, false};
    case TZoneState::ArmingInput:
        return {QStringLiteral("--"), TLookColor::Black, false};
    case TZoneState::Unknown:
        break;
    }
    return {QString(), TLookColor::Black, false};
}

TLabelLook RelayLook(const Morvo3Texts &texts, bool on)
{
    if (on)
        return {texts.text(QStringLiteral("lbTXT_ON")), TLookColor::Green, true};
    return {texts.text(QStringLiteral("lbTXT_OFF")), TLookColor::Black, false};
}

TLabelLook ArmedLook(const Morvo3Texts &texts, bool armed)
{
    if (armed)
        return {texts.text(QStringLiteral("lbTXT_ARM_STATE_ARMED")), TLookColor::Red, false};
    return {texts.text(QStringLiteral("lbTXT_ARM_STATE_DISARMED")), TLookColor::Blue, false};
}

QString ZoneStateWord(TZoneState state)
{
    switch (state) {
    case TZoneState::Alarm: return QStringLiteral("alarm");
    case TZoneState::Idle: return QStringLiteral("idle");
    case TZoneState::Disarmed: return QStringLiteral("disarmed");
    default: return QString();
    }
}

} // namespace Monitor

#include "params/FieldCodec.h"

#include "common/CodePage1250.h"

#include <algorithm>

namespace FieldCodec {

namespace {
std::uint8_t LowByte(int v)
{
    return static_cast<std::uint8_t>(v & 0xFF);
}

QString CellAt(const QStringList &cells, int i)
{
    return i >= 0 && i < cells.size() ? cells.at(i) : QString();
}

bool IsHexCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

void WriteDial(TParamImage &image, std::int32_t at, const QStringList &cells, DialSet set)
{
    if (at < 0)
        return;
    const QByteArray packed = PackDialString(cells, set);
    for (int i = 0; i < packed.size() && at + i < ParamImage::BufferCapacity; ++i)
        image.bytes[at + i] = static_cast<std::uint8_t>(packed.at(i));
}

void WriteByte(TParamImage &image, std::int32_t at, std::uint8_t value)
{
    if (at >= 0 && at < ParamImage::BufferCapacity)
        image.bytes[at] = value;
}
} // namespace

bool IsDialCharacter(QChar c, DialSet set)
{
    if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+'))
        return true;
    return set == DialSet::User && (c == QLatin1Char('*') || c == QLatin1Char('#'));
}

std::uint8_t HexDigitOfCell(const QString &cell)
{
    if (cell.isEmpty())
        return 0;
    const QChar c = cell.at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return static_cast<std::uint8_t>(c.unicode() - '0');
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return static_cast<std::uint8_t>(c.unicode() - 'A' + 10);
    return 0;
}

QString HexCellOfDigit(std::uint8_t value)
{
    const int v = value & 0x0F;
    return QString(QChar(v <= 9 ? '0' + v : 'A' + v - 10));
}

QString AccountCellOfValue(std::uint8_t value)
{
    return QString(QChar(char16_t(value <= 9 ? '0' + value : 'A' + value - 10)));
}

QByteArray PackDialString(const QStringList &cells, DialSet set)
{
    QByteArray element(DialElementSize, '\0');
    int n = 0;
    for (int i = 0; i < DialCells; ++i) {
        const QString cell = CellAt(cells, i);
        if (cell.isEmpty())
            continue;
        const QChar c = cell.at(0);
        if (!IsDialCharacter(c, set))
            continue;
        element[1 + n] = static_cast<char>(c.toLatin1());
        ++n;
    }
    element[0] = static_cast<char>(n);
    return element;
}

QStringList UnpackDialString(const std::uint8_t *element, DialSet set)
{
    QStringList cells;
    for (int i = 0; i < DialCells; ++i)
        cells.append(QString());
    int n = element[0];
    if (n > DialCells)
        n = 0;
    for (int j = 0; j < n; ++j) {
        const QChar c = QLatin1Char(static_cast<char>(element[1 + j]));
        if (IsDialCharacter(c, set))
            cells[j] = QString(c);
    }
    return cells;
}

std::uint16_t MatrixWord(bool s1, bool s2, bool s3, bool s4, bool center)
{
    return static_cast<std::uint16_t>((s1 ? MatrixS1 : 0) | (s2 ? MatrixS2 : 0) | (s3 ? MatrixS3 : 0)
                                      | (s4 ? MatrixS4 : 0) | (center ? MatrixCenter : 0));
}

std::uint16_t RelayMask(const std::array<bool, RelayRows> &rows)
{
    std::uint16_t mask = 0;
    for (int k = 0; k < RelayRows; ++k) {
        if (rows[k])
            mask = static_cast<std::uint16_t>(mask | (1u << k));
    }
    return mask;
}

std::array<bool, RelayRows> RelayRowsOfMask(std::uint8_t high, std::uint8_t low)
{
    std::array<bool, RelayRows> rows{};
    for (int k = 0; k < 8; ++k)
        rows[k] = (low >> k) & 1;
    for (int k = 8; k < RelayRows; ++k)
        rows[k] = (high >> (k - 8)) & 1;
    return rows;
}

QByteArray ToModuleCodePage(const QString &text)
{
    return ToCp1250(text);
}

QString FromModuleCodePage(const QByteArray &bytes)
{
    return FromCp1250(bytes);
}

QString SmsTextOfElement(const std::uint8_t *element)
{
    int length = element[0];
    if (length > SmsLength)
        length = 0;
    QByteArray raw;
    for (int i = 1; i <= length; ++i) {
        const std::uint8_t b = element[i];
        if (b != 0x00 && b != 0xFF)
            raw.append(static_cast<char>(b));
    }
    while (raw.endsWith(' '))
        raw.chop(1);
    return FromModuleCodePage(raw);
}

QString TestTimeText(int hour, int minute)
{
    return QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
}

QString ValidateDialCell(const QString &cell)
{
    if (!cell.isEmpty() && IsDialCharacter(cell.at(0), DialSet::Plain))
        return cell.left(1);
    return QString();
}

QString ValidateHexCell(const QString &cell)
{
    if (cell.isEmpty())
        return QString();
    const QChar c = cell.at(0).toUpper();
    return IsHexCharacter(c) ? QString(c) : QString();
}

QStringList DefaultEventCode(int event)
{
    if (event >= 1 && event <= 8)
        return {QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("0")};
    if (event == 9 || event == 10)
        return {QStringLiteral("4"), QStringLiteral("0"), QStringLiteral("1")};
    if (event == 11)
        return {QStringLiteral("6"), QStringLiteral("0"), QStringLiteral("2")};
    if (event == 12 || event == 13)
        return {QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("2")};
    return {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
}

TParamValues DefaultParamValues()
{
    TParamValues v;
    for (int e = 0; e < EventCount; ++e)
        v.eventCode[e] = DefaultEventCode(e + 1);
    QStringList emptyDial;
    for (int i = 0; i < DialCells; ++i)
        emptyDial.append(QString());
    for (auto &p : v.userPhone)
        p = emptyDial;
    for (auto &p : v.centralPhone)
        p = emptyDial;
    v.smsForward1 = emptyDial;
    v.smsForward2 = emptyDial;
    v.account = QStringList{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    return v;
}

QByteArray FieldPayloadBytes(const TParamImage &image, const QByteArray &name, int size, bool *present)
{
    const std::int32_t at = image.FindField(name);
    if (present)
        *present = at >= 0;
    QByteArray out(std::max(size, 0), '\0');
    if (at < 0)
        return out;
    // A record near the end of the buffer may announce more payload than the
    // buffer holds: the missing bytes read as 0.
    const int available = std::clamp(ParamImage::BufferCapacity - at, 0, size);
    for (int i = 0; i < available; ++i)
        out[i] = static_cast<char>(image.bytes[at + i]);
    return out;
}

void BuildImageFromValues(const TParamValues &v, TParamImage &image)
{
    using namespace ParamImage;
    image.InitImageHeader();

    const auto zoneField = [&](const char *name, auto valueOf) {
        const std::int32_t at = image.ReserveField(name, FLD_BYTES, ZoneCount, 1);
        for (int z = 0; z < ZoneCount; ++z)
            WriteByte(image, at + z, valueOf(z));
    };
    zoneField("ZONE_CIRCUIT", [&](int z) { return LowByte(v.zoneCircuit[z]); });
    zoneField("ZONE_SENSE_TIME", [&](int z) { return LowByte(v.zoneSenseTime[z]); });
    zoneField("ZONE_DELAY_IN", [&](int z) { return LowByte(v.zoneDelayIn[z]); });
    zoneField("ZONE_DELAY_OUT", [&](int z) { return LowByte(v.zoneDelayOut[z]); });
    zoneField("ZONE_24H", [&](int z) { return std::uint8_t(v.zone24h[z] ? 1 : 0); });

    std::int32_t at = image.ReserveField("EVENT_CTID", FLD_BYTES, EventCount, EventCodeDigits);
    for (int e = 0; e < EventCount; ++e) {
        for (int d = 0; d < EventCodeDigits; ++d)
            WriteByte(image, at + EventCodeDigits * e + d, HexDigitOfCell(CellAt(v.eventCode[e], d)));
    }

    at = image.ReserveField("EVENT_MATRIX", FLD_BYTES, EventCount, 2);
    for (int e = 0; e < EventCount; ++e) {
        const std::uint16_t word = v.eventMatrix[e] & 0x1F;
        WriteByte(image, at + 2 * e, static_cast<std::uint8_t>(word >> 8));
        WriteByte(image, at + 2 * e + 1, static_cast<std::uint8_t>(word & 0xFF));
    }

    image.AppendFieldHeader("EVENT_SMS", FLD_BYTES, EventCount, SmsLength + 1);
    for (int e = 0; e < EventCount; ++e)
        image.AppendTextElement(ToModuleCodePage(v.eventSms[e]), SmsLength);

    at = image.ReserveField("PHONE_NUMBERS", FLD_DIAL, UserPhoneCount + CentralPhoneCount, DialElementSize);
    for (int i = 0; i < UserPhoneCount; ++i)
        WriteDial(image, at + DialElementSize * i, v.userPhone[i], DialSet::User);
    for (int i = 0; i < CentralPhoneCount; ++i)
        WriteDial(image, at + DialElementSize * (UserPhoneCount + i), v.centralPhone[i], DialSet::Plain);
    WriteDial(image, image.ReserveField("SMSFW_NUMBER1", FLD_DIAL, 1, DialElementSize), v.smsForward1, DialSet::Plain);
    WriteDial(image, image.ReserveField("SMSFW_NUMBER2", FLD_DIAL, 1, DialElementSize), v.smsForward2, DialSet::Plain);

    at = image.ReserveField("CTID_ACCOUNT", FLD_BYTES, 1, AccountDigits);
    for (int d = 0; d < AccountDigits; ++d)
        WriteByte(image, at + d, HexDigitOfCell(CellAt(v.account, d)));

    at = image.ReserveField("INCALL_CLIP", FLD_BYTES, ClipCount, 1);
    for (int i = 0; i < ClipCount; ++i)
        WriteByte(image, at + i, v.clip[i] < 0 ? NoSelectionByte : LowByte(v.clip[i]));

    image.AppendByteField("CENTRAL_MODE", v.centralModeRegular ? 0 : 1);
    image.AppendWordField("REL1_ACT", RelayMask(v.relay1Rows));
    image.AppendByteField("REL1_TIME", LowByte(v.relay1Time));
    image.AppendWordField("REL2_ACT", RelayMask(v.relay2Rows));
    image.AppendByteField("REL2_TIME", LowByte(v.relay2Time));
    image.AppendFlagField("REL1_DEACTOFF", v.relay1OffAtDisarm);
    image.AppendFlagField("REL2_DEACTOFF", v.relay2OffAtDisarm);
    image.AppendFlagField("REL1_BEEP", v.relay1Beep);
    image.AppendByteField("ALARMTIME", LowByte(v.alarmTime));
    image.AppendByteField("TESTHOURS", LowByte(v.testHours));
    image.AppendByteField("TEST_TIME_H", LowByte(v.testHour));
    image.AppendByteField("TEST_TIME_M", LowByte(v.testMinute));
    image.AppendByteField("ONOFF_MODE", LowByte(v.onOffMode));
    image.AppendFlagField("NOARM_IF_ACTIVE", v.noArmIfActive);
    image.AppendByteField("ALARM_MAX", LowByte(v.zoneAlarmMax));
    image.AppendFlagField("REL2_GSMERR", v.relay2GsmError);
    image.PadImage();
}

} // namespace FieldCodec

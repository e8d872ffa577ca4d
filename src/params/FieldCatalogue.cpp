#include "params/FieldCatalogue.h"

#include "params/FieldCodec.h"

#include <algorithm>

namespace FieldCatalogue {

namespace {
using ParamImage::FLD_BYTES;
using ParamImage::FLD_DIAL;
using ParamImage::FLD_FLAG;

QString Quoted(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    q.replace(QLatin1Char('"'), QLatin1String("\\\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString HexDigitText(std::uint8_t b)
{
    // Digits above 15 cannot come from the editor; show them as numbers so a
    // damaged image is visible as such.
    if (b <= 15)
        return QString(QChar(b <= 9 ? '0' + b : 'A' + b - 10));
    return QStringLiteral("[%1]").arg(b);
}

QString HexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}
} // namespace

QString ElementValueText(const TFieldInfo &f, const std::uint8_t *el)
{
    switch (f.kind) {
    case FieldKind::Bytes:
        return QString::number(el[0]);
    case FieldKind::Flag:
        return el[0] ? QStringLiteral("1") : QStringLiteral("0");
    case FieldKind::Word:
        return QString::number(el[0] * 256 + el[1]);
    case FieldKind::HexDigits: {
        QString s;
        for (int i = 0; i < f.elementSize; ++i)
            s += HexDigitText(el[i]);
        return s;
    }
    case FieldKind::DialStrings: {
        // Raw characters as stored (count above 16 counts as 0).
        int n = el[0];
        if (n > FieldCodec::DialCells)
            n = 0;
        QString s;
        for (int i = 0; i < n; ++i) {
            const char c = static_cast<char>(el[1 + i]);
            s += (c >= 0x20 && c < 0x7F) ? QString(QLatin1Char(c)) : QStringLiteral("?");
        }
        return Quoted(s);
    }
    case FieldKind::Texts:
        return Quoted(FieldCodec::SmsTextOfElement(el));
    case FieldKind::MatrixWords:
    case FieldKind::RelayMask:
        return QStringLiteral("0x%1").arg(el[0] * 256 + el[1], 4, 16, QLatin1Char('0'));
    }
    return QString();
}

const std::vector<TFieldInfo> &Fields()
{
    static const std::vector<TFieldInfo> fields = {
        {"ZONE_CIRCUIT", FLD_BYTES, 4, 1, FieldKind::Bytes, "zone circuit type, 0 normally open, 1 normally closed", "0..1"},
        {"ZONE_SENSE_TIME", FLD_BYTES, 4, 1, FieldKind::Bytes, "zone sensitivity in tenths of a second", "0..254"},
        {"ZONE_DELAY_IN", FLD_BYTES, 4, 1, FieldKind::Bytes, "entry delay in seconds", "0..254"},
        {"ZONE_DELAY_OUT", FLD_BYTES, 4, 1, FieldKind::Bytes, "exit delay in seconds", "0..254"},
        {"ZONE_24H", FLD_BYTES, 4, 1, FieldKind::Bytes, "24 hour zone, 1 = yes", "0..1"},
        {"EVENT_CTID", FLD_BYTES, 11, 3, FieldKind::HexDigits, "Contact ID code of events 01..11", "3 hex digits"},
        {"EVENT_MATRIX", FLD_BYTES, 11, 2, FieldKind::MatrixWords, "reporting targets of events 01..11 (bits S1 S2 S3 S4 Center)", "0..31"},
        {"EVENT_SMS", FLD_BYTES, 11, 161, FieldKind::Texts, "SMS text of events 01..11", "up to 160 characters"},
        {"PHONE_NUMBERS", FLD_DIAL, 6, 17, FieldKind::DialStrings, "user phone numbers 1..4, central phone numbers 1..2", "up to 16 of 0-9 + (users also * #)"},
        {"SMSFW_NUMBER1", FLD_DIAL, 1, 17, FieldKind::DialStrings, "SMS forwarding number 1", "up to 16 of 0-9 +"},
        {"SMSFW_NUMBER2", FLD_DIAL, 1, 17, FieldKind::DialStrings, "SMS forwarding number 2", "up to 16 of 0-9 +"},
        {"CTID_ACCOUNT", FLD_BYTES, 1, 4, FieldKind::HexDigits, "Contact ID account (user ID)", "4 hex digits"},
        {"INCALL_CLIP", FLD_BYTES, 4, 1, FieldKind::Bytes, "caller ID action of user numbers 1..4", "0..3"},
        {"CENTRAL_MODE", FLD_BYTES, 1, 1, FieldKind::Bytes, "monitoring station reporting, 0 regular, 1 dual", "0..1"},
        {"REL1_ACT", FLD_BYTES, 1, 2, FieldKind::RelayMask, "events that switch relay 1 on (bit 0 phone call, bits 1..11 events)", "0..0x0FFF"},
        {"REL1_TIME", FLD_BYTES, 1, 1, FieldKind::Bytes, "relay 1 on time in seconds, 255 bistable", "0..255"},
        {"REL2_ACT", FLD_BYTES, 1, 2, FieldKind::RelayMask, "events that switch relay 2 on", "0..0x0FFF"},
        {"REL2_TIME", FLD_BYTES, 1, 1, FieldKind::Bytes, "relay 2 on time in seconds, 255 bistable", "0..255"},
        {"REL1_DEACTOFF", FLD_FLAG, 1, 1, FieldKind::Flag, "turn off relay 1 on disarm", "0..1"},
        {"REL2_DEACTOFF", FLD_FLAG, 1, 1, FieldKind::Flag, "turn off relay 2 on disarm", "0..1"},
        {"REL1_BEEP", FLD_FLAG, 1, 1, FieldKind::Flag, "relay 1 beeps on arm and disarm", "0..1"},
        {"ALARMTIME", FLD_BYTES, 1, 1, FieldKind::Bytes, "maximum alarming time in minutes", "5..25"},
        {"TESTHOURS", FLD_BYTES, 1, 1, FieldKind::Bytes, "test report frequency in hours", "0..255"},
        {"TEST_TIME_H", FLD_BYTES, 1, 1, FieldKind::Bytes, "hour of the test report", "0..23"},
        {"TEST_TIME_M", FLD_BYTES, 1, 1, FieldKind::Bytes, "minute of the test report", "0..59"},
        {"ONOFF_MODE", FLD_BYTES, 1, 1, FieldKind::Bytes, "arm/disarm method", "0..5"},
        {"NOARM_IF_ACTIVE", FLD_FLAG, 1, 1, FieldKind::Flag, "arming not allowed while a zone is active", "0..1"},
        {"ALARM_MAX", FLD_BYTES, 1, 1, FieldKind::Bytes, "maximum number of alarms per zone, 0 no limit", "0..25"},
        {"REL2_GSMERR", FLD_FLAG, 1, 1, FieldKind::Flag, "relay 2 indicates GSM fault", "0..1"},
    };
    return fields;
}

const TFieldInfo *FieldByName(const QByteArray &name)
{
    for (const TFieldInfo &f : Fields()) {
        if (name == f.name)
            return &f;
    }
    return nullptr;
}

QStringList DumpImageFields(const TParamImage &image)
{
    QStringList lines;
    for (const TFieldInfo &f : Fields()) {
        const QString name = QString::fromLatin1(f.name);
        const std::int32_t at = image.FindField(f.name);
        // The catalogue's own sizes decide how much is read; a payload that
        // would run past the buffer is not shown.
        if (at < 0 || at + f.dimension * f.elementSize > ParamImage::BufferCapacity) {
            lines << name + QStringLiteral(" = (absent)");
            continue;
        }
        QStringList parts;
        for (int e = 0; e < f.dimension; ++e)
            parts << ElementValueText(f, image.bytes + at + e * f.elementSize);
        lines << name + QStringLiteral(" = ") + parts.join(QLatin1Char(' '));
    }
    return lines;
}

QList<TFieldDifference> ListFieldDifferences(const QByteArray &moduleImage, const QByteArray &editorImage)
{
    using Where = TFieldDifference::Where;
    QList<TFieldDifference> out;
    const int length = int(std::min(moduleImage.size(), editorImage.size()));
    const auto u8 = [](const QByteArray &a, int i) { return std::uint8_t(a.at(i)); };
    const auto differs = [&](int from, int count) {
        for (int i = from; i < from + count && i < length; ++i) {
            if (moduleImage.at(i) != editorImage.at(i))
                return true;
        }
        return false;
    };
    const auto byteText = [](std::uint8_t b) {
        return QStringLiteral("0x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    };
    const auto eachByte = [&](int from, int count, Where where, const QString &name) {
        for (int i = from; i < from + count && i < length; ++i) {
            if (moduleImage.at(i) != editorImage.at(i))
                out.append({where, name, i, byteText(u8(moduleImage, i)), byteText(u8(editorImage, i))});
        }
    };

    eachByte(0, std::min(ParamImage::HeaderLength, length), Where::Header, QStringLiteral("header"));

    int p = ParamImage::HeaderLength;
    while (p + ParamImage::RecordHeaderLength <= length) {
        const std::uint8_t first = u8(editorImage, p);
        if (first == 0x00 || first == 0xFF)
            break;
        const int dimension = u8(editorImage, p + 16);
        const int elementSize = u8(editorImage, p + 17) * 256 + u8(editorImage, p + 18);
        const int size = dimension * elementSize;
        if (size == 0)
            break;
        const QByteArray rawName = editorImage.mid(p, ParamImage::NameLength);
        const QString name = QString::fromLatin1(rawName).trimmed();
        if (differs(p, ParamImage::RecordHeaderLength)) {
            out.append({Where::RecordHeader, name, -1, HexBytes(moduleImage.mid(p, ParamImage::RecordHeaderLength)),
                        HexBytes(editorImage.mid(p, ParamImage::RecordHeaderLength))});
        }
        // The catalogue decodes a field only where the record has the catalogue's shape.
        const TFieldInfo *info = FieldByName(rawName.trimmed());
        const bool decodable = info && info->elementSize == elementSize;
        const int payload = p + ParamImage::RecordHeaderLength;
        for (int e = 0; e < dimension; ++e) {
            const int at = payload + e * elementSize;
            if (at >= length)
                break;
            if (!differs(at, elementSize))
                continue;
            const bool whole = at + elementSize <= length;
            const auto text = [&](const QByteArray &image) {
                if (decodable && whole)
                    return ElementValueText(*info, reinterpret_cast<const std::uint8_t *>(image.constData()) + at);
                return HexBytes(image.mid(at, std::min(elementSize, length - at)));
            };
            out.append({Where::Element, name, e, text(moduleImage), text(editorImage)});
        }
        p = payload + size;
    }
    if (p < length)
        eachByte(p, length - p, Where::Padding, QStringLiteral("padding"));
    return out;
}

} // namespace FieldCatalogue

#include "params/EE_Struct.h"

#include <algorithm>
#include <cstring>

using namespace ParamImage;

namespace {
// The directory must end inside the 41st block: a terminator after 2560 and
// no later than 2624 (the last block of the image keeps the padding).
constexpr int ValidEndLow = 2560;   // exclusive
constexpr int ValidEndHigh = 2624;  // inclusive

bool IsDirectoryEnd(std::uint8_t b)
{
    return b == 0x00 || b == 0xFF;
}

// Payload size of the record whose header starts at p; the caller has made
// sure the whole 19-byte header lies inside the buffer.
std::int32_t RecordPayloadSize(const std::uint8_t *bytes, std::int32_t p)
{
    const std::int32_t dimension = bytes[p + 16];
    const std::int32_t elementSize = bytes[p + 17] * 256 + bytes[p + 18];
    return dimension * elementSize;
}

bool HeaderFits(std::int32_t p)
{
    return p >= 0 && p + RecordHeaderLength <= BufferCapacity;
}

QByteArray NameKey(const QByteArray &name)
{
    QByteArray key = name.left(NameLength);
    while (key.size() < NameLength)
        key.append(' ');
    return key;
}
} // namespace

TParamImage::TParamImage()
{
    std::memset(bytes, 0, sizeof bytes);
}

void TParamImage::InitImageHeader()
{
    std::memset(bytes, 0, HeaderLength);
    std::memcpy(bytes, IdentificationString, IdentificationLength);
    fill = HeaderLength;
}

void TParamImage::ClearImage()
{
    std::memset(bytes, 0, sizeof bytes);
    fill = 0;
}

void TParamImage::AppendImageByte(std::uint8_t b)
{
    if (fill >= 0 && fill < BufferCapacity)
        bytes[fill++] = b;
}

void TParamImage::AppendImageWord(std::uint16_t w)
{
    if (fill >= 0 && fill < BufferCapacity) {
        AppendImageByte(static_cast<std::uint8_t>(w >> 8));
        AppendImageByte(static_cast<std::uint8_t>(w & 0xFF));
    }
}

void TParamImage::AppendFieldHeader(const QByteArray &name, std::uint8_t type, std::uint8_t dimension,
                                    std::uint16_t elementSize)
{
    const QByteArray key = NameKey(name);
    for (char c : key)
        AppendImageByte(static_cast<std::uint8_t>(c));
    AppendImageByte(type);
    AppendImageByte(dimension);
    AppendImageWord(elementSize);
}

std::int32_t TParamImage::ReserveField(const QByteArray &name, std::uint8_t type, std::uint8_t dimension,
                                       std::uint16_t elementSize)
{
    AppendFieldHeader(name, type, dimension, elementSize);
    const std::int32_t payload = fill;
    const std::int32_t size = std::int32_t(dimension) * elementSize;
    for (std::int32_t i = 0; i < size; ++i)
        AppendImageByte(0);
    return payload;
}

void TParamImage::AppendByteField(const QByteArray &name, std::uint8_t value)
{
    AppendFieldHeader(name, FLD_BYTES, 1, 1);
    AppendImageByte(value);
}

void TParamImage::AppendFlagField(const QByteArray &name, bool flag)
{
    AppendFieldHeader(name, FLD_FLAG, 1, 1);
    AppendImageByte(flag ? 1 : 0);
}

void TParamImage::AppendWordField(const QByteArray &name, std::uint16_t value)
{
    AppendFieldHeader(name, FLD_BYTES, 1, 2);
    AppendImageWord(value);
}

void TParamImage::AppendTextElement(const QByteArray &text, int n)
{
    if (n < 0)
        n = 0;
    const int length = std::min<int>(n, text.size());
    AppendImageByte(static_cast<std::uint8_t>(length));
    for (int i = 0; i < n; ++i)
        AppendImageByte(i < length ? FoldCharacter(static_cast<std::uint8_t>(text.at(i))) : 0);
}

void TParamImage::PadImage()
{
    AppendImageByte(0);
    while (fill < ImageLength)
        AppendImageByte(0);
}

std::int32_t TParamImage::FindField(const QByteArray &name) const
{
    const QByteArray key = NameKey(name);
    std::int32_t p = HeaderLength;
    while (p < BufferCapacity) {
        if (IsDirectoryEnd(bytes[p]))
            return -1;
        // A record header that would reach past the buffer cannot be a record.
        if (!HeaderFits(p))
            return -1;
        if (std::memcmp(bytes + p, key.constData(), NameLength) == 0)
            return p + RecordHeaderLength;
        const std::int32_t size = RecordPayloadSize(bytes, p);
        if (size == 0)
            return -1;
        p += RecordHeaderLength + size;
    }
    return -1;
}

std::uint8_t TParamImage::ReadFieldByte(const QByteArray &name) const
{
    return ReadFieldElement(name, 0);
}

std::uint8_t TParamImage::ReadFieldElement(const QByteArray &name, int i) const
{
    const std::int32_t offset = FindField(name);
    if (offset < 0 || i < 0)
        return 0;
    const std::int64_t at = std::int64_t(offset) + i;
    if (at >= BufferCapacity)
        return 0;
    return bytes[at];
}

bool TParamImage::ReadFieldFlag(const QByteArray &name) const
{
    return ReadFieldByte(name) != 0;
}

bool TParamImage::IsImageValid() const
{
    QByteArray header;
    for (int i = 0; i < HeaderLength && !IsDirectoryEnd(bytes[i]); ++i)
        header.append(static_cast<char>(bytes[i]));
    if (header != QByteArray(IdentificationString, IdentificationLength))
        return false;

    std::int32_t p = HeaderLength;
    while (p < BufferCapacity) {
        if (IsDirectoryEnd(bytes[p]) && p > ValidEndLow && p <= ValidEndHigh)
            return true;
        if (!HeaderFits(p))
            return false;
        const std::int32_t size = RecordPayloadSize(bytes, p);
        if (size == 0)
            return false;
        p += RecordHeaderLength + size;
    }
    return false;
}

std::uint8_t TParamImage::FoldCharacter(std::uint8_t ch)
{
    switch (ch) {
    case 0xC1: return 'A';
    case 0xC9: return 'E';
    case 0xCD: return 'I';
    case 0xD3: case 0xD5: case 0xD6: return 'O';
    case 0xDA: case 0xDB: case 0xDC: return 'U';
    case 0xE1: return 'a';
    case 0xE9: return 'e';
    case 0xED: return 'i';
    case 0xF3: case 0xF5: case 0xF6: return 'o';
    case 0xFA: return 'u';
    default: return ch;
    }
}

QByteArray TParamImage::KvdHeaderText(const QByteArray &fileStart)
{
    QByteArray text;
    const int n = std::min<int>(HeaderLength, fileStart.size());
    for (int i = 0; i < n; ++i) {
        if (fileStart.at(i) != '\0')
            text.append(fileStart.at(i));
    }
    return text;
}

bool TParamImage::IsKvdHeader(const QByteArray &fileStart)
{
    return KvdHeaderText(fileStart) == QByteArray(IdentificationString, IdentificationLength);
}

void TParamImage::LoadFileBytes(const QByteArray &data)
{
    const int n = std::min<int>(BufferCapacity, data.size());
    if (n > 0)
        std::memcpy(bytes, data.constData(), size_t(n));
}

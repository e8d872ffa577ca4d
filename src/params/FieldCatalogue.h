#pragma once
// The named fields of the parameter image: layout, meaning and range of each,
// in the order the editor builds them, and a readable dump of an image.

#include "params/EE_Struct.h"

#include <QStringList>
#include <vector>

namespace FieldCatalogue {

// How the elements of a field are read.
enum class FieldKind {
    Bytes,        // plain numbers, one byte each
    Flag,         // 1 = set, any non-zero byte counts as set
    Word,         // big-endian 16-bit number
    HexDigits,    // one hex digit per byte, elementSize digits per element
    DialStrings,  // count byte + 16 characters
    Texts,        // length byte + characters (module code page)
    MatrixWords,  // big-endian reporting target bits per event
    RelayMask,    // big-endian, bit k = relay row k
};

struct TFieldInfo
{
    const char *name;
    ParamImage::FieldType type;
    int dimension;
    int elementSize;
    FieldKind kind;
    const char *meaning;
    const char *range;
};

// The 29 fields in directory order.
const std::vector<TFieldInfo> &Fields();
const TFieldInfo *FieldByName(const QByteArray &name);

// One line per catalogue field, "NAME = value", decoded from the image;
// a field the image does not carry shows as "NAME = (absent)".
QStringList DumpImageFields(const TParamImage &image);

} // namespace FieldCatalogue

using FieldCatalogue::DumpImageFields;

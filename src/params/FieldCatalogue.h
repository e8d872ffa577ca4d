#pragma once
// The named fields of the parameter image: layout, meaning and range of each,
// in the order the editor builds them, and a readable dump of an image.

#include "params/EE_Struct.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <cstdint>
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

// One element of a catalogue field decoded as the dump shows it; el holds the
// field's elementSize bytes.
QString ElementValueText(const TFieldInfo &field, const std::uint8_t *el);

// One place where two images differ.
struct TFieldDifference
{
    enum class Where {
        Element,       // field element `index` of record `field`
        RecordHeader,  // the 19-byte header of record `field` (index -1)
        Header,        // image header byte at offset `index`
        Padding,       // byte `index` after the field directory
    };
    Where where = Where::Element;
    QString field;        // record name (Element, RecordHeader), "header" or "padding"
    int index = -1;
    QString moduleValue;  // decoded like the dump; raw bytes in hex where the catalogue cannot say
    QString editorValue;

    bool operator==(const TFieldDifference &o) const
    {
        return where == o.where && field == o.field && index == o.index && moduleValue == o.moduleValue
            && editorValue == o.editorValue;
    }
};

// Every differing field element between the module's and the editor's image,
// in image order. The editor's field directory says where each field lies (the
// module's bytes at the same places are decoded with it), so every byte that a
// block-wise compare finds different is named: an element, a record header, the
// image header or the padding after the directory. Images of other lengths are
// compared over their common length.
QList<TFieldDifference> ListFieldDifferences(const QByteArray &moduleImage, const QByteArray &editorImage);

} // namespace FieldCatalogue

using FieldCatalogue::DumpImageFields;

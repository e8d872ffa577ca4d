// A .KVD parameter file as morvo3-cli dump and the parameter page's open take it:
// the file read, the header check, the copy into the image, every field decoded,
// and the field-by-field compare against a fresh editor's image.

#include "params/EE_Struct.h"
#include "params/FieldCatalogue.h"
#include "params/FieldCodec.h"
#include "params/ModuleTransfer.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {
QTemporaryDir &folder()
{
    static QTemporaryDir dir;
    return dir;
}

const QByteArray &freshImage()
{
    static const QByteArray image = [] {
        TParamImage fresh;
        FieldCodec::BuildImageFromValues(FieldCodec::DefaultParamValues(), fresh);
        return QByteArray(reinterpret_cast<const char *>(fresh.bytes), ParamImage::ImageLength);
    }();
    return image;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    freshImage();
    if (!folder().isValid())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), int(size));
    const QString path = folder().filePath(QStringLiteral("fuzz.KVD"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(input) != input.size())
            std::abort();
    }
    QByteArray file;
    if (ReadParamFile(path, &file) != TParamFileRead::Ok)
        return 0;
    if (file.size() < ParamImage::HeaderLength || file.size() > ParamFile::MaxLoadBytes)
        std::abort();

    TParamImage::IsKvdHeader(file);
    TParamImage::KvdHeaderText(file);

    // Foreign headers are taken too (the dump's --yes, the page's "Yes").
    TParamImage image;
    image.ClearImage();
    image.LoadFileBytes(file);
    image.IsImageValid();

    const QStringList lines = DumpImageFields(image);
    if (lines.size() != int(FieldCatalogue::Fields().size()))
        std::abort();

    for (const FieldCatalogue::TFieldInfo &field : FieldCatalogue::Fields()) {
        const int bytes = field.dimension * field.elementSize;
        bool present = false;
        const QByteArray payload = FieldCodec::FieldPayloadBytes(image, field.name, bytes, &present);
        if (payload.size() != bytes)
            std::abort();
        const auto *p = reinterpret_cast<const std::uint8_t *>(payload.constData());
        for (int i = 0; i < field.dimension; ++i) {
            const std::uint8_t *el = p + i * field.elementSize;
            FieldCatalogue::ElementValueText(field, el);
            if (field.kind == FieldCatalogue::FieldKind::DialStrings
                && field.elementSize == FieldCodec::DialElementSize) {
                FieldCodec::UnpackDialString(el, FieldCodec::DialSet::User);
                FieldCodec::UnpackDialString(el, FieldCodec::DialSet::Plain);
            }
            if (field.kind == FieldCatalogue::FieldKind::Texts && field.elementSize == FieldCodec::SmsLength + 1)
                FieldCodec::SmsTextOfElement(el);
        }
        image.ReadFieldFlag(field.name);
        image.ReadFieldByte(field.name);
        image.ReadFieldElement(field.name, field.dimension - 1);
    }

    // The compare's difference list, both ways round.
    FieldCatalogue::ListFieldDifferences(file, freshImage());
    FieldCatalogue::ListFieldDifferences(freshImage(), file);
    return 0;
}

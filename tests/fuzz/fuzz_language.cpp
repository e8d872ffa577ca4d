// Language files ("my.lng" is the user's own): the reader, every value decoded
// and split the way lists are, and the catalogue section applied to a text
// catalogue, as a language switch does.

#include "common/LanguageFile.h"
#include "common/Morvo3Texts.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const TLanguageFile file = TLanguageFile::FromBytes(bytes);
    for (const QString &section : file.Sections()) {
        for (const TLanguageFile::Line &line : file.Section(section)) {
            const QStringList items = TLanguageFile::SplitList(line.second);
            // What the program writes it must read back the same.
            QString again;
            if (!TLanguageFile::DecodeValue(TLanguageFile::EncodeValue(line.second), &again) || again != line.second)
                std::abort();
            (void)TLanguageFile::JoinList(items);
        }
    }
    Morvo3Texts texts;
    file.ApplyToCatalogue(texts);
    QString value;
    TLanguageFile::DecodeValue(bytes.left(4096), &value);
    return 0;
}

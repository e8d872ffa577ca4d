#pragma once
// Language files: Windows-1250 text, one section per window ("[MainForm]"), and
// in each section lines "Component.Property=value" (or "Property=value" for the
// window itself). A value is a run of parts: a text in double quotes (two quotes
// stand for one) or a character code "#" + decimal number, e.g.
//   lbHello.Caption="First line"#13#10"second line"
// List properties carry a comma-separated list inside the decoded value, whose
// items are quoted when they hold spaces, commas or quotes.
//
// The reader takes anything: a line it cannot decode is dropped and the rest of
// the file still counts, so a hand-edited "my.lng" with a typo costs one text,
// never the language.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class Morvo3Texts;

class TLanguageFile
{
public:
    // One decoded line: name is everything left of '=' ("btOK.Caption",
    // "Caption", "lvEvents.Columns.Header"), value the decoded text.
    using Line = QPair<QString, QString>;

    // Files larger than this are not read at all (a language file is a few
    // tens of kilobytes; anything this size is not one).
    static constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

    TLanguageFile() = default;
    static TLanguageFile FromBytes(const QByteArray &bytes);
    // An unreadable or missing file gives an empty language (every text stays
    // built-in); ok tells the caller whether the file was read.
    static TLanguageFile Load(const QString &path, bool *ok = nullptr);

    QStringList Sections() const;
    bool HasSection(const QString &section) const;
    // The section's lines in file order; a name given twice counts once, the
    // later value winning. Section names compare case-insensitively.
    QList<Line> Section(const QString &section) const;
    // Lines the reader dropped (could not decode), for diagnostics and tests.
    int DroppedLines() const { return m_dropped; }

    // Decodes a value ("..." parts and #codes); false for anything malformed
    // (unterminated quote, a code above 255, stray characters).
    static bool DecodeValue(const QByteArray &raw, QString *out);
    // Splits a decoded list value into its items.
    static QStringList SplitList(const QString &value);
    // The inverse, for writing files: quotes an item when it needs it.
    static QString JoinList(const QStringList &items);
    // Encodes a text as a value (quoted parts, line breaks as #13#10), the
    // way the program's own files are written.
    static QByteArray EncodeValue(const QString &text);

    // The text catalogue's section: "[TextContainer]" with "key.Caption=..."
    // lines. Every known key the file translates takes the file's text, every
    // other key returns to its built-in text. Returns the number of texts set.
    int ApplyToCatalogue(Morvo3Texts &texts) const;

private:
    QHash<QString, QList<Line>> m_sections; // key: lower-case section name
    QStringList m_sectionNames;
    int m_dropped = 0;
};

// The languages the program speaks, in the order of their index (-1 = the
// built-in Hungarian, 0 English, 1 Slovak, 2 Romanian) and the codes the
// settings file and the command line use.
namespace Languages {
// Resource paths of the three language files.
QString ResourcePath(int index);
// "hu", "en", "sk", "ro" -> -1..2; anything else -2.
int IndexForShortCode(const QString &code);
// The English texts of morvo3-cli's own framing words and the catalogue are
// in the files; this loads language index's file from the resources.
TLanguageFile LoadBuiltInFile(int index);
} // namespace Languages

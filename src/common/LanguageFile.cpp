#include "common/LanguageFile.h"

#include "common/CodePage1250.h"
#include "common/Morvo3Texts.h"

#include <QFile>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

QByteArray trimmed(const QByteArray &bytes)
{
    qsizetype b = 0;
    qsizetype e = bytes.size();
    while (b < e && isBlank(bytes.at(b)))
        ++b;
    while (e > b && (isBlank(bytes.at(e - 1)) || bytes.at(e - 1) == '\r'))
        --e;
    return bytes.mid(b, e - b);
}

// A name is component names and property names joined by dots: letters,
// digits and underscores only. Anything else is not a line of ours.
bool validName(const QByteArray &name)
{
    if (name.isEmpty() || name.startsWith('.') || name.endsWith('.') || name.contains(".."))
        return false;
    for (char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'
                        || c == '.';
        if (!ok)
            return false;
    }
    return true;
}

} // namespace

bool TLanguageFile::DecodeValue(const QByteArray &raw, QString *out)
{
    QByteArray bytes;
    qsizetype i = 0;
    const qsizetype n = raw.size();
    bool any = false;
    while (i < n) {
        const char c = raw.at(i);
        if (isBlank(c)) {
            ++i;
        } else if (c == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (raw.at(i) == '"') {
                    if (i + 1 < n && raw.at(i + 1) == '"') {
                        bytes.append('"');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                bytes.append(raw.at(i));
                ++i;
            }
            if (!closed)
                return false;
            any = true;
        } else if (c == '#') {
            ++i;
            int code = 0;
            int digits = 0;
            while (i < n && raw.at(i) >= '0' && raw.at(i) <= '9') {
                code = code * 10 + (raw.at(i) - '0');
                ++i;
                // More than three digits cannot be a byte; stop before overflowing.
                if (++digits > 3)
                    return false;
            }
            if (digits == 0 || code > 255)
                return false;
            bytes.append(char(code));
            any = true;
        } else {
            return false;
        }
    }
    if (!any)
        return false;
    if (out)
        *out = FromCp1250(bytes);
    return true;
}

QStringList TLanguageFile::SplitList(const QString &value)
{
    QStringList items;
    const qsizetype n = value.size();
    qsizetype i = 0;
    if (value.trimmed().isEmpty())
        return items;
    while (i <= n) {
        while (i < n && value.at(i) == QLatin1Char(' '))
            ++i;
        QString item;
        if (i < n && value.at(i) == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (value.at(i) == QLatin1Char('"')) {
                    if (i + 1 < n && value.at(i + 1) == QLatin1Char('"')) {
                        item.append(QLatin1Char('"'));
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item.append(value.at(i++));
            }
            // Whatever follows the closing quote up to the comma belongs to the item.
            while (i < n && value.at(i) != QLatin1Char(','))
                item.append(value.at(i++));
        } else {
            while (i < n && value.at(i) != QLatin1Char(','))
                item.append(value.at(i++));
        }
        items << item;
        if (i >= n)
            break;
        ++i; // the comma
        if (i == n) {
            items << QString();
            break;
        }
    }
    return items;
}

QString TLanguageFile::JoinList(const QStringList &items)
{
    QStringList parts;
    for (const QString &item : items) {
        if (item.contains(QLatin1Char(' ')) || item.contains(QLatin1Char(',')) || item.contains(QLatin1Char('"'))
            || item.isEmpty()) {
            QString quoted = item;
            quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts << QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            parts << item;
        }
    }
    return parts.join(QLatin1Char(','));
}

QByteArray TLanguageFile::EncodeValue(const QString &text)
{
    const QByteArray bytes = ToCp1250(text);
    QByteArray out;
    bool open = false;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32) {
            if (open)
                out.append('"');
            open = false;
            out.append('#').append(QByteArray::number(u));
            continue;
        }
        if (!open)
            out.append('"');
        open = true;
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    if (open)
        out.append('"');
    if (out.isEmpty())
        out = "\"\"";
    return out;
}

TLanguageFile TLanguageFile::FromBytes(const QByteArray &bytes)
{
    TLanguageFile file;
    QList<Line> *section = nullptr;
    // Where each name of each section stands, so a repeated name replaces
    // its earlier value without a search through the section.
    QHash<QString, QHash<QString, qsizetype>> positions;
    QHash<QString, qsizetype> *sectionPositions = nullptr;
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    while (start < n) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = n;
        const QByteArray line = trimmed(bytes.mid(start, end - start));
        start = end + 1;
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[')) {
            const QByteArray name = line.endsWith(']') ? trimmed(line.mid(1, line.size() - 2)) : QByteArray();
            if (!validName(name) || name.contains('.')) {
                // A broken header: its lines belong to no window.
                section = nullptr;
                ++file.m_dropped;
                continue;
            }
            const QString key = QString::fromLatin1(name).toLower();
            if (!file.m_sections.contains(key))
                file.m_sectionNames << QString::fromLatin1(name);
            section = &file.m_sections[key];
            sectionPositions = &positions[key];
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        QString value;
        const QByteArray name = eq > 0 ? trimmed(line.left(eq)) : QByteArray();
        if (!section || !validName(name) || !DecodeValue(line.mid(eq + 1), &value)) {
            ++file.m_dropped;
            continue;
        }
        const QString lineName = QString::fromLatin1(name);
        const QString folded = lineName.toLower();
        const auto at = sectionPositions->constFind(folded);
        if (at != sectionPositions->constEnd()) {
            (*section)[*at].second = value;
        } else {
            sectionPositions->insert(folded, section->size());
            section->append({lineName, value});
        }
    }
    return file;
}

TLanguageFile TLanguageFile::Load(const QString &path, bool *ok)
{
    if (ok)
        *ok = false;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() > MaxFileSize)
        return {};
    const QByteArray bytes = f.read(MaxFileSize);
    if (ok)
        *ok = true;
    return FromBytes(bytes);
}

QStringList TLanguageFile::Sections() const
{
    return m_sectionNames;
}

bool TLanguageFile::HasSection(const QString &section) const
{
    return m_sections.contains(section.toLower());
}

QList<TLanguageFile::Line> TLanguageFile::Section(const QString &section) const
{
    return m_sections.value(section.toLower());
}

int TLanguageFile::ApplyToCatalogue(Morvo3Texts &texts) const
{
    QHash<QString, QString> translated;
    for (const Line &line : Section(QStringLiteral("TextContainer"))) {
        const qsizetype dot = line.first.indexOf(QLatin1Char('.'));
        if (dot > 0 && line.first.mid(dot + 1).compare(QLatin1String("Caption"), Qt::CaseInsensitive) == 0)
            translated.insert(line.first.left(dot), line.second);
    }
    const QHash<QString, QString> &builtIn = Morvo3Texts::builtInTexts();
    int set = 0;
    for (const QString &key : texts.keys()) {
        const auto it = translated.constFind(key);
        if (it != translated.constEnd()) {
            texts.setText(key, *it);
            ++set;
        } else {
            texts.setText(key, builtIn.value(key));
        }
    }
    return set;
}

namespace Languages {

QString ResourcePath(int index)
{
    switch (index) {
    case 0:
        return QStringLiteral(":/lang/english.lng");
    case 1:
        return QStringLiteral(":/lang/slovak.lng");
    case 2:
        return QStringLiteral(":/lang/romanian.lng");
    default:
        return {};
    }
}

int IndexForShortCode(const QString &code)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("hu"))
        return -1;
    if (c == QLatin1String("en"))
        return 0;
    if (c == QLatin1String("sk"))
        return 1;
    if (c == QLatin1String("ro"))
        return 2;
    return -2;
}

TLanguageFile LoadBuiltInFile(int index)
{
    const QString path = ResourcePath(index);
    return path.isEmpty() ? TLanguageFile() : TLanguageFile::Load(path);
}

} // namespace Languages

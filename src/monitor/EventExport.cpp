#include "monitor/EventExport.h"

#include "common/CodePage1250.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <algorithm>
#include <cstdint>

namespace Monitor {

namespace {
int columnCount(const EventTable &rows)
{
    int n = 0;
    for (const QStringList &row : rows)
        n = std::max(n, int(row.size()));
    return n;
}
} // namespace

// ---------------------------------------------------------------- text

QByteArray EventTextExport(const EventTable &rows)
{
    const int columns = columnCount(rows);
    QList<int> widths(columns, 0);
    for (const QStringList &row : rows)
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], int(row.at(c).size()));
    QString text;
    for (const QStringList &row : rows) {
        for (int c = 0; c < columns; ++c) {
            const QString cell = row.value(c);
            text += cell;
            text += QString(widths[c] + 1 - cell.size(), QLatin1Char(' '));
        }
        text += QLatin1String("\r\n");
    }
    return ToCp1250(text);
}

// ---------------------------------------------------------------- CSV

QString CsvCell(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("\"\"");
    const bool quote = text.contains(QLatin1Char('"'));
    const bool comma = text.contains(QLatin1Char(','));
    const bool lineBreak = text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    QString body = text;
    body.replace(QLatin1String("\""), QLatin1String("\"\""));
    if (quote && !comma) {
        body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        return QLatin1Char('"') + body + QLatin1Char('"');
    }
    if (comma || lineBreak) {
        body.replace(QLatin1String("\r\n"), QString(QChar(0x0B)));
        return QLatin1Char('"') + body + QLatin1Char('"');
    }
    return body;
}

QByteArray EventCsvExport(const EventTable &rows)
{
    const int columns = columnCount(rows);
    QString text;
    for (const QStringList &row : rows) {
        for (int c = 0; c < columns; ++c) {
            if (c > 0)
                text += QLatin1Char(',');
            text += CsvCell(row.value(c));
        }
        text += QLatin1String("\r\n");
    }
    return ToCp1250(text);
}

// ---------------------------------------------------------------- .xls

namespace {
void put16(QByteArray &b, unsigned v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void set32(QByteArray &b, int at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Excel keeps record bodies at most this long; longer content goes on in CONTINUE records.
constexpr int MaxRecordData = 8224;
// A cell text stays short enough that one string never has to be split across records.
constexpr int MaxCellChars = 4000;
constexpr int MaxSheetRows = 65536;
constexpr int MaxSheetColumns = 256;
constexpr int CellXf = 15;   // the first cell format, after the 15 style formats

void record(QByteArray &stream, unsigned type, const QByteArray &data)
{
    put16(stream, type);
    put16(stream, unsigned(data.size()));
    stream += data;
}

QByteArray bof(unsigned kind)
{
    QByteArray d;
    put16(d, 0x0600);   // Excel 97 format
    put16(d, kind);     // 0x0005 workbook globals, 0x0010 worksheet
    put16(d, 0x0DBB);   // build
    put16(d, 0x07CC);   // year
    put32(d, 0);
    put32(d, 0x00000006);
    return d;
}

// A UTF-16 string with a 16-bit length, as the shared string table keeps it.
QByteArray unicodeString(const QString &text)
{
    QByteArray d;
    put16(d, unsigned(text.size()));
    d.append(char(0x01));
    for (QChar ch : text)
        put16(d, ch.unicode());
    return d;
}

QByteArray shortUnicodeString(const QString &text)
{
    QByteArray d;
    d.append(char(text.size()));
    d.append(char(0x01));
    for (QChar ch : text)
        put16(d, ch.unicode());
    return d;
}

QByteArray fontRecord()
{
    QByteArray d;
    put16(d, 200);      // 10 pt
    put16(d, 0);
    put16(d, 0x7FFF);   // automatic colour
    put16(d, 400);      // normal weight
    put16(d, 0);
    d.append(char(0));
    d.append(char(0));
    d.append(char(0));
    d.append(char(0));
    d += shortUnicodeString(QStringLiteral("Arial"));
    return d;
}

QByteArray xfRecord(bool style)
{
    QByteArray d;
    put16(d, 0);                          // font 0
    put16(d, 0);                          // number format "General"
    put16(d, style ? 0xFFF5 : 0x0001);    // style XF / cell XF with parent 0, locked
    d.append(char(0x20));                 // bottom aligned
    d.append(char(0));
    d.append(char(0));
    d.append(char(style ? 0xF4 : 0x00));  // which attributes this format sets
    put32(d, 0);                          // no borders
    put32(d, 0);
    put16(d, 0x20C0);                     // default pattern colours
    return d;
}

// The workbook stream: globals (with the shared strings) and one worksheet.
QByteArray workbookStream(const EventTable &rows, int columns)
{
    QStringList unique;
    QHash<QString, int> index;
    std::uint32_t references = 0;
    QList<QList<int>> cells;
    for (const QStringList &row : rows) {
        QList<int> line;
        for (int c = 0; c < columns; ++c) {
            QString text = row.value(c);
            text.remove(QLatin1Char('\r'));
            text.truncate(MaxCellChars);
            auto it = index.constFind(text);
            if (it == index.constEnd()) {
                it = index.insert(text, int(unique.size()));
                unique << text;
            }
            line << it.value();
            ++references;
        }
        cells << line;
    }

    QByteArray s;
    record(s, 0x0809, bof(0x0005));
    QByteArray d;
    put16(d, 1200);     // texts are UTF-16
    record(s, 0x0042, d);
    d.clear();
    put16(d, 0);
    put16(d, 0);
    put16(d, 0x3000);
    put16(d, 0x2000);
    put16(d, 0x0038);
    put16(d, 0);
    put16(d, 0);
    put16(d, 1);
    put16(d, 0x0258);
    record(s, 0x003D, d);   // WINDOW1
    for (int i = 0; i < 5; ++i)   // fonts 0 to 3 and 5: index 4 does not exist
        record(s, 0x0031, fontRecord());
    for (int i = 0; i < CellXf; ++i)
        record(s, 0x00E0, xfRecord(true));
    record(s, 0x00E0, xfRecord(false));
    d.clear();
    put16(d, 0x8000);   // built-in style "Normal" on XF 0
    d.append(char(0));
    d.append(char(0xFF));
    record(s, 0x0293, d);
    d.clear();
    put32(d, 0);        // the sheet's stream offset, set below
    d.append(char(0));  // visible
    d.append(char(0));  // worksheet
    d += shortUnicodeString(QStringLiteral("Sheet1"));
    const int sheetOffsetAt = int(s.size()) + 4;
    record(s, 0x0085, d);

    // Shared string table, cut into CONTINUE records between whole strings;
    // EXTSST points at every dsst-th string.
    const int dsst = std::max(8, int(unique.size()) / 128 + 1);
    QByteArray ext;
    put16(ext, unsigned(dsst));
    int recordStart = int(s.size());
    QByteArray body;
    put32(body, references);
    put32(body, std::uint32_t(unique.size()));
    unsigned type = 0x00FC;
    for (int i = 0; i < unique.size(); ++i) {
        const QByteArray str = unicodeString(unique.at(i));
        if (body.size() + str.size() > MaxRecordData) {
            record(s, type, body);
            type = 0x003C;
            recordStart = int(s.size());
            body.clear();
        }
        if (i % dsst == 0) {
            put32(ext, std::uint32_t(recordStart + 4 + body.size()));
            put16(ext, unsigned(4 + body.size()));
            put16(ext, 0);
        }
        body += str;
    }
    record(s, type, body);
    record(s, 0x00FF, ext);
    record(s, 0x000A, QByteArray());

    set32(s, sheetOffsetAt, std::uint32_t(s.size()));
    record(s, 0x0809, bof(0x0010));
    d.clear();
    put32(d, 0);
    put32(d, std::uint32_t(rows.size()));
    put16(d, 0);
    put16(d, unsigned(columns));
    put16(d, 0);
    record(s, 0x0200, d);   // DIMENSIONS
    d.clear();
    put16(d, 0x06B6);       // grid lines, headers, zeros, selected sheet
    put16(d, 0);
    put16(d, 0);
    put16(d, 0x0040);
    put16(d, 0);
    put16(d, 0);
    put16(d, 0);
    put32(d, 0);
    record(s, 0x023E, d);   // WINDOW2
    for (int r = 0; r < cells.size(); ++r) {
        for (int c = 0; c < columns; ++c) {
            d.clear();
            put16(d, unsigned(r));
            put16(d, unsigned(c));
            put16(d, CellXf);
            put32(d, std::uint32_t(cells.at(r).at(c)));
            record(s, 0x00FD, d);   // LABELSST
        }
    }
    record(s, 0x000A, QByteArray());
    return s;
}

// The OLE2 compound file around one stream named "Workbook": header, the
// stream's sectors, one directory sector, then the allocation table.
QByteArray compoundFile(QByteArray stream)
{
    constexpr int Sector = 512;
    constexpr int MiniCutoff = 4096;
    constexpr std::uint32_t FreeSect = 0xFFFFFFFF, EndOfChain = 0xFFFFFFFE, FatSect = 0xFFFFFFFD;
    constexpr std::uint32_t NoStream = 0xFFFFFFFF;
    // Streams under 4096 bytes would belong in the mini stream: padding keeps this one a regular stream.
    if (stream.size() < MiniCutoff)
        stream.append(QByteArray(MiniCutoff - stream.size(), '\0'));
    const std::uint32_t streamSize = std::uint32_t(stream.size());
    if (stream.size() % Sector)
        stream.append(QByteArray(Sector - stream.size() % Sector, '\0'));
    const int streamSectors = int(stream.size() / Sector);
    int fatSectors = 1;
    while (streamSectors + 1 + fatSectors > fatSectors * (Sector / 4))
        ++fatSectors;
    if (fatSectors > 109)   // beyond the header's own table: not needed for any event list
        return {};
    const int dirSector = streamSectors;

    QByteArray header;
    header += QByteArray::fromHex("D0CF11E0A1B11AE1");
    header += QByteArray(16, '\0');
    put16(header, 0x003E);
    put16(header, 0x0003);
    put16(header, 0xFFFE);
    put16(header, 9);       // 512-byte sectors
    put16(header, 6);       // 64-byte mini sectors
    header += QByteArray(6, '\0');
    put32(header, 0);
    put32(header, std::uint32_t(fatSectors));
    put32(header, std::uint32_t(dirSector));
    put32(header, 0);
    put32(header, MiniCutoff);
    put32(header, EndOfChain);
    put32(header, 0);
    put32(header, EndOfChain);
    put32(header, 0);
    for (int i = 0; i < 109; ++i)
        put32(header, i < fatSectors ? std::uint32_t(dirSector + 1 + i) : FreeSect);

    auto entry = [&](const QString &name, int type, std::uint32_t child, std::uint32_t start, std::uint32_t size) {
        QByteArray e;
        for (QChar ch : name)
            put16(e, ch.unicode());
        e.append(QByteArray(64 - e.size(), '\0'));
        put16(e, name.isEmpty() ? 0 : unsigned((name.size() + 1) * 2));
        e.append(char(type));
        e.append(char(type == 0 ? 0 : 1));   // black
        put32(e, NoStream);
        put32(e, NoStream);
        put32(e, child);
        e.append(QByteArray(16 + 4 + 8 + 8, '\0'));
        put32(e, start);
        put32(e, size);
        put32(e, 0);
        return e;
    };
    QByteArray directory;
    directory += entry(QStringLiteral("Root Entry"), 5, 1, EndOfChain, 0);
    directory += entry(QStringLiteral("Workbook"), 2, NoStream, 0, streamSize);
    directory += entry(QString(), 0, NoStream, 0, 0);
    directory += entry(QString(), 0, NoStream, 0, 0);

    QByteArray fat;
    for (int i = 0; i < streamSectors; ++i)
        put32(fat, i + 1 < streamSectors ? std::uint32_t(i + 1) : EndOfChain);
    put32(fat, EndOfChain);   // the directory
    for (int i = 0; i < fatSectors; ++i)
        put32(fat, FatSect);
    while (fat.size() < fatSectors * Sector)
        put32(fat, FreeSect);

    return header + stream + directory + fat;
}
} // namespace

QByteArray EventXlsExport(const EventTable &rows)
{
    const int columns = columnCount(rows);
    if (rows.size() > MaxSheetRows || columns > MaxSheetColumns)
        return {};
    return compoundFile(workbookStream(rows, columns));
}

// ---------------------------------------------------------------- files

QByteArray EventExportBytes(const EventTable &rows, TExportFormat format)
{
    switch (format) {
    case TExportFormat::Xls: return EventXlsExport(rows);
    case TExportFormat::Csv: return EventCsvExport(rows);
    case TExportFormat::Text: break;
    }
    return EventTextExport(rows);
}

QString ExportExtension(TExportFormat format)
{
    switch (format) {
    case TExportFormat::Xls: return QStringLiteral(".xls");
    case TExportFormat::Csv: return QStringLiteral(".csv");
    case TExportFormat::Text: break;
    }
    return QStringLiteral(".txt");
}

QString ExportFileName(const QString &fileName, TExportFormat format)
{
    // Only the last part of the path has an extension: "C:/my.folder/list" has none.
    const int slash = std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? fileName.left(dot) : fileName;
    return stem + ExportExtension(format);
}

bool ExportFormatOf(const QString &fileName, TExportFormat *format)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    for (TExportFormat f : {TExportFormat::Xls, TExportFormat::Csv, TExportFormat::Text}) {
        if (QLatin1Char('.') + suffix == ExportExtension(f)) {
            *format = f;
            return true;
        }
    }
    return false;
}

QString WriteEventExport(const QString &fileName, const EventTable &rows, TExportFormat format)
{
    const QString cannot = QStringLiteral("Cannot Create file ") + fileName;
    const QByteArray bytes = EventExportBytes(rows, format);
    if (bytes.isEmpty() && format == TExportFormat::Xls)
        return cannot + QStringLiteral(": the list is too large for a spreadsheet");
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return cannot + QStringLiteral(": ") + file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return cannot + QStringLiteral(": ") + why;
    }
    if (!file.commit())
        return cannot + QStringLiteral(": ") + file.errorString();
    return QString();
}

} // namespace Monitor

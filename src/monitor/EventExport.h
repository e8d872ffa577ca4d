#pragma once
// The three file forms of an event list: aligned text, comma-separated values
// and a spreadsheet (.xls, Excel 97 binary format in an OLE2 compound file).
// Each takes the grid's texts row by row, the header row first, and is shared by
// the long event list window and morvo3-cli.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace Monitor {

using EventTable = QList<QStringList>;

enum class TExportFormat { Xls = 1, Csv = 2, Text = 3 };   // the save dialog's filter indexes

// Aligned text: every cell followed by spaces up to the longest text of its
// column plus one; lines end with CR LF. Windows-1250 bytes.
QByteArray EventTextExport(const EventTable &rows);
// One CSV cell by the quoting rules of the list's CSV files.
QString CsvCell(const QString &text);
// Cells joined by commas, lines ended by CR LF. Windows-1250 bytes.
QByteArray EventCsvExport(const EventTable &rows);
// A workbook with one sheet holding every cell as a string from A1. Empty when
// the table is too large for the file layout (far beyond 1001 rows of 17 cells).
QByteArray EventXlsExport(const EventTable &rows);

// The file's bytes in the given format.
QByteArray EventExportBytes(const EventTable &rows, TExportFormat format);

// The extension of a filter: ".xls", ".csv" or ".txt".
QString ExportExtension(TExportFormat format);
// The file name with its extension replaced by the format's (added when it has none).
QString ExportFileName(const QString &fileName, TExportFormat format);
// The format a file name's extension stands for; false when it names none of them.
bool ExportFormatOf(const QString &fileName, TExportFormat *format);

// Writes the file whole or not at all (through a temporary file in the same
// folder). Empty on success, otherwise the message for the user.
QString WriteEventExport(const QString &fileName, const EventTable &rows, TExportFormat format);

} // namespace Monitor

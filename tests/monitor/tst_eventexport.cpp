// The event list's file forms: text and CSV against golden files written by
// hand for a fixed set of records (good, unknown event code, out-of-range time,
// all 0xFF, missing), the CSV quoting rules, the file name rule, the .xls read
// back by a real spreadsheet reader (python3-xlrd), and files that cannot be
// written.

#include "../link/LinkFixture.h"

#include "monitor/EventExport.h"
#include "monitor/EventFetch.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace LinkTest;
using Monitor::EventTable;
using Monitor::TExportFormat;

namespace {
QByteArray record(const char *targets12, int code, const char *contactId, const char *time)
{
    QByteArray r(36, '\0');
    r.replace(1, 12, hex(targets12));
    r[17] = char(code);
    r.replace(18, 8, hex(contactId));
    r.replace(26, 6, hex(time));
    return r;
}

QString englishCaption(int code)
{
    static const char *const captions[] = {"01. Z1 Alarm", "02. Z1 Restore", "03. Z2 Alarm", "04. Z2 Restore",
                                           "05. Z3 Alarm", "06. Z3 Restore", "07. Z4 Alarm", "08. Z4 Restore",
                                           "09. Arm", "10. Disarm", "11. Test report"};
    return QString::fromLatin1(captions[code]);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read ") + path.toUtf8() + '>';
}

// A python with xlrd: the system's (Debian's python3-xlrd), else whatever python3 is first.
QString xlrdPython()
{
    for (const QString &candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(candidate, {QStringLiteral("-c"), QStringLiteral("import xlrd")});
        if (p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return candidate;
    }
    return QString();
}

// Every cell of the first sheet as [type, text] through xlrd.
QJsonObject readXls(const QString &python, const QString &path)
{
    const char *script = R"(
import json, sys, xlrd
book = xlrd.open_workbook(sys.argv[1])
sheet = book.sheet_by_index(0)
cells = [[[sheet.cell_type(r, c), sheet.cell_value(r, c)] for c in range(sheet.ncols)] for r in range(sheet.nrows)]
print(json.dumps({"sheets": book.nsheets, "rows": sheet.nrows, "cols": sheet.ncols, "cells": cells}))
)";
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromLatin1(script), path});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QJsonObject{{"error", QString::fromUtf8(p.readAllStandardError())}};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
} // namespace

class TestEventExport : public QObject
{
    Q_OBJECT

private:
    // The list of a request for 8 records of which four came: a delivered Z1
    // alarm, a stopped disarm, an unknown event code with an impossible time,
    // and a record of nothing but 0xFF bytes.
    EventTable fixedList()
    {
        LinkFixture f;
        const std::pair<const char *, const char *> english[] = {
            {"lbTXT_EVSTATE_FINSHED", "Finished"}, {"lbTXT_EVSTATE_STOPPED", "Stopped"},
            {"lbTXT_EVSTATE_PROCESSING", "Processing"}, {"lbTXT_EVSTATE_DELAYED", "Delayed"}};
        for (const auto &[k, v] : english)
            f.texts.setText(QLatin1String(k), QLatin1String(v));
        TEventFetch fetch(f.link);
        fetch.Start(8);
        const QByteArray records[] = {
            record("00 00 00 00 00 00 7A 00 00 00 7A 00", 0, "12 34 18 11 30 01 00 10", "18 03 05 07 08 09"),
            record("7E 00 00 00 00 00 00 00 00 00 5E 00", 9, "12 34 18 34 01 01 00 30", "1A 0C 1F 17 3B 3A"),
            record("00 00 00 00 00 00 00 00 00 00 00 7F", 11, "00 00 00 00 00 00 00 00", "00 0D 20 18 3C 63"),
            QByteArray(36, char(0xFF)),
        };
        for (int n = 1; n <= 4; ++n)
            fetch.Take(n, reinterpret_cast<const std::uint8_t *>(records[n - 1].constData()));
        return fetch.Table(f.texts, englishCaption);
    }

private slots:
    void goldenFiles_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("golden");
        QTest::newRow("text") << int(TExportFormat::Text) << QStringLiteral("golden/event_list.txt");
        QTest::newRow("csv") << int(TExportFormat::Csv) << QStringLiteral("golden/event_list.csv");
    }
    void goldenFiles()
    {
        QFETCH(int, format);
        QFETCH(QString, golden);
        const QString path = QFINDTESTDATA(golden);
        QVERIFY2(!path.isEmpty(), qPrintable(golden));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list") + Monitor::ExportExtension(TExportFormat(format)));
        QCOMPARE(Monitor::WriteEventExport(file, fixedList(), TExportFormat(format)), QString());
        const QByteArray written = readFile(file);
        const QByteArray expected = readFile(path);
        if (written != expected) {
            const QList<QByteArray> a = written.split('\n'), b = expected.split('\n');
            for (int i = 0; i < std::min(a.size(), b.size()); ++i)
                QCOMPARE(a.at(i), b.at(i));
        }
        QCOMPARE(written, expected);
    }

    void textPadsToLongestPlusOne()
    {
        // 19 characters at most in column 1: every cell of it takes 20.
        const EventTable rows = {{QStringLiteral("a"), QStringLiteral("1234567890123456789"), QStringLiteral("x")},
                                 {QStringLiteral("bb"), QStringLiteral("short"), QString()}};
        QCOMPARE(Monitor::EventTextExport(rows),
                 QByteArray("a  " "1234567890123456789 " "x " "\r\n"
                            "bb " "short               " "  " "\r\n"));
    }

    void csvCells_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("cell");
        QTest::newRow("empty") << QString() << QStringLiteral("\"\"");
        QTest::newRow("plain") << QStringLiteral("Z1 Alarm") << QStringLiteral("Z1 Alarm");
        QTest::newRow("leading space kept") << QStringLiteral(" Esemény") << QStringLiteral(" Esemény");
        QTest::newRow("quote, no comma") << QStringLiteral("say \"hi\"\r\nnow")
                                         << QStringLiteral("\"say \"\"hi\"\"\nnow\"");
        QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
        QTest::newRow("comma and quote") << QStringLiteral("a,\"b\"") << QStringLiteral("\"a,\"\"b\"\"\"");
        QTest::newRow("line break") << QStringLiteral("one\r\ntwo") << QStringLiteral("\"one\x0Btwo\"");
    }
    void csvCells()
    {
        QFETCH(QString, text);
        QFETCH(QString, cell);
        QCOMPARE(Monitor::CsvCell(text), cell);
    }

    void fileNameTakesFilterExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<int>("format");
        QTest::addColumn<QString>("written");
        QTest::newRow("text over csv") << "/tmp/list.csv" << int(TExportFormat::Text) << "/tmp/list.txt";
        QTest::newRow("none added") << "/tmp/list" << int(TExportFormat::Xls) << "/tmp/list.xls";
        QTest::newRow("dotted folder") << "/tmp/my.dir/list" << int(TExportFormat::Csv) << "/tmp/my.dir/list.csv";
        QTest::newRow("last dot only") << "/tmp/a.b.txt" << int(TExportFormat::Xls) << "/tmp/a.b.xls";
        QTest::newRow("same") << "list.csv" << int(TExportFormat::Csv) << "list.csv";
    }
    void fileNameTakesFilterExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(int, format);
        QFETCH(QString, written);
        QCOMPARE(Monitor::ExportFileName(chosen, TExportFormat(format)), written);
    }

    void xlsOpensInXlrd_data()
    {
        QTest::addColumn<int>("requested");
        QTest::newRow("fixed records") << 0;
        // Enough distinct texts for the shared strings to run over several
        // records and the file over several allocation sectors.
        QTest::newRow("1000 records") << 1000;
    }
    void xlsOpensInXlrd()
    {
        QFETCH(int, requested);
        const QString python = xlrdPython();
        if (python.isEmpty())
            QSKIP("python3-xlrd is not installed (scripts/install-deps.sh installs it)");
        EventTable rows;
        if (requested == 0) {
            rows = fixedList();
        } else {
            rows << Monitor::EventListHeaders();
            for (int n = 1; n <= requested; ++n) {
                QStringList row;
                for (int c = 0; c < Monitor::EventGridColumns; ++c)
                    row << QStringLiteral("r%1c%2 ő\"ű,").arg(n).arg(c);
                rows << row;
            }
        }
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list.xls"));
        QCOMPARE(Monitor::WriteEventExport(file, rows, TExportFormat::Xls), QString());
        const QJsonObject sheet = readXls(python, file);
        QVERIFY2(!sheet.contains("error"), qPrintable(sheet.value("error").toString()));
        QCOMPARE(sheet.value("sheets").toInt(), 1);
        QCOMPARE(sheet.value("rows").toInt(), int(rows.size()));
        QCOMPARE(sheet.value("cols").toInt(), 17);
        const QJsonArray cells = sheet.value("cells").toArray();
        for (int r = 0; r < rows.size(); ++r) {
            const QJsonArray line = cells.at(r).toArray();
            for (int c = 0; c < 17; ++c) {
                const QJsonArray cell = line.at(c).toArray();
                QCOMPARE(cell.at(0).toInt(), 1);   // xlrd.XL_CELL_TEXT: every cell a string
                QCOMPARE(cell.at(1).toString(), rows.at(r).value(c));
            }
        }
    }

    void xlsHandTable()
    {
        // The first cells of the fixed list, spelled out: A1 is the empty header of
        // the number column, B1 the time header, A2 the first number.
        const QString python = xlrdPython();
        if (python.isEmpty())
            QSKIP("python3-xlrd is not installed");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("list.xls"));
        QCOMPARE(Monitor::WriteEventExport(file, fixedList(), TExportFormat::Xls), QString());
        const QJsonArray cells = readXls(python, file).value("cells").toArray();
        auto at = [&](int r, int c) { return cells.at(r).toArray().at(c).toArray().at(1).toString(); };
        QCOMPARE(at(0, 0), QString());
        QCOMPARE(at(0, 1), QStringLiteral(" Dátum / Idő"));
        QCOMPARE(at(1, 0), QStringLiteral("1"));
        QCOMPARE(at(1, 3), QStringLiteral("1234 18 E 130 01 001"));
        QCOMPARE(at(4, 1), QStringLiteral("2255/255/255. 255:255:255"));
        QCOMPARE(at(3, 2), QStringLiteral(" "));
        QCOMPARE(at(2, 16), QStringLiteral("Stopped"));
        QCOMPARE(at(8, 16), QString());
    }

    void unwritableTarget_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("xls") << int(TExportFormat::Xls);
        QTest::newRow("csv") << int(TExportFormat::Csv);
        QTest::newRow("txt") << int(TExportFormat::Text);
    }
    void unwritableTarget()
    {
        QFETCH(int, format);
        QTemporaryDir dir;
        // A folder that does not exist, and a "folder" that is a file: neither
        // can be written, not even by root.
        QFile plain(dir.filePath(QStringLiteral("plain")));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        const QString ext = Monitor::ExportExtension(TExportFormat(format));
        for (const QString &target : {dir.filePath(QStringLiteral("missing/list") + ext),
                                      dir.filePath(QStringLiteral("plain/list") + ext)}) {
            const QString error = Monitor::WriteEventExport(target, fixedList(), TExportFormat(format));
            QVERIFY2(error.startsWith(QStringLiteral("Cannot Create file ") + target), qPrintable(error));
            QVERIFY(!QFile::exists(target));
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("plain")});
    }

    void readOnlyFolderLeavesNoPartialFile()
    {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders; the missing-folder case covers it");
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("list.csv"));
        QFile old(target);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old content\r\n");
        old.close();
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const QString error = Monitor::WriteEventExport(target, fixedList(), TExportFormat::Csv);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(error.startsWith(QStringLiteral("Cannot Create file ")));
        QCOMPARE(readFile(target), QByteArray("old content\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestEventExport)
#include "tst_eventexport.moc"

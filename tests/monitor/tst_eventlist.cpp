// The long event list window on a link fed with hand-built frames, beside the
// status page that hands it the records: the request, rows as records come,
// progress, stop, a lost connection, the filter and what export writes, the
// event info window over its grid, close and reopen, printing.

#include "../link/LinkFixture.h"

#include "monitor/ElistInfo.h"
#include "monitor/Event_List.h"
#include "monitor/StatusPage.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace LinkTest;

namespace {
// Z1 alarm (code 0) or disarm (code 9), delivered to G1; time 2024/03/05 07:08:ss.
QByteArray sampleRecord(int code, int second = 9)
{
    QByteArray r(36, '\0');
    r[1] = char(0x7A);
    r[17] = char(code);
    r.replace(18, 8, hex("12 34 18 11 30 01 00 10"));
    r.replace(26, 6, hex("18 03 05 07 08"));
    r[31] = char(second);
    return r;
}

struct ListFixture : LinkFixture
{
    TStatusPage page{link, texts};
    QPointer<TEventList> list = new TEventList(page, link, texts);
    ListFixture() { useEnglishCaptions(); }
    ~ListFixture() { delete list.data(); }
    void useEnglishCaptions()
    {
        page.SetEventCaptionSource([](int code) {
            return code == 9 ? QStringLiteral("10. Disarm") : QStringLiteral("01. Z1 Alarm");
        });
    }
    void event(int number, const QByteArray &record36)
    {
        const QByteArray n(QByteArray(1, char(number >> 8)) + char(number & 0xFF) + char(0));
        receivePlain(result(Link::RECORD_START, 2, n));
        receivePlain(reply(Link::COMMAND, record36.mid(0, 13)));
        receivePlain(reply(Link::COMMAND, record36.mid(13, 13)));
        receivePlain(reply(Link::COMMAND, record36.mid(26, 10)));
    }
    template <typename T> T *child(const char *name) const { return list->findChild<T *>(QLatin1String(name)); }
    QTableWidget *grid() const { return list->Grid(); }
    QString cell(int r, int c) const { return grid()->item(r, c) ? grid()->item(r, c)->text() : QString(); }
    QString mainCell(int r, int c) const
    {
        const QTableWidget *g = page.EventGrid();
        return g->item(r, c) ? g->item(r, c)->text() : QString();
    }
    QString progress() const { return child<QLabel>("lbProgress")->text(); }
    void start(int count)
    {
        child<QSpinBox>("ECount")->setValue(count);
        QTest::mouseClick(child<QPushButton>("EvReq_Start"), Qt::LeftButton);
    }
    // Acknowledgements sent, by event number.
    QList<int> acks() const
    {
        QList<int> out;
        for (int i = 0; i < sent.size(); ++i) {
            const QByteArray p = sentPlain(i);
            if (quint8(p[10]) == 0x04)
                out << (quint8(p[11]) << 8 | quint8(p[12]));
        }
        return out;
    }
};
} // namespace

class TestEventList : public QObject
{
    Q_OBJECT

private slots:
    void countRangeAndRequest_data()
    {
        QTest::addColumn<int>("typed");
        QTest::addColumn<QString>("args");
        QTest::newRow("1000") << 1000 << QStringLiteral("02 03 E8");
        QTest::newRow("above range") << 5000 << QStringLiteral("02 03 E8");
        QTest::newRow("below range") << 3 << QStringLiteral("02 00 08");
        QTest::newRow("default") << 50 << QStringLiteral("02 00 32");
    }
    void countRangeAndRequest()
    {
        QFETCH(int, typed);
        QFETCH(QString, args);
        ListFixture f;
        auto *count = f.child<QSpinBox>("ECount");
        QCOMPARE(count->value(), 50);
        f.start(typed);
        QCOMPARE(hexText(f.sentPlain(int(f.sent.size()) - 1).mid(10, 3)), args);
        // The grid starts over with two rows until the first record comes.
        QCOMPARE(f.grid()->rowCount(), 2);
        QVERIFY(f.child<QPushButton>("btStop")->isEnabled());
    }

    void rowsFillAsRecordsArrive()
    {
        ListFixture f;
        f.start(20);
        QCOMPARE(f.progress(), QStringLiteral("0 of 20 records"));
        for (int n = 1; n <= 12; ++n)
            f.event(n, sampleRecord(n == 10 ? 9 : 0, n));
        QCOMPARE(f.grid()->rowCount(), 21);
        QCOMPARE(f.cell(3, 0), QStringLiteral("3"));
        QCOMPARE(f.cell(3, 1), QStringLiteral("2024/03/05. 07:08:03"));
        QCOMPARE(f.cell(10, 2), QStringLiteral("Disarm"));
        QCOMPARE(f.cell(12, 3), QStringLiteral("1234 18 E 130 01 001"));
        QCOMPARE(f.cell(12, 4), QStringLiteral("*"));
        QCOMPARE(f.cell(13, 1), QString());
        QCOMPARE(f.progress(), QStringLiteral("12 of 20 records"));
        // The first eight also reach the status page's grid; every record is acknowledged once.
        QCOMPARE(f.mainCell(3, 1), QStringLiteral("2024/03/05. 07:08:03"));
        QCOMPARE(f.acks(), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
        for (int n = 13; n <= 20; ++n)
            f.event(n, sampleRecord(0, n));
        QCOMPARE(f.list->Fetch().State(), TEventFetch::TState::Complete);
        QCOMPARE(f.progress(), QStringLiteral("20 of 20 records"));
        QVERIFY(!f.child<QPushButton>("btStop")->isEnabled());
        // A refresh on the status page brings records 1 to 8 into this grid too.
        f.page.RefreshEvents();
        f.event(2, sampleRecord(9, 42));
        QCOMPARE(f.cell(2, 1), QStringLiteral("2024/03/05. 07:08:42"));
    }

    void stopKeepsWhatArrived()
    {
        ListFixture f;
        f.start(50);
        for (int n = 1; n <= 5; ++n)
            f.event(n, sampleRecord(0, n));
        QTest::mouseClick(f.child<QPushButton>("btStop"), Qt::LeftButton);
        f.event(6, sampleRecord(0, 6));
        QCOMPARE(f.cell(5, 1), QStringLiteral("2024/03/05. 07:08:05"));
        QCOMPARE(f.cell(6, 1), QString());
        QVERIFY(f.progress().startsWith(QStringLiteral("5 of 50 records: stopped")));
        // Still acknowledged, so the module is not left waiting.
        QCOMPARE(f.acks().last(), 6);
        const Monitor::EventTable table = f.list->GridTable(false);
        QCOMPARE(table.size(), 51);
        QCOMPARE(table.at(5).at(1), QStringLiteral("2024/03/05. 07:08:05"));
    }

    void lostConnectionKeepsRowsWithMessage()
    {
        ListFixture f;
        QSignalSpy messages(f.list.data(), &TEventList::showMessage);
        f.start(50);
        for (int n = 1; n <= 3; ++n)
            f.event(n, sampleRecord(0, n));
        f.list->ConnectionLost();
        QCOMPARE(messages.size(), 1);
        const QString text = messages.at(0).at(0).toString();
        QVERIFY2(text.startsWith(QStringLiteral("3 of 50 records")) && text.contains(QStringLiteral("lost")),
                 qPrintable(text));
        QCOMPARE(f.progress(), text);
        QCOMPARE(f.cell(3, 1), QStringLiteral("2024/03/05. 07:08:03"));
        QCOMPARE(f.grid()->rowCount(), 51);
    }

    void silentModuleEndsTheFetch()
    {
        ListFixture f;
        f.list->Fetch().setIdleTimeoutMs(200);
        f.start(50);
        for (int n = 1; n <= 20; ++n)
            f.event(n, sampleRecord(0, n));
        QTRY_COMPARE(f.list->Fetch().State(), TEventFetch::TState::Silent);
        QCOMPARE(f.progress(), QStringLiteral("20 of 50 records: the module sent no more"));
    }

    void badRecordsShowAndExport()
    {
        ListFixture f;
        f.start(8);
        QByteArray unknown = sampleRecord(0);
        unknown[17] = char(0x42);
        QByteArray badTime = sampleRecord(0);
        badTime.replace(26, 6, hex("FF 00 63 63 63 63"));
        f.event(1, unknown);
        f.event(2, badTime);
        f.event(3, QByteArray(36, char(0xFF)));
        QCOMPARE(f.cell(1, 2), QStringLiteral(" "));
        QCOMPARE(f.cell(2, 1), QStringLiteral("2255/00/99. 99:99:99"));
        QCOMPARE(f.cell(3, 3), QStringLiteral("FFFF FF F FFF FF FFF"));
        QTemporaryDir dir;
        for (auto format : {Monitor::TExportFormat::Xls, Monitor::TExportFormat::Csv, Monitor::TExportFormat::Text})
            QCOMPARE(f.list->ExportTo(dir.filePath(QStringLiteral("bad")), format), QString());
        QFile csv(dir.filePath(QStringLiteral("bad.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QVERIFY(lines.at(3).startsWith("3,2255/255/255. 255:255:255, ,FFFF FF F FFF FF FFF,?,"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("bad.xls"))));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("bad.txt"))));
    }

    void filterNarrowsRowsExportTakesAllUnlessTicked_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("onlyShown");
        QTest::addColumn<int>("exportedLines");
        QTest::addColumn<int>("shownRows");
        // Records 1 to 8: disarm on 2 and 5, Z1 alarm elsewhere; times end in the number.
        QTest::newRow("event, all rows") << "disarm" << false << 9 << 2;
        QTest::newRow("event, shown only") << "DISARM" << true << 3 << 2;
        QTest::newRow("date") << "07:08:07" << true << 2 << 1;
        QTest::newRow("contact id") << "E 130" << true << 7 << 6;
        QTest::newRow("no filter") << "" << true << 9 << 8;
    }
    void filterNarrowsRowsExportTakesAllUnlessTicked()
    {
        QFETCH(QString, filter);
        QFETCH(bool, onlyShown);
        QFETCH(int, exportedLines);
        QFETCH(int, shownRows);
        ListFixture f;
        f.start(8);
        QByteArray disarm = sampleRecord(9);
        disarm.replace(18, 8, hex("12 34 18 34 01 01 00 30"));
        for (int n = 1; n <= 8; ++n) {
            QByteArray r = n == 2 || n == 5 ? disarm : sampleRecord(0);
            r[31] = char(n);
            f.event(n, r);
        }
        f.child<QLineEdit>("edFilter")->setText(filter);
        f.child<QCheckBox>("cbOnlyShown")->setChecked(onlyShown);
        int shown = 0;
        for (int r = 1; r < f.grid()->rowCount(); ++r)
            shown += f.grid()->isRowHidden(r) ? 0 : 1;
        QCOMPARE(shown, shownRows);
        QVERIFY(!f.grid()->isRowHidden(0));
        QTemporaryDir dir;
        f.list->SetSaveChooser([&](QString *name, Monitor::TExportFormat *format) {
            *name = dir.filePath(QStringLiteral("list.csv"));
            *format = Monitor::TExportFormat::Text;
            return true;
        });
        QTest::mouseClick(f.child<QPushButton>("btListExport"), Qt::LeftButton);
        // The filter "Text" wins over the typed extension.
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("list.csv"))));
        QFile txt(dir.filePath(QStringLiteral("list.txt")));
        QVERIFY(txt.open(QIODevice::ReadOnly));
        QCOMPARE(int(txt.readAll().count("\r\n")), exportedLines);
        // A record arriving after the filter was typed is filtered too.
        f.page.RefreshEvents();
        f.event(2, sampleRecord(0, 2));
        QCOMPARE(f.grid()->isRowHidden(2), !filter.isEmpty() && filter != QLatin1String("E 130"));
    }

    void exportToUnwritableFolderSaysSo()
    {
        ListFixture f;
        QSignalSpy messages(f.list.data(), &TEventList::showMessage);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("no/such/folder/list"));
        const QString error = f.list->ExportTo(target, Monitor::TExportFormat::Csv);
        QVERIFY2(error.startsWith(QStringLiteral("Cannot Create file ") + target + QStringLiteral(".csv")),
                 qPrintable(error));
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).at(0).toString(), error);
        QVERIFY(!QFile::exists(target + QStringLiteral(".csv")));
    }

    void cancelledSaveWritesNothing()
    {
        ListFixture f;
        QSignalSpy messages(f.list.data(), &TEventList::showMessage);
        f.list->SetSaveChooser([](QString *, Monitor::TExportFormat *) { return false; });
        f.list->ExportEventList();
        QCOMPARE(messages.size(), 0);
    }

    void infoWindowOverTheGrid()
    {
        ListFixture f;
        f.list->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.list.data()));
        f.start(8);
        f.event(1, sampleRecord(0));
        TEListInfoForm *info = f.page.EventInfoForm();
        QVERIFY(info);
        QWidget *viewport = f.grid()->viewport();
        // Column 4 (G1) starts after 18+120+80+120 pixels plus one grid line per column; row 1 at y 18 to 35.
        QMouseEvent overMark(QEvent::MouseMove, QPointF(350, 20), viewport->mapToGlobal(QPointF(350, 20)),
                             Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &overMark);
        QVERIFY(info->isVisible());
        QVERIFY2(info->Lines().join('|').contains(QStringLiteral("GPRS1")), qPrintable(info->Lines().join('|')));
        QMouseEvent overBackground(QEvent::MouseMove, QPointF(700, 40), f.list->mapToGlobal(QPointF(700, 40)),
                                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(f.list.data(), &overBackground);
        QVERIFY(!info->isVisible());
    }

    void closeAndReopenFresh()
    {
        ListFixture f;
        f.list->show();
        f.start(20);
        for (int n = 1; n <= 10; ++n)
            f.event(n, sampleRecord(0, n));
        QTest::mouseClick(f.child<QPushButton>("btClose"), Qt::LeftButton);
        QTRY_VERIFY(f.list.isNull());
        // Records after the close go to the status page alone, and are acknowledged.
        f.event(11, sampleRecord(0, 11));
        QCOMPARE(f.acks().last(), 11);
        f.list = new TEventList(f.page, f.link, f.texts);
        QCOMPARE(f.child<QSpinBox>("ECount")->value(), 50);
        QCOMPARE(f.grid()->rowCount(), 9);
        for (int r = 1; r < f.grid()->rowCount(); ++r)
            QCOMPARE(f.cell(r, 1), QString());
        QCOMPARE(f.progress(), QString());
    }

    void legendBlock()
    {
        ListFixture f;
        const QStringList legend = f.list->LegendLines();
        QCOMPARE(legend.size(), 16);
        QCOMPARE(legend.at(0), QStringLiteral("  Jelmagyarázat:"));
        QCOMPARE(legend.at(1), QStringLiteral("  ----------------------------------"));
        QCOMPARE(legend.at(8), QString());
        QCOMPARE(legend.at(12), legend.at(1));
        QCOMPARE(legend.at(15), QStringLiteral("  Eseménynapló:"));
    }

    void printsWholeGridToPdf()
    {
        // 8 rows fit one page; 1000 rows and the legend take many, every row printed.
        ListFixture f;
        QTemporaryDir dir;
        auto pages = [&](const QString &name) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(dir.filePath(name));
            f.list->PrintTo(&printer);
            QFile pdf(dir.filePath(name));
            if (!pdf.open(QIODevice::ReadOnly))
                return -1;
            const QByteArray bytes = pdf.readAll();
            if (!bytes.startsWith("%PDF"))
                return -2;
            return int(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page>")
                       + bytes.count("/Type /Page/") + bytes.count("/Type /Page "));
        };
        QCOMPARE(pages(QStringLiteral("short.pdf")), 1);
        f.start(1000);
        for (int n = 1; n <= 1000; ++n)
            f.list->Fetch().Take(n, reinterpret_cast<const std::uint8_t *>(sampleRecord(0).constData()));
        QCOMPARE(f.grid()->rowCount(), 2);   // Take alone feeds the fetch, not the grid
        for (int n = 1; n <= 1000; n += 111)
            f.event(n, sampleRecord(0));
        QCOMPARE(f.grid()->rowCount(), 1001);
        const int many = pages(QStringLiteral("long.pdf"));
        // 1017 lines at well under 200 a page.
        QVERIFY2(many > 5, qPrintable(QString::number(many)));
    }
};

QTEST_MAIN(TestEventList)
#include "tst_eventlist.moc"

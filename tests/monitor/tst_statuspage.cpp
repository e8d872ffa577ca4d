// The status page on a link fed with hand-built frames: labels, colours and
// fonts of status reports, event rows and their acknowledgement, the buttons'
// frames and the event info window.

#include "../link/LinkFixture.h"

#include "link/MemoWriter.h"
#include "link/SerialDetails.h"
#include "monitor/ElistInfo.h"
#include "monitor/StatusPage.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

using namespace LinkTest;

namespace {
const QColor Red(255, 0, 0), Green(0, 128, 0), Blue(0, 0, 255), Black(0, 0, 0);

void useEnglish(Morvo3Texts &t)
{
    const std::pair<const char *, const char *> english[] = {
        {"lbTXT_SHORT", "Short"}, {"lbTXT_OPEN", "Open"}, {"lbTXT_ON", "ON"}, {"lbTXT_OFF", "OFF"},
        {"lbTXT_ARM_STATE_ARMED", "Armed"}, {"lbTXT_ARM_STATE_DISARMED", "Disarmed"},
        {"lbTXT_INPUT_LABEL_ALARM", "ALARM"}, {"lbTXT_INPUT_LABEL_DISARMED", "Disarmed"},
        {"lbTXT_INPUT_LABEL_IDLE", "Idle"}, {"lbTXT_EVSTATE_FINSHED", "Finished"},
        {"lbTXT_EVENT_PROPS", "Event details: "}, {"lbTXT_EVENT_DATE", "Date/Time: "},
        {"lbTXT_EVENT_TARGET", "Report for the following event: "}, {"lbTXT_CENTRAL_STATION", "Monitoring station"},
        {"lbTXT_EVENT_TYPE_OK", "Report delivered successfully."}, {"lbTXT_EVENT_TYPE_NO", "No report generated."},
    };
    for (const auto &[k, v] : english)
        QVERIFY(t.setText(QLatin1String(k), QString::fromUtf8(v)));
}

struct PageFixture : LinkFixture
{
    TStatusPage page{link, texts};
    PageFixture()
    {
        useEnglish(texts);
        page.resize(1100, 620);
    }
    QLabel *label(const QString &name) const { return page.findChild<QLabel *>(name); }
    QColor color(const QString &name) const { return label(name)->palette().color(QPalette::WindowText); }
    QLabel *label(const char *name) const { return label(QLatin1String(name)); }
    QColor color(const char *name) const { return color(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return page.findChild<QPushButton *>(QLatin1String(name)); }
    QTableWidget *grid() const { return page.EventGrid(); }
    QString cell(int r, int c) const { return grid()->item(r, c) ? grid()->item(r, c)->text() : QString(); }

    static QByteArray three(int a, int b, int c)
    {
        QByteArray d(3, '\0');
        d[0] = char(a);
        d[1] = char(b);
        d[2] = char(c);
        return d;
    }
    void basic(int a, int b, int c) { receivePlain(result(Link::COMMAND, 1, three(a, b, c))); }
    void extended(int a, int b, int c, int method)
    {
        receivePlain(result(Link::RECORD_START, 7, three(a, b, c)));
        receivePlain(reply(Link::COMMAND, QByteArray(1, char(method))));
    }
    void event(int number, const QByteArray &record36)
    {
        receivePlain(result(Link::RECORD_START, 2, three(number >> 8, number & 0xFF, 0)));
        receivePlain(reply(Link::COMMAND, record36.mid(0, 13)));
        receivePlain(reply(Link::COMMAND, record36.mid(13, 13)));
        receivePlain(reply(Link::COMMAND, record36.mid(26, 10)));
    }
    // The argument bytes (plain-block bytes 10 to 14) of every frame sent.
    QStringList sentArgs() const
    {
        QStringList out;
        for (int i = 0; i < sent.size(); ++i)
            out << hexText(sentPlain(i).mid(10, 5));
        return out;
    }
};

// A record: G1 delivered (0x7A), the others unreported; Z1 Alarm; the example Contact ID and time.
QByteArray sampleRecord(int code = 0)
{
    QByteArray r(36, '\0');
    r[1] = char(0x7A);
    for (int k = 1; k < 12; ++k)
        r[1 + k] = char(0x01);
    r[17] = char(code);
    r.replace(18, 8, hex("12 34 18 11 30 01 00 10"));
    r.replace(26, 6, hex("18 03 05 07 08 09"));
    return r;
}
} // namespace

class TestStatusPage : public QObject
{
    Q_OBJECT
private slots:
    void basicStatusExample();
    void extendedStatusAndOrder();
    void statusEveryBitSet();
    void resetStatusDisplay();
    void eventRecordRowsAndAck();
    void olderEventsAndLongList();
    void badRecordsShowWithoutCrash();
    void refreshClearsRowsAndAsks();
    void buttonsSendTheirFrames_data();
    void buttonsSendTheirFrames();
    void clearMessagesSendsNothing();
    void eventHint();
    void gsmPlotFollowsReports();
};

void TestStatusPage::basicStatusExample()
{
    PageFixture f;
    f.basic(0x15, 0x80, 20);
    const QString circuits[4] = {"Short", "Open", "Short", "Open"};
    const QColor colors[4] = {Red, Black, Red, Black};
    for (int z = 0; z < 4; ++z) {
        const QString name = QStringLiteral("lbIN%1").arg(z + 1);
        QCOMPARE(f.label(name)->text(), circuits[z]);
        QCOMPARE(f.color(name), colors[z]);
        QCOMPARE(f.label(name + "B")->text(), QStringLiteral("."));
    }
    QCOMPARE(f.label("lbREL1")->text(), QStringLiteral("OFF"));
    QCOMPARE(f.color("lbREL1"), Black);
    QVERIFY(!f.label("lbREL1")->font().bold());
    QCOMPARE(f.label("lbREL2")->text(), QStringLiteral("ON"));
    QCOMPARE(f.color("lbREL2"), Green);
    QVERIFY(f.label("lbREL2")->font().bold());
    QCOMPARE(f.label("lbARMED")->text(), QStringLiteral("Armed"));
    QCOMPARE(f.color("lbARMED"), Red);
    QCOMPARE(f.page.findChild<QProgressBar *>("pbTerero")->value(), 20);
    QCOMPARE(f.label("lbGSMpowVal")->text(), QStringLiteral("20"));
}

void TestStatusPage::extendedStatusAndOrder()
{
    PageFixture f;
    f.basic(0x01, 0x00, 7);                 // zone 1 short (red), the rest open
    f.extended(0x02, 0x00, 0x9F, 3);        // armed, both relays on, 31; zone 4 an arming input
    QCOMPARE(f.label("lbARMED")->text(), QStringLiteral("Armed"));
    QCOMPARE(f.label("lbREL1")->text(), QStringLiteral("ON"));
    QCOMPARE(f.label("lbREL2")->text(), QStringLiteral("ON"));
    QCOMPARE(f.label("lbGSMpowVal")->text(), QStringLiteral("31"));
    // The circuit text follows the extended report; its colour stays from the basic one.
    QCOMPARE(f.label("lbIN1")->text(), QStringLiteral("Open"));
    QCOMPARE(f.color("lbIN1"), Red);
    QCOMPARE(f.label("lbIN2")->text(), QStringLiteral("Short"));
    QCOMPARE(f.color("lbIN2"), Black);
    // Armed, P = 0 and Q = 0 everywhere: alarm; zone 4 "--".
    QCOMPARE(f.label("lbIN1B")->text(), QStringLiteral("ALARM"));
    QCOMPARE(f.color("lbIN1B"), Red);
    QCOMPARE(f.label("lbIN3B")->text(), QStringLiteral("ALARM"));
    QCOMPARE(f.label("lbIN4B")->text(), QStringLiteral("--"));
    QCOMPARE(f.color("lbIN4B"), Black);

    f.extended(0x10, 0x01, 0x05, 0);        // disarmed; zone 1 watched, P1=1 Q1=0: idle
    QCOMPARE(f.label("lbARMED")->text(), QStringLiteral("Disarmed"));
    QCOMPARE(f.color("lbARMED"), Blue);
    QCOMPARE(f.label("lbIN1B")->text(), QStringLiteral("Idle"));
    QCOMPARE(f.color("lbIN1B"), Black);
    for (const char *n : {"lbIN2B", "lbIN3B", "lbIN4B"}) {
        QCOMPARE(f.label(n)->text(), QStringLiteral("Disarmed"));
        QCOMPARE(f.color(n), Green);
    }
    // A basic status leaves the zone states as they are.
    f.basic(0x3F, 0x00, 3);
    QCOMPARE(f.label("lbIN1B")->text(), QStringLiteral("Idle"));
    QCOMPARE(f.label("lbIN2B")->text(), QStringLiteral("Disarmed"));
    QCOMPARE(f.label("lbREL1")->text(), QStringLiteral("OFF"));
    QVERIFY(!f.label("lbREL1")->font().bold());
    QCOMPARE(f.statusCount, 4);
}

void TestStatusPage::statusEveryBitSet()
{
    PageFixture f;
    f.basic(0xFF, 0xFF, 0xFF);
    QCOMPARE(f.label("lbGSMpowVal")->text(), QStringLiteral("255"));
    QCOMPARE(f.page.findChild<QProgressBar *>("pbTerero")->value(), 31);
    f.extended(0xFF, 0xFF, 0xFF, 0xFF);
    QCOMPARE(f.label("lbGSMpowVal")->text(), QStringLiteral("31"));
    QCOMPARE(f.label("lbIN3B")->text(), QStringLiteral("--"));
    QCOMPARE(f.label("lbIN4B")->text(), QStringLiteral("--"));
    QCOMPARE(f.label("lbIN1B")->text(), QStringLiteral("ALARM"));
}

void TestStatusPage::resetStatusDisplay()
{
    PageFixture f;
    f.basic(0x05, 0x80, 12);
    f.extended(0x00, 0x00, 0x9F, 0);
    f.page.ResetStatusDisplay();
    for (const char *n : {"lbIN1", "lbIN1B", "lbIN4", "lbIN4B", "lbREL1", "lbREL2", "lbARMED"}) {
        QCOMPARE(f.label(n)->text(), QStringLiteral("."));
        QCOMPARE(f.color(n), Black);
    }
    QVERIFY(!f.label("lbREL1")->font().bold());
    QCOMPARE(f.label("lbGSMpowVal")->text(), QStringLiteral("0"));
    QCOMPARE(f.page.findChild<QProgressBar *>("pbTerero")->value(), 0);
    QCOMPARE(f.label("panClock")->text(), QStringLiteral("00:00"));
    QCOMPARE(f.page.GsmHistory().Count(), 0);
}

void TestStatusPage::eventRecordRowsAndAck()
{
    PageFixture f;
    f.page.SetEventCaptionSource([](int code) { return code == 0 ? QStringLiteral("01. Z1 Alarm") : QString(); });
    f.event(3, sampleRecord());
    QCOMPARE(f.eventRecordCount, 1);
    QCOMPARE(f.cell(3, 0), QStringLiteral("3"));
    QCOMPARE(f.cell(3, 1), QStringLiteral("2024/03/05. 07:08:09"));
    QCOMPARE(f.cell(3, 2), QStringLiteral("Z1 Alarm"));
    QCOMPARE(f.cell(3, 3), QStringLiteral("1234 18 E 130 01 001"));
    QCOMPARE(f.cell(3, 4), QStringLiteral("*"));
    QCOMPARE(f.cell(3, 5), QStringLiteral("--"));
    QCOMPARE(f.cell(3, 16), QStringLiteral("Finished"));
    QCOMPARE(f.cell(2, 1), QString());
    QCOMPARE(f.link.EventNumber, 0);
    // The acknowledgement: COMMAND CMD_EVENT_ACK with the number, high byte first.
    QCOMPARE(f.sent.size(), 1);
    QCOMPARE(quint8(f.sentPlain(0).at(1)), quint8(Link::COMMAND));
    QCOMPARE(f.sentArgs().at(0), QStringLiteral("04 00 03 00 00"));

    f.event(300, sampleRecord());
    QCOMPARE(f.sent.size(), 2);
    QCOMPARE(hexText(f.sentPlain(1).mid(10, 3)), QStringLiteral("04 01 2C"));
    QCOMPARE(f.link.EventNumber, 0);
    // Beyond the grid: nothing written anywhere.
    for (int r = 1; r < 9; ++r)
        if (r != 3)
            QCOMPARE(f.cell(r, 1), QString());
}

void TestStatusPage::olderEventsAndLongList()
{
    PageFixture f;
    QList<int> listed;
    f.page.SetLongListSink([&](int n, const std::uint8_t *) { listed << n; });
    f.event(3, sampleRecord());
    QVERIFY(!f.page.OlderEventsSeen());
    f.event(9, sampleRecord());
    QVERIFY(f.page.OlderEventsSeen());
    f.event(2, sampleRecord(4));           // after an older one: the main grid only
    QCOMPARE(listed, (QList<int>{3, 9}));
    QCOMPARE(f.cell(2, 0), QStringLiteral("2"));
    f.button("btRefresh")->click();
    QVERIFY(!f.page.OlderEventsSeen());
    f.event(2, sampleRecord());
    QCOMPARE(listed, (QList<int>{3, 9, 2}));
}

void TestStatusPage::badRecordsShowWithoutCrash()
{
    PageFixture f;
    QByteArray unknown = sampleRecord(11);
    f.event(1, unknown);
    QCOMPARE(f.cell(1, 2), QStringLiteral(" "));
    QByteArray badDate = sampleRecord(0);
    badDate.replace(26, 6, hex("FF 00 20 63 FF 3C"));
    f.event(2, badDate);
    QCOMPARE(f.cell(2, 1), QStringLiteral("2255/00/32. 99:255:60"));
    f.event(4, QByteArray(36, char(0xFF)));
    QCOMPARE(f.cell(4, 3), QStringLiteral("FFFF FF F FFF FF FFF"));
    QCOMPARE(f.cell(4, 4), QStringLiteral("?"));
    QCOMPARE(f.sent.size(), 3);            // every record acknowledged
    // Hovering the odd rows works as well.
    f.page.EventInfoForm()->ShowEventHint(f.grid(), TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton,
                                          20 + 119 + 80 + 120 + 5, 4 * 18 + 5);
    QVERIFY(f.page.EventInfoForm()->isVisible());
}

void TestStatusPage::refreshClearsRowsAndAsks()
{
    PageFixture f;
    QSignalSpy away(&f.page, &TStatusPage::focusAway);
    for (int n = 1; n <= 8; ++n)
        f.event(n, sampleRecord());
    QCOMPARE(f.cell(8, 16), QStringLiteral("Finished"));
    f.sent.clear();
    f.button("btRefresh")->click();
    for (int r = 1; r <= 8; ++r) {
        QCOMPARE(f.cell(r, 0), QString::number(r));   // the numbers column stays
        for (int c = 1; c <= 16; ++c)
            QCOMPARE(f.cell(r, c), QString());
    }
    QCOMPARE(f.cell(0, 16).trimmed().isEmpty(), false);   // the header row stays
    QCOMPARE(f.sentArgs(), QStringList{QStringLiteral("02 00 08 00 00")});
    QCOMPARE(away.count(), 1);
}

void TestStatusPage::buttonsSendTheirFrames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("args");
    QTest::addColumn<bool>("focusAway");
    QTest::newRow("relay 1 start") << "btREL1Start" << "03 01 00 00 00" << true;
    QTest::newRow("relay 1 stop") << "btREL1Stop" << "03 00 00 00 00" << true;
    QTest::newRow("relay 2 start") << "btREL2Start" << "03 03 00 00 00" << true;
    QTest::newRow("relay 2 stop") << "btREL2Stop" << "03 02 00 00 00" << true;
    QTest::newRow("stop alarm") << "btStopAlarm" << "06 01 00 00 00" << true;
    QTest::newRow("flash reset") << "btFlashReset" << "07 55 AA 00 00" << false;
}

void TestStatusPage::buttonsSendTheirFrames()
{
    QFETCH(QString, button);
    PageFixture f;
    QSignalSpy away(&f.page, &TStatusPage::focusAway);
    auto *b = f.page.findChild<QPushButton *>(button);
    QVERIFY(b);
    b->click();
    QTEST(f.sentArgs().value(0), "args");
    QCOMPARE(f.sent.size(), 1);
    QTEST(away.count() == 1, "focusAway");
    // The captions of the relay buttons.
    QCOMPARE(f.button("btREL1Start")->text(), QStringLiteral("Start"));
    QCOMPARE(f.button("btREL2Stop")->text(), QStringLiteral("Stop"));
}

void TestStatusPage::clearMessagesSendsNothing()
{
    PageFixture f;
    TMemoWriter writer;
    f.page.AttachMemoWriter(writer);
    QObject::connect(&f.link, &TLink::memoText, &writer, &TMemoWriter::QueueMemoText);
    f.receivePlain(reply(Link::TEXT_STATE_LONG, QByteArray("Z1 ALARM\r\n")));
    writer.FlushMemoQueue();
    QVERIFY(!f.page.MemoState()->Lines().isEmpty());
    QVERIFY2(f.page.MemoState()->Lines().at(0).endsWith(QStringLiteral("Z1 ALARM")),
             qPrintable(f.page.MemoState()->Lines().join('|')));
    QSignalSpy away(&f.page, &TStatusPage::focusAway);
    f.button("btClearMsg")->click();
    QCOMPARE(f.page.MemoState()->toPlainText(), QString());
    QCOMPARE(f.sent.size(), 0);
    QCOMPARE(away.count(), 1);
}

void TestStatusPage::eventHint()
{
    PageFixture f;
    f.page.SetEventCaptionSource([](int) { return QStringLiteral("01. Z1 Alarm"); });
    f.page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.page));
    f.event(1, sampleRecord());
    TEListInfoForm *info = f.page.EventInfoForm();
    QTableWidget *grid = f.grid();
    const int markX = 20 + 119 + 80 + 120 + 10;        // inside column 4 (G1)
    const int row1Y = 18 + 9;
    QTest::mouseMove(grid->viewport(), QPoint(markX, row1Y));
    QTRY_VERIFY(info->isVisible());
    const QStringList lines = info->Lines();
    QVERIFY2(lines.contains(QStringLiteral("Report delivered successfully.")), qPrintable(lines.join('|')));
    QVERIFY(lines.contains(QStringLiteral("Report for the following event: GPRS1")));
    QVERIFY(lines.contains(QStringLiteral("CTID: Z1 Alarm")));
    QVERIFY(lines.contains(QStringLiteral("Contact ID 130 Burglary (new event / opening)")));
    const QPoint shownAt = info->pos();

    // Only Ctrl held: the window keeps its place and content.
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::ControlModifier, Qt::NoButton, markX + 21, row1Y);
    QCOMPARE(info->pos(), shownAt);
    QCOMPARE(info->Lines(), lines);
    // Ctrl with a mouse button is not "only Ctrl": the window follows.
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::ControlModifier, Qt::LeftButton, markX + 21, row1Y);
    QVERIFY(info->pos() != shownAt);
    QVERIFY(info->Lines().contains(QStringLiteral("Report for the following event: GPRS2")));
    QVERIFY(info->Lines().contains(QStringLiteral("No report generated.")));

    // The Contact ID column and the state column hide it.
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, 20 + 119 + 80 + 5, row1Y);
    QVERIFY(info->isHidden());
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, markX, row1Y);
    QVERIFY(info->isVisible());
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, 20 + 119 + 80 + 120 + 12 * 21 + 5, row1Y);
    QVERIFY(info->isHidden());
    // A mark column of an empty row does not show it; the header row does not either.
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, markX, 5 * 18 + 9);
    QVERIFY(info->isHidden());
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, markX, 9);
    QVERIFY(info->isHidden());
    // Leaving the grid (without Ctrl) closes the window.
    info->ShowEventHint(grid, TEListInfoForm::TGridKind::Main, Qt::NoModifier, Qt::NoButton, markX, row1Y);
    QVERIFY(info->isVisible());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(grid->viewport(), &leave);
    QVERIFY(info->isHidden());
    // Column edges: x on a column's right edge still belongs to it.
    QCOMPARE(TEListInfoForm::ColumnAt(grid, TEListInfoForm::TGridKind::Main, 20), 0);
    QCOMPARE(TEListInfoForm::ColumnAt(grid, TEListInfoForm::TGridKind::Main, 21), 1);
    QCOMPARE(TEListInfoForm::ColumnAt(grid, TEListInfoForm::TGridKind::Main, 20 + 119), 1);
    QCOMPARE(TEListInfoForm::ColumnAt(grid, TEListInfoForm::TGridKind::LongList, 20 + 119 + 1), 1);
    QCOMPARE(TEListInfoForm::ColumnAt(grid, TEListInfoForm::TGridKind::LongList, 20 + 119 + 3), 2);
}

void TestStatusPage::gsmPlotFollowsReports()
{
    PageFixture f;
    f.basic(0x30, 0, 10);
    f.extended(0, 0, 0x15, 0);
    QCOMPARE(f.page.GsmHistory().Count(), 2);
    auto *plot = f.page.findChild<TGsmHistoryPlot *>("GsmHistoryPlot");
    QVERIFY(plot);
    const QImage image = plot->grab().toImage();
    // The level line is drawn in green somewhere on the plot.
    bool green = false;
    for (int y = 0; y < image.height() && !green; ++y)
        for (int x = 0; x < image.width() && !green; ++x)
            green = QColor(image.pixel(x, y)) == Green;
    QVERIFY(green);
}

QTEST_MAIN(TestStatusPage)
#include "tst_statuspage.moc"

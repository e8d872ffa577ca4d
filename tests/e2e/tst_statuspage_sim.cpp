// The status page on the program's own link and USB reader, with the simulated
// module on the other end: status reports after commands and control-channel
// changes, the event refresh, the event info window, periodic state texts.

#include "SimProcess.h"

#include "Morvo3Config.h"
#include "common/Morvo3Texts.h"
#include "link/Communication.h"
#include "link/MemoWriter.h"
#include "link/Requests.h"
#include "link/SerialDetails.h"
#include "monitor/ElistInfo.h"
#include "monitor/StatusPage.h"
#include "transport/USBCommunicator.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <memory>

namespace {
constexpr int ReplyWaitMs = 5000;
const QColor Green(0, 128, 0), Red(255, 0, 0);

struct PageRig
{
    SimProcess sim;
    Morvo3Texts texts;
    TLink link{texts, Morvo3Config::LinkKey};
    std::unique_ptr<TCommunicator> reader;
    std::unique_ptr<TStatusPage> page;
    TMemoWriter memos;

    bool start(const QStringList &options)
    {
        texts.setText(QStringLiteral("lbTXT_ON"), QStringLiteral("ON"));
        texts.setText(QStringLiteral("lbTXT_OFF"), QStringLiteral("OFF"));
        texts.setText(QStringLiteral("lbTXT_INPUT_LABEL_ALARM"), QStringLiteral("ALARM"));
        texts.setText(QStringLiteral("lbTXT_INPUT_LABEL_IDLE"), QStringLiteral("Idle"));
        texts.setText(QStringLiteral("lbTXT_ARM_STATE_ARMED"), QStringLiteral("Armed"));
        texts.setText(QStringLiteral("lbTXT_EVENT_TYPE_OK"), QStringLiteral("Report delivered successfully."));
        page = std::make_unique<TStatusPage>(link, texts);
        page->resize(1100, 620);
        page->AttachMemoWriter(memos);
        QObject::connect(&link, &TLink::memoText, &memos, &TMemoWriter::QueueMemoText);
        if (!sim.start(options))
            return false;
        const QString location = sim.linkPath();
        reader = std::make_unique<TCommunicator>(nullptr, QString(), TCommunicator::DefaultBaudRate, [location] {
            return QList<TPortEntry>{{TCommunicator::DefaultDescription, location}};
        });
        reader->SetOnData([this](const QByteArray &bytes) { link.ReceiveLinkBytes(bytes); });
        link.setTransmitter([this](const QByteArray &frame) { return reader->WriteData(frame) == frame.size(); });
        if (!QTest::qWaitFor([this] { return reader->opened(); }, ReplyWaitMs))
            return false;
        QSignalSpy accepted(&link, &TLink::passwordAccepted);
        Requests::SendLoginPassword(link, QString::fromLatin1(Morvo3Config::DefaultModulePassword));
        return accepted.wait(ReplyWaitMs);
    }
    ~PageRig()
    {
        link.setTransmitter({});
        page.reset();
    }
    QLabel *label(const char *name) const { return page->findChild<QLabel *>(QLatin1String(name)); }
    QColor color(const char *name) const { return label(name)->palette().color(QPalette::WindowText); }
    QString cell(int r, int c) const
    {
        const auto *item = page->EventGrid()->item(r, c);
        return item ? item->text() : QString();
    }
};
} // namespace

class TestStatusPageSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void relayButtonShowsInNextStatus();
    void controlChannelChangesTheReports();
    void stopAlarmAndTestReport();
    void refreshFillsEightRowsAndHintExplains();
    void periodicStateTexts();
};

void TestStatusPageSim::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestStatusPageSim::relayButtonShowsInNextStatus()
{
    PageRig rig;
    QVERIFY2(rig.start({"--status-interval", "0"}), qPrintable(rig.sim.lastError() + rig.sim.output()));
    rig.page->findChild<QPushButton *>("btREL2Start")->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbREL2")->text(), QStringLiteral("ON"), ReplyWaitMs);
    QCOMPARE(rig.color("lbREL2"), Green);
    QVERIFY(rig.label("lbREL2")->font().bold());
    QCOMPARE(rig.label("lbREL1")->text(), QStringLiteral("OFF"));
    QVERIFY(rig.sim.control("state").contains("relay2=1"));
    rig.page->findChild<QPushButton *>("btREL2Stop")->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbREL2")->text(), QStringLiteral("OFF"), ReplyWaitMs);
    QVERIFY(!rig.label("lbREL2")->font().bold());
}

void TestStatusPageSim::controlChannelChangesTheReports()
{
    PageRig rig;
    QVERIFY2(rig.start({"--status-interval", "0"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.sim.controlOk("gsm 12"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbGSMpowVal")->text(), QStringLiteral("12"), ReplyWaitMs);
    QVERIFY(rig.sim.control("state").contains(" gsm=12 "));
    QVERIFY(rig.sim.control("gsm 32").startsWith("error"));
    QVERIFY(rig.sim.controlOk("armed 1"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbARMED")->text(), QStringLiteral("Armed"), ReplyWaitMs);
    QVERIFY(rig.sim.controlOk("zone 2 alarm"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbIN2B")->text(), QStringLiteral("ALARM"), ReplyWaitMs);
    QCOMPARE(rig.color("lbIN2B"), Red);
    QCOMPARE(rig.label("lbIN1B")->text(), QStringLiteral("Idle"));
    QVERIFY(rig.sim.controlOk("relay 1 on"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbREL1")->text(), QStringLiteral("ON"), ReplyWaitMs);
}

void TestStatusPageSim::stopAlarmAndTestReport()
{
    PageRig rig;
    QVERIFY2(rig.start({"--status-interval", "0"}), qPrintable(rig.sim.lastError()));
    QVERIFY(rig.sim.controlOk("armed 1"));
    QVERIFY(rig.sim.controlOk("zone 3 alarm"));
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbIN3B")->text(), QStringLiteral("ALARM"), ReplyWaitMs);
    rig.page->findChild<QPushButton *>("btStopAlarm")->click();
    QTRY_COMPARE_WITH_TIMEOUT(rig.label("lbIN3B")->text(), QStringLiteral("Idle"), ReplyWaitMs);
    const QString before = rig.sim.control("state");
    Requests::SendTestReport(rig.link);
    QTRY_VERIFY_WITH_TIMEOUT(rig.sim.control("state") != before, ReplyWaitMs);
    QVERIFY(rig.sim.control("state").contains("events=23"));   // 20 made up + arming + alarm + test
    rig.memos.FlushMemoQueue();
    QTRY_VERIFY_WITH_TIMEOUT((rig.memos.FlushMemoQueue(), rig.page->MemoState()->toPlainText().contains("Test report sent")),
                             ReplyWaitMs);
    QVERIFY(rig.page->MemoState()->toPlainText().contains("Alarm stopped"));
}

void TestStatusPageSim::refreshFillsEightRowsAndHintExplains()
{
    PageRig rig;
    QVERIFY2(rig.start({}), qPrintable(rig.sim.lastError()));
    rig.page->show();
    QVERIFY(QTest::qWaitForWindowExposed(rig.page.get()));
    rig.page->findChild<QPushButton *>("btRefresh")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.cell(8, 1).isEmpty(), 10000);
    for (int r = 1; r <= 8; ++r) {
        QCOMPARE(rig.cell(r, 0), QString::number(r));
        QVERIFY2(rig.cell(r, 1).startsWith(QStringLiteral("2026/")), qPrintable(rig.cell(r, 1)));
        QCOMPARE(rig.cell(r, 14), QStringLiteral("*"));   // K1: delivered to the monitoring station
    }
    // Record 1 of the made-up log is an arming (a closing: qualifier R), user 0, at 08:00.
    QCOMPARE(rig.cell(1, 1), QStringLiteral("2026/03/01. 08:00:00"));
    QCOMPARE(rig.cell(1, 3), QStringLiteral("0000 18 R 401 01 000"));

    const int k1X = 20 + 119 + 80 + 120 + 10 * 21 + 10;
    QTest::mouseMove(rig.page->EventGrid()->viewport(), QPoint(k1X, 18 + 9));
    TEListInfoForm *info = rig.page->EventInfoForm();
    QTRY_VERIFY(info->isVisible());
    QVERIFY2(info->Lines().contains(QStringLiteral("Report delivered successfully.")), qPrintable(info->Lines().join('|')));
    QVERIFY(info->Lines().contains(QStringLiteral("Contact ID 401 Open/close by user (restore / closing)")));
}

void TestStatusPageSim::periodicStateTexts()
{
    PageRig rig;
    QVERIFY2(rig.start({"--status-interval", "0", "--text-interval", "100", "--no-pacing"}), qPrintable(rig.sim.lastError()));
    QSignalSpy texts(&rig.link, &TLink::memoText);
    QTest::qWait(1000);
    int stateTexts = 0;
    for (const auto &args : texts)
        if (args.at(0).value<MemoTarget>() == MemoTarget::State)
            ++stateTexts;
    QVERIFY2(stateTexts >= 5 && stateTexts <= 12, qPrintable(QString::number(stateTexts)));
}

QTEST_MAIN(TestStatusPageSim)
#include "tst_statuspage_sim.moc"

// The parameter page's module buttons in the real program against the simulated
// module: read fills the editor, compare answers with the bar, the window stays
// responsive while blocks are awaited, and STOP or closing the window ends a
// transfer cleanly.

#include "SimProcess.h"
#include "UsbRig.h"

#include "params/ParamEditor.h"
#include "params/ParamFiles.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
constexpr int Rel1TimeOffset = 2361;
constexpr int SenseTime3Offset = 108;   // ZONE_SENSE_TIME[2], block 1
constexpr int ParameterPage = 2;
// A paced read takes about 3 s: interrupt it well inside.
constexpr int InterruptAfterMs = 1000;
// Once stopped or closed, the procedure must end within one block wait (1.5 s).
constexpr int EndWithinMs = 1700;
// The event loop must keep running during waits: no gap between timer ticks this long.
constexpr int TickMs = 20;
constexpr int MaxTickGapMs = 500;
}

class TestTransferWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void readAndCompareThroughTheButtons();
    void interruptedRead_data();
    void interruptedRead();

private:
    static void click(UsbRig &rig, const char *name)
    {
        rig.child<QTabWidget>("pcMain")->setCurrentIndex(ParameterPage);
        auto *button = rig.child<QToolButton>(name);
        QVERIFY(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton);
    }
    static QProgressBar *bar(UsbRig &rig) { return rig.child<QProgressBar>("Progress"); }
};

void TestTransferWindow::initTestCase()
{
    if (SimProcess::executable().isEmpty())
        QSKIP("morvo3-sim is not built");
}

void TestTransferWindow::readAndCompareThroughTheButtons()
{
    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.lastError())); // paced: the read takes seconds
    QVERIFY(sim.controlOk(QStringLiteral("set-byte %1 21").arg(Rel1TimeOffset)));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    auto *rel1 = rig.child<QSpinBox>("seREL1time");
    QVERIFY(rel1);
    QSignalSpy finished(rig.form()->ParamCommands(), &TParamPageCommands::transferFinished);

    // Count timer ticks while the read runs: the window keeps handling events.
    QElapsedTimer sinceTick;
    qint64 worstGap = 0;
    QTimer ticker;
    ticker.setInterval(TickMs);
    connect(&ticker, &QTimer::timeout, this, [&] {
        worstGap = std::max(worstGap, sinceTick.restart());
    });
    sinceTick.start();
    ticker.start();
    QElapsedTimer clock;
    clock.start();
    click(rig, "spbReadModule");
    ticker.stop();

    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QVERIFY2(clock.elapsed() > 2000, "the read was not paced"); // the ticker saw a real wait
    QVERIFY2(worstGap < MaxTickGapMs, qPrintable(QString::number(worstGap)));
    QCOMPARE(bar(rig)->maximum(), 44);
    QCOMPARE(bar(rig)->value(), 44);
    QCOMPARE(rig.form()->ProgressColor(), QColor(0, 128, 0));
    QCOMPARE(rel1->value(), 21);
    QVERIFY(rig.commandsEnabled());
    QVERIFY(!rig.core().Session.ParameterTransferActive);

    click(rig, "spbCompareData");
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.at(1).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QCOMPARE(bar(rig)->value(), 44);
    QCOMPARE(rig.form()->ProgressColor(), QColor(0, 128, 0));

    // Two differences in different blocks: one made in the module (block 1),
    // one in the editor (block 36). The compare stops red at the first.
    auto *showDifferences = rig.child<QPushButton>("btShowDifferences");
    QVERIFY(showDifferences && !showDifferences->isVisible());
    QVERIFY(sim.controlOk(QStringLiteral("set-byte %1 7").arg(SenseTime3Offset)));
    rel1->setValue(22);
    click(rig, "spbCompareData");
    QCOMPARE(finished.size(), 3);
    QCOMPARE(finished.at(2).at(0).value<TTransferOutcome>(), TTransferOutcome::Different);
    QCOMPARE(bar(rig)->value(), 4);
    QCOMPARE(rig.form()->ProgressColor(), QColor(255, 0, 0));
    QVERIFY(rig.commandsEnabled());

    // "Show differences" reads the rest and names both, field by field.
    QVERIFY(showDifferences->isVisible());
    QTest::mouseClick(showDifferences, Qt::LeftButton);
    QCOMPARE(finished.size(), 4);
    QCOMPARE(finished.at(3).at(0).value<TTransferOutcome>(), TTransferOutcome::Success);
    QVERIFY(!showDifferences->isVisible());
    auto *window = rig.form()->findChild<QWidget *>("TDiffListForm");
    QVERIFY(window && window->isVisible());
    auto *list = window->findChild<QTreeWidget *>("lvDifferences");
    QCOMPARE(list->topLevelItemCount(), 2);
    const auto row = [list](int i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        return QStringList{item->text(0), item->text(1), item->text(2), item->text(3)};
    };
    QCOMPARE(row(0), (QStringList{"ZONE_SENSE_TIME", "2", "7", "0"}));
    QCOMPARE(row(1), (QStringList{"REL1_TIME", "0", "21", "22"}));

    // Double-clicking a field brings its editor tab forward on the parameter page.
    rig.child<QTabWidget>("pcMain")->setCurrentIndex(0);
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    QCOMPARE(rig.child<QTabWidget>("pcMain")->currentIndex(), ParameterPage);
    QVERIFY(rel1->isVisible());
}

void TestTransferWindow::interruptedRead_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("STOP pressed") << false;
    QTest::newRow("window closed") << true;
}

void TestTransferWindow::interruptedRead()
{
    QFETCH(bool, closeWindow);

    SimProcess sim;
    QVERIFY2(sim.start(), qPrintable(sim.lastError()));
    UsbRig rig(sim.extraPortsEntry());
    QVERIFY(rig.start());
    QVERIFY2(rig.waitIdentified(), qPrintable(sim.output()));
    auto *rel1 = rig.child<QSpinBox>("seREL1time");
    rel1->setValue(9); // the user's edit, which a stopped read must not replace
    QSignalSpy finished(rig.form()->ParamCommands(), &TParamPageCommands::transferFinished);
    QPointer<TMainForm> form = rig.form();

    QElapsedTimer sinceInterrupt;
    int positionAtInterrupt = -1;
    QTimer::singleShot(InterruptAfterMs, this, [&] {
        positionAtInterrupt = bar(rig)->value();
        sinceInterrupt.start();
        if (closeWindow)
            form->close();
        else
            QTest::mouseClick(rig.child<QPushButton>("btnSTOP"), Qt::LeftButton);
    });
    click(rig, "spbReadModule");

    QVERIFY(sinceInterrupt.isValid());
    QVERIFY2(sinceInterrupt.elapsed() < EndWithinMs, qPrintable(QString::number(sinceInterrupt.elapsed())));
    QVERIFY(positionAtInterrupt > 2 && positionAtInterrupt < 44);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!rig.core().Session.ParameterTransferActive);
    QVERIFY(form);
    QCOMPARE(rel1->value(), 9);
    if (closeWindow) {
        QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::Closing);
        QVERIFY(!form->isVisible());
        // Nothing more reaches for the window after it closed: the bar stays where it was.
        QVERIFY(bar(rig)->value() <= positionAtInterrupt + 1);
    } else {
        QCOMPARE(finished.at(0).at(0).value<TTransferOutcome>(), TTransferOutcome::Stopped);
        QCOMPARE(rig.form()->ProgressColor(), QColor(255, 0, 0));
        QVERIFY(bar(rig)->value() < 44);
        QVERIFY(rig.commandsEnabled());
    }
}

QTEST_MAIN(TestTransferWindow)
#include "tst_transfer_window.moc"

// The queued memo writer: line joining and time stamps, the ring queue's
// capacity, trimming, and which text is accepted for which memo.

#include "link/MemoWriter.h"

#include <QObject>
#include <QtTest>
#include <memory>

namespace {
const QDateTime QueueTime(QDate(2024, 3, 5), QTime(12, 34, 56));
const QString Stamp = QStringLiteral("12:34:56   ");

struct Fixture
{
    TMemoWriter writer;
    TStringListMemo memo;
    TStringListMemo other;
    Fixture()
    {
        writer.MemoTimer.stop(); // tests flush by hand unless they test the timer
        writer.SetClock([] { return QueueTime; });
        writer.SetMemo(MemoTarget::State, &memo);
        writer.SetMemo(MemoTarget::Comments, &other);
    }
};
} // namespace

class TestMemoWriter : public QObject
{
    Q_OBJECT
private slots:
    void lineRules_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("two texts join on one line") << QStringList{"ab", "cd"} << QStringList{" abcd"};
        QTest::newRow("lone CR opens a stamped line") << QStringList{"ab", "\r", "cd"}
                                                       << QStringList{" ab", Stamp + "cd"};
        QTest::newRow("CR LF leaves one empty line") << QStringList{"ab\r\n", "cd"}
                                                      << QStringList{" ab", "", Stamp + "cd"};
        QTest::newRow("NUL is ignored") << QStringList{QString("a") + QChar(0) + "b"} << QStringList{" ab"};
        QTest::newRow("break first on an empty memo") << QStringList{"\nxy"} << QStringList{" ", Stamp + "xy"};
        QTest::newRow("lines ending in LF") << QStringList{"ab\n", "cd\n", "ef"}
                                            << QStringList{" ab", Stamp + "cd", Stamp + "ef"};
        QTest::newRow("three breaks give two empty lines") << QStringList{"a\n\n\nb"}
                                                           << QStringList{" a", "", "", Stamp + "b"};
        QTest::newRow("trailing break keeps the line open") << QStringList{"ab\r\n"} << QStringList{" ab", ""};
    }
    void lineRules()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, lines);
        Fixture f;
        for (const QString &t : texts)
            f.writer.QueueMemoText(MemoTarget::State, t, true);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo.Lines, lines);
    }

    void lineRulesSurviveSeparateFlushes()
    {
        // The pending break is remembered between flushes, per memo.
        Fixture f;
        f.writer.QueueMemoText(MemoTarget::State, "ab\r\n", true);
        f.writer.FlushMemoQueue();
        QVERIFY(f.writer.NewLinePending(MemoTarget::State));
        f.writer.QueueMemoText(MemoTarget::Comments, "zz", true);
        f.writer.FlushMemoQueue();
        f.writer.QueueMemoText(MemoTarget::State, "cd", true);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo.Lines, (QStringList{" ab", "", Stamp + "cd"}));
        QCOMPARE(f.other.Lines, QStringList{" zz"});
    }

    void stampIsTheQueueTime()
    {
        Fixture f;
        f.writer.QueueMemoText(MemoTarget::State, "\nlate", true);
        f.writer.SetClock([] { return QueueTime.addSecs(3600); });
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo.Lines.last(), Stamp + "late");
    }

    void acceptance_data()
    {
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("paused");
        QTest::addColumn<bool>("force");
        QTest::addColumn<bool>("queued");
        QTest::newRow("hidden, forced") << false << false << true << true;
        QTest::newRow("hidden, not forced") << false << false << false << false;
        QTest::newRow("shown, running") << true << false << false << true;
        QTest::newRow("shown, paused") << true << true << false << false;
        QTest::newRow("shown, paused, forced") << true << true << true << true;
    }
    void acceptance()
    {
        QFETCH(bool, shown);
        QFETCH(bool, paused);
        QFETCH(bool, force);
        QFETCH(bool, queued);
        Fixture f;
        f.writer.SetDetailsShown(shown);
        f.writer.SetDetailsPaused(paused);
        f.writer.QueueMemoText(MemoTarget::Comments, "x", force);
        QCOMPARE(f.writer.QueuedCount(), queued ? 1 : 0);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.other.Lines, queued ? QStringList{" x"} : QStringList{});
    }

    void emptyTextOrMissingMemoIsIgnored()
    {
        Fixture f;
        f.writer.QueueMemoText(MemoTarget::State, QString(), true);
        f.writer.QueueMemoText(MemoTarget::DTMF, "no control", true);
        QCOMPARE(f.writer.QueuedCount(), 0);
    }

    void fullQueueDropsTheThousandth()
    {
        Fixture f;
        for (int i = 0; i < 999; ++i)
            QVERIFY2(f.writer.EnqueueMemoText(MemoTarget::State, QString("\n%1").arg(i)), qPrintable(QString::number(i)));
        QCOMPARE(f.writer.QueuedCount(), 999);
        QVERIFY(!f.writer.EnqueueMemoText(MemoTarget::State, "\ndropped"));
        f.writer.QueueMemoText(MemoTarget::State, "\ndropped too", true);
        QCOMPARE(f.writer.QueuedCount(), 999);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.writer.QueuedCount(), 0);
        QCOMPARE(f.memo.Lines.size(), 1000); // the first blank line + 999 stamped lines
        QCOMPARE(f.memo.Lines.at(1), Stamp + "0");
        QCOMPARE(f.memo.Lines.last(), Stamp + "998");
        // Room again after the flush, also across the ring's wrap.
        for (int i = 0; i < 999; ++i)
            QVERIFY(f.writer.EnqueueMemoText(MemoTarget::State, "y"));
        QVERIFY(!f.writer.EnqueueMemoText(MemoTarget::State, "y"));
    }

    void trimming_data()
    {
        QTest::addColumn<int>("startLines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("endLines");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("4000 stays") << 3999 << "\nz" << 4000 << "L0";
        QTest::newRow("4001 loses 100") << 4000 << "\nz" << 3901 << "L100";
        QTest::newRow("one long entry still ends under the limit") << 4000 << QString("\n").repeated(300) + "z"
                                                                    << 4000 << "L300";
    }
    void trimming()
    {
        QFETCH(int, startLines);
        QFETCH(QString, text);
        QFETCH(int, endLines);
        QFETCH(QString, firstLine);
        Fixture f;
        for (int i = 0; i < startLines; ++i)
            f.memo.Lines.append(QString("L%1").arg(i));
        f.writer.QueueMemoText(MemoTarget::State, text, true);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo.Lines.size(), endLines);
        QCOMPARE(f.memo.Lines.first(), firstLine);
        QCOMPARE(f.memo.Lines.last(), Stamp + "z");
    }

    void destroyedControlIsSkipped()
    {
        Fixture f;
        auto owner = std::make_unique<QObject>();
        auto memo = std::make_unique<TStringListMemo>();
        f.writer.SetMemo(MemoTarget::DTMF, memo.get(), owner.get());
        f.writer.QueueMemoText(MemoTarget::DTMF, "gone", true);
        f.writer.QueueMemoText(MemoTarget::State, "kept", true);
        owner.reset();
        memo.reset(); // a dangling pointer here would be written to by the flush
        f.writer.FlushMemoQueue();
        QCOMPARE(f.writer.Memo(MemoTarget::DTMF), nullptr);
        QCOMPARE(f.memo.Lines, QStringList{" kept"});
    }

    void timerFlushes()
    {
        Fixture f;
        f.writer.MemoTimer.start();
        QCOMPARE(f.writer.MemoTimer.interval(), 500);
        f.writer.QueueMemoText(MemoTarget::State, "tick", true);
        QCOMPARE(f.memo.Lines, QStringList{});
        QTRY_COMPARE_WITH_TIMEOUT(f.memo.Lines, QStringList{" tick"}, 2000);
        QVERIFY(f.writer.MemoTimer.isActive());
    }
};

QTEST_GUILESS_MAIN(TestMemoWriter)
#include "tst_memowriter.moc"

// The communication details window and the memo controls behind the memo writer.

#include "common/CodePage1250.h"
#include "link/MemoWriter.h"
#include "link/SerialDetails.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime QueueTime(QDate(2024, 3, 5), QTime(8, 9, 10));
const QString Stamp = QStringLiteral("08:09:10   ");

struct Fixture
{
    TMemoWriter writer;
    TFormDetails details{writer};
    QStringList errors;
    Fixture()
    {
        writer.MemoTimer.stop();
        writer.SetClock([] { return QueueTime; });
        details.SetErrorReporter([this](const QString &m) { errors << m; });
        details.SetVersionSource([] { return QStringLiteral("GPRS Morvo3 v2.05"); });
    }
    TMemoControl *memo(const char *name) { return details.findChild<TMemoControl *>(name); }
    QPushButton *button(const char *name) { return details.findChild<QPushButton *>(name); }
};
} // namespace

class TestDetails : public QObject
{
    Q_OBJECT
private slots:
    void memoControlFollowsTheLineRules_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("join") << QStringList{"ab", "cd"} << QStringList{" abcd"};
        QTest::newRow("CR") << QStringList{"ab", "\r", "cd"} << QStringList{" ab", Stamp + "cd"};
        QTest::newRow("CR LF") << QStringList{"ab\r\n", "cd"} << QStringList{" ab", "", Stamp + "cd"};
        QTest::newRow("break first") << QStringList{"\r\nx"} << QStringList{" ", "", Stamp + "x"};
    }
    void memoControlFollowsTheLineRules()
    {
        QFETCH(QStringList, texts);
        QFETCH(QStringList, lines);
        Fixture f;
        for (const QString &t : texts)
            f.writer.QueueMemoText(MemoTarget::Comments, t, true);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo("Memo3")->Lines(), lines);
    }

    void memoControlTrimsPast4000Lines()
    {
        Fixture f;
        TMemoControl *m = f.memo("Memo4");
        QStringList start;
        for (int i = 0; i < 4000; ++i)
            start << QString("L%1").arg(i);
        m->setPlainText(start.join('\n'));
        QCOMPARE(m->LineCount(), 4000);
        f.writer.QueueMemoText(MemoTarget::StateLog, "\nnew", true);
        f.writer.FlushMemoQueue();
        const QStringList lines = m->Lines();
        QCOMPARE(lines.size(), 3901);
        QCOMPARE(lines.first(), QString("L100"));
        QCOMPARE(lines.last(), Stamp + "new");
    }

    void showingAndHidingDecidesWhatIsCollected()
    {
        Fixture f;
        TMemoControl state("MemoState");
        f.writer.SetMemo(MemoTarget::State, &state);
        // Hidden: the details memos collect nothing, the forced main-window memo does.
        f.writer.QueueMemoText(MemoTarget::Comments, "hidden", false);
        f.writer.QueueMemoText(MemoTarget::State, "forced", true);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo("Memo3")->LineCount(), 0);
        QCOMPARE(state.Lines(), QStringList{" forced"});

        QSignalSpy hidden(&f.details, &TFormDetails::hidden);
        f.details.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.details));
        QCOMPARE(f.details.width(), TFormDetails::ShownWidth);
        QVERIFY(!f.memo("Memo2")->isVisible());
        f.writer.QueueMemoText(MemoTarget::Comments, "shown", false);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo("Memo3")->Lines(), QStringList{" shown"});

        QTest::mouseClick(f.button("btClose"), Qt::LeftButton);
        QVERIFY(!f.details.isVisible());
        QCOMPARE(hidden.count(), 1);
        f.writer.QueueMemoText(MemoTarget::Comments, "again", false);
        QCOMPARE(f.writer.QueuedCount(), 0);
    }

    void pauseAndResume()
    {
        Fixture f;
        f.details.show();
        QVERIFY(QTest::qWaitForWindowExposed(&f.details));
        QPushButton *start = f.button("btStart");
        QCOMPARE(start->text(), QString("Stop"));

        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(start->text(), QString("Start"));
        QVERIFY(start->font().bold());
        QCOMPARE(start->palette().color(QPalette::ButtonText), QColor(0, 128, 0));
        f.writer.QueueMemoText(MemoTarget::Comments, "during pause", false);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo("Memo3")->LineCount(), 0);

        QTest::mouseClick(start, Qt::LeftButton);
        QCOMPARE(start->text(), QString("Stop"));
        QVERIFY(!start->font().bold());
        QCOMPARE(start->palette().color(QPalette::ButtonText), QColor(255, 0, 0));
        f.writer.QueueMemoText(MemoTarget::Comments, "after", false);
        f.writer.FlushMemoQueue();
        QCOMPARE(f.memo("Memo3")->Lines(), QStringList{" after"});
    }

    void clearEmptiesEveryMemo()
    {
        Fixture f;
        for (const char *name : {"Memo2", "Memo3", "Memo4", "Memo5", "MemoDTMF"})
            f.memo(name)->setPlainText("x");
        QTest::mouseClick(f.button("btClear"), Qt::LeftButton);
        for (const char *name : {"Memo2", "Memo3", "Memo4", "Memo5", "MemoDTMF"})
            QCOMPARE(f.memo(name)->LineCount(), 0);
    }

    void savedLogHasSectionsInOrder()
    {
        Fixture f;
        QTemporaryDir dir;
        const QString path = dir.filePath("log.TXT");
        f.memo("Memo3")->setPlainText(QStringLiteral("comment 1\ncomment 2"));
        f.memo("Memo4")->setPlainText(QStringLiteral("állapot ő"));
        f.memo("Memo5")->setPlainText(QStringLiteral("AT+CSQ"));
        f.memo("MemoDTMF")->setPlainText(QStringLiteral("Send: RESET"));
        f.memo("Memo2")->setPlainText(QStringLiteral("SND: never saved"));
        f.details.SetFileChooser([path] { return path; });
        QTest::mouseClick(f.button("btSave"), Qt::LeftButton);
        QVERIFY(f.errors.isEmpty());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QByteArray rule = "//-------------------------------//";
        const QByteArray expected = "GPRS Morvo Log File\r\n"
                                    "Vantrel Version : v1.15\r\n"
                                    "Modul Version :  GPRS Morvo3 v2.05\r\n"
                                    + rule + "\r\n//---- AT-Commands\r\n" + rule + "\r\nAT+CSQ\r\n\r\n"
                                    + rule + "\r\n//---- Comments\r\n" + rule + "\r\ncomment 1\r\ncomment 2\r\n\r\n"
                                    + rule + "\r\n//---- State\r\n" + rule + "\r\n\xE1llapot \xF5\r\n\r\n"
                                    + rule + "\r\n//---- DTMF\r\n" + rule + "\r\nSend: RESET\r\n\r\n";
        QCOMPARE(bytes, expected);
    }

    void cancelledSaveWritesNothing()
    {
        Fixture f;
        f.writer.QueueMemoText(MemoTarget::Comments, "some text\r\n", true);
        f.writer.FlushMemoQueue();
        // A relative or empty name would land in the working directory: watch an empty one.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        bool asked = false;
        f.details.SetFileChooser([&asked] {
            asked = true;
            return QString();
        });
        QTest::mouseClick(f.button("btSave"), Qt::LeftButton);
        QDir::setCurrent(before);
        QVERIFY(asked);
        QVERIFY(f.errors.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }

    void unwritableLogFileIsReported_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a directory") << QString("dir");
        QTest::newRow("inside a missing directory") << QString("missing/sub/log.TXT");
    }
    void unwritableLogFileIsReported()
    {
        QFETCH(QString, target);
        Fixture f;
        QTemporaryDir dir;
        const QString path = target == "dir" ? dir.path() : dir.filePath(target);
        f.details.SetFileChooser([path] { return path; });
        QTest::mouseClick(f.button("btSave"), Qt::LeftButton);
        QCOMPARE(f.errors.size(), 1);
        QVERIFY(f.errors.first().contains(path));
        QVERIFY(!f.details.SaveLog(path));
    }
};

QTEST_MAIN(TestDetails)
#include "tst_details.moc"

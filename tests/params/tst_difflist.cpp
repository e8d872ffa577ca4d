// The window that lists the differences between the module and the editor.

#include "params/DiffList.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

using FieldCatalogue::TFieldDifference;
using Where = TFieldDifference::Where;

class TestDiffList : public QObject
{
    Q_OBJECT
private slots:
    void listsEveryDifference();
    void doubleClickNamesTheField_data();
    void doubleClickNamesTheField();
};

namespace {
const QList<TFieldDifference> Sample{
    {Where::Header, QStringLiteral("header"), 5, QStringLiteral("0x58"), QStringLiteral("0x36")},
    {Where::Element, QStringLiteral("ZONE_SENSE_TIME"), 2, QStringLiteral("7"), QStringLiteral("0")},
    {Where::RecordHeader, QStringLiteral("REL1_ACT"), -1, QStringLiteral("52 45"), QStringLiteral("52 46")},
    {Where::Element, QStringLiteral("EVENT_SMS"), 1, QString::fromUtf8("\"hő\""), QStringLiteral("\"\"")},
};

QTreeWidget *listOf(TDiffListForm &form)
{
    return form.findChild<QTreeWidget *>(QStringLiteral("lvDifferences"));
}
}

void TestDiffList::listsEveryDifference()
{
    TDiffListForm form;
    QCOMPARE(form.objectName(), QStringLiteral("TDiffListForm"));
    QCOMPARE(form.windowTitle(), QString::fromUtf8("Eltérések"));
    QTreeWidget *list = listOf(form);
    QVERIFY(list);
    QCOMPARE(list->columnCount(), 4);
    QCOMPARE(list->headerItem()->text(0), QString::fromUtf8("Mező"));
    QCOMPARE(list->headerItem()->text(1), QStringLiteral("Index"));

    form.SetDifferences(Sample);
    QCOMPARE(form.RowCount(), 4);
    const QStringList expectedRows{
        QString::fromUtf8("(fájlfejléc)|5|0x58|0x36"),
        QStringLiteral("ZONE_SENSE_TIME|2|7|0"),
        QString::fromUtf8("REL1_ACT (fejléc)||52 45|52 46"),
        QString::fromUtf8("EVENT_SMS|1|\"hő\"|\"\""),
    };
    QStringList rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = list->topLevelItem(i);
        rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3)}.join('|');
    }
    QCOMPARE(rows, expectedRows);

    // A new list replaces the old one.
    form.SetDifferences(Sample.mid(1, 1));
    QCOMPARE(form.RowCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("ZONE_SENSE_TIME"));
}

void TestDiffList::doubleClickNamesTheField_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("field"); // empty: no signal
    QTest::newRow("image header") << 0 << QString();
    QTest::newRow("element") << 1 << QStringLiteral("ZONE_SENSE_TIME");
    QTest::newRow("record header") << 2 << QStringLiteral("REL1_ACT");
    QTest::newRow("text element") << 3 << QStringLiteral("EVENT_SMS");
}

void TestDiffList::doubleClickNamesTheField()
{
    QFETCH(int, row);
    QFETCH(QString, field);
    TDiffListForm form;
    form.SetDifferences(Sample);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTreeWidget *list = listOf(form);
    QSignalSpy activated(&form, &TDiffListForm::fieldActivated);
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QVERIFY(rect.isValid());
    // A double click is a press, release and double-click event on the same spot.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    if (field.isEmpty()) {
        QCOMPARE(activated.count(), 0);
    } else {
        QCOMPARE(activated.count(), 1);
        QCOMPARE(activated.at(0).at(0).toString(), field);
    }
}

QTEST_MAIN(TestDiffList)
#include "tst_difflist.moc"

// The editor fits the space the main window gives it: on every tab each named
// control lies inside its page, shows its whole text and overlaps no other
// control. With MORVO3_SCREENSHOT_DIR set, each tab and the arm/disarm method
// window are also saved as PNG files for a look by eye.

#include "monitor/OnOffMode.h"
#include "params/EditorWidgets.h"
#include "params/ParamEditor.h"

#include <QAbstractButton>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

namespace {
// Space the editor is promised in the main window at 1366 x 768.
constexpr int AreaWidth = 1000;
constexpr int AreaHeight = 560;

bool IsContainer(const QWidget *w)
{
    return qobject_cast<const QGroupBox *>(w) != nullptr;
}

QList<QWidget *> NamedControls(QWidget *page)
{
    QList<QWidget *> out;
    for (QWidget *w : page->findChildren<QWidget *>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) || !w->isVisibleTo(page))
            continue;
        // Arrow buttons of the up-downs are parts of their control.
        if (qobject_cast<TUpDown *>(w->parentWidget()))
            continue;
        out << w;
    }
    return out;
}

QRect RectIn(QWidget *w, QWidget *page)
{
    return QRect(w->mapTo(page, QPoint(0, 0)), w->size());
}

// Text controls must be at least as wide as their text.
int TextWidthNeeded(QWidget *w)
{
    if (qobject_cast<QLabel *>(w) || qobject_cast<QAbstractButton *>(w))
        return w->sizeHint().width();
    return 0;
}

void SaveShot(QWidget *w, const QString &file)
{
    const QString dir = qEnvironmentVariable("MORVO3_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    QVERIFY(w->grab().save(QDir(dir).filePath(file)));
}
} // namespace

class TestEditorLayout : public QObject
{
    Q_OBJECT
private slots:
    void editorFitsItsArea();
    void everyTabShowsItsControlsWhole_data();
    void everyTabShowsItsControlsWhole();
    void onOffModeWindowShowsEveryItem();
};

void TestEditorLayout::editorFitsItsArea()
{
    TParamEditor editor;
    const QSize need = editor.minimumSizeHint();
    QVERIFY2(need.width() <= AreaWidth && need.height() <= AreaHeight,
             qPrintable(QStringLiteral("%1 x %2").arg(need.width()).arg(need.height())));
    QVERIFY(editor.sizeHint().width() <= AreaWidth && editor.sizeHint().height() <= AreaHeight);
}

void TestEditorLayout::everyTabShowsItsControlsWhole_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("caption");
    QTest::newRow("zones") << 0 << QStringLiteral("Zónák");
    QTest::newRow("events") << 1 << QStringLiteral("Események");
    QTest::newRow("relays") << 2 << QStringLiteral("Relé kimenetek");
    QTest::newRow("phones") << 3 << QStringLiteral("Telefonszámok és egyéb beállítások");
    QTest::newRow("alarm") << 4 << QStringLiteral("Riasztási beállítások");
}

void TestEditorLayout::everyTabShowsItsControlsWhole()
{
    QFETCH(int, tab);
    QFETCH(QString, caption);
    TParamEditor editor;
    editor.resize(editor.sizeHint());
    auto *pages = editor.findChild<QTabWidget *>(QStringLiteral("pcParameters"));
    QVERIFY(pages);
    QCOMPARE(pages->count(), 5);
    QCOMPARE(pages->tabText(tab), caption);
    pages->setCurrentIndex(tab);
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QWidget *page = pages->widget(tab);

    const QList<QWidget *> controls = NamedControls(page);
    QVERIFY(controls.size() >= 5);
    for (QWidget *w : controls) {
        const QRect r = RectIn(w, page);
        QVERIFY2(page->rect().contains(r), qPrintable(w->objectName() + " lies outside its page"));
        QVERIFY2(w->width() >= TextWidthNeeded(w),
                 qPrintable(QStringLiteral("%1 is %2 px wide, its text needs %3").arg(w->objectName()).arg(w->width()).arg(TextWidthNeeded(w))));
        QVERIFY2(w->height() >= w->minimumSizeHint().height(), qPrintable(w->objectName() + " is too low"));
    }
    for (int i = 0; i < controls.size(); ++i) {
        for (int j = i + 1; j < controls.size(); ++j) {
            QWidget *a = controls.at(i);
            QWidget *b = controls.at(j);
            if (IsContainer(a) || IsContainer(b) || a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            QVERIFY2(!RectIn(a, page).intersects(RectIn(b, page)),
                     qPrintable(a->objectName() + " overlaps " + b->objectName()));
        }
    }
    SaveShot(&editor, QStringLiteral("editor_tab%1.png").arg(tab + 1));
}

void TestEditorLayout::onOffModeWindowShowsEveryItem()
{
    TFormOnOffMode form;
    form.OpenWithMethod(3);
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.size(), QSize(631, 181));
    auto *group = form.findChild<TRadioGroup *>(QStringLiteral("rgOnOffMode"));
    QVERIFY(group);
    for (int i = 0; i < 6; ++i) {
        auto *item = form.findChild<QRadioButton *>(QStringLiteral("rgOnOffMode_item%1").arg(i));
        QVERIFY(item);
        const QRect r = RectIn(item, &form);
        QVERIFY2(form.rect().contains(r), qPrintable(item->objectName() + " lies outside the window"));
        QVERIFY2(item->width() >= item->sizeHint().width(), qPrintable(item->objectName() + " is cut"));
    }
    auto *close = form.findChild<QWidget *>(QStringLiteral("btClose"));
    QVERIFY(form.rect().contains(RectIn(close, &form)));
    QVERIFY(!RectIn(close, &form).intersects(RectIn(group, &form)));
    SaveShot(&form, QStringLiteral("onoffmode.png"));
    form.close();
}

QTEST_MAIN(TestEditorLayout)
#include "tst_editorlayout.moc"

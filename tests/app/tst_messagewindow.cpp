// The modeless message window and the yes/no dialog.

#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "monitor/OnOffMode.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
QPushButton *okButton(TMessageForm &form)
{
    return form.findChild<QPushButton *>("btnOK");
}
QLabel *textLabel(TMessageForm &form)
{
    return form.findChild<QLabel *>("lbMessageText");
}

// Counts how often any window's activation changes.
class ActivationCounter : public QObject
{
public:
    explicit ActivationCounter(int &count) : m_count(count) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ActivationChange && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow())
            ++m_count;
        return false;
    }

private:
    int &m_count;
};
} // namespace

class TestMessageWindow : public QObject
{
    Q_OBJECT
private slots:
    void heightFollowsTheLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("buttonTop");
        QTest::newRow("one line") << "Nincs kapcsolat!" << 120 << 45;
        QTest::newRow("two lines, LF") << "first\nsecond" << 136 << 61;
        QTest::newRow("two lines, CR") << "first\rsecond" << 136 << 61;
        QTest::newRow("three lines, CR LF") << "a\r\nb\r\nc" << 152 << 77;
        QTest::newRow("four lines fall back") << "a\nb\nc\nd" << 120 << 45;
    }
    void heightFollowsTheLines()
    {
        QFETCH(QString, text);
        QFETCH(int, height);
        QFETCH(int, buttonTop);
        TMessageForm form;
        form.ShowMessage(text);
        QVERIFY(form.isVisible());
        QCOMPARE(form.height(), height);
        QCOMPARE(okButton(form)->y(), buttonTop);
        QCOMPARE(form.width(), TMessageForm::DefaultWidth);
        // Short text is centred.
        QLabel *label = textLabel(form);
        QVERIFY(qAbs(label->x() + label->width() / 2 - form.width() / 2) <= 2);
        QCOMPARE(okButton(form)->x() + okButton(form)->width() / 2, form.width() / 2);
    }

    void wideTextWidensTheWindow()
    {
        TMessageForm form;
        const QString text = QString("W").repeated(80);
        form.ShowMessage(text);
        const int textWidth = QFontMetrics(textLabel(form)->font()).horizontalAdvance(text);
        QVERIFY(form.width() > TMessageForm::DefaultWidth);
        QVERIFY(qAbs(form.width() - (textWidth + 40)) <= 2);
        QCOMPARE(textLabel(form)->x(), 16);
        QCOMPARE(okButton(form)->x(), (form.width() - okButton(form)->width()) / 2 - 4);
    }

    void closingRestoresAndNextMessageStartsFresh()
    {
        TMessageForm form;
        form.ShowMessage(QString("W").repeated(80) + "\nsecond line");
        QCOMPARE(form.height(), 136);
        QTest::mouseClick(okButton(form), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QVERIFY(form.IsClosed());
        QCOMPARE(form.width(), 300);
        QCOMPARE(okButton(form)->x(), 115);
        QCOMPARE(textLabel(form)->x(), 148);

        form.ShowMessage("one line");
        QCOMPARE(form.height(), 120);
        QCOMPARE(form.width(), 300);
        QCOMPARE(okButton(form)->y(), 45);
    }

    void secondMessageOnlyReplacesTheText()
    {
        QWidget anchor;
        anchor.setGeometry(100, 100, 800, 600);
        anchor.show();
        TMessageForm form;
        form.SetCentreOver(&anchor);
        form.ShowMessage("first\nsecond");
        const QRect before = form.geometry();
        anchor.move(300, 300);
        form.ShowMessage("replaced");
        QCOMPARE(textLabel(form)->text(), QString("replaced"));
        QCOMPARE(form.geometry(), before);
        QCOMPARE(okButton(form)->y(), 61);
    }

    void centredOverTheMainWindow()
    {
        QWidget anchor;
        anchor.setGeometry(200, 150, 800, 600);
        anchor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&anchor));
        TMessageForm form;
        form.SetCentreOver(&anchor);
        form.ShowMessage("x");
        const QPoint centre = form.frameGeometry().center();
        QVERIFY2((centre - anchor.frameGeometry().center()).manhattanLength() <= 4,
                 qPrintable(QString("%1,%2").arg(centre.x()).arg(centre.y())));
    }

    void takesTheFocusBackWhileOpen()
    {
        QWidget main;
        main.setGeometry(100, 100, 600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        TMessageForm form;
        form.ShowMessage("x");
        QVERIFY(QTest::qWaitForWindowActive(&form));
        main.activateWindow();
        QTest::qWait(50);
        QTRY_VERIFY(form.isActiveWindow());
        QTest::mouseClick(okButton(form), Qt::LeftButton);
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        QTest::qWait(50);
        QVERIFY(main.isActiveWindow());
    }

    // A message that arrives while the arm/disarm method window is open: both
    // keep the focus while open, so they must not take it from each other for
    // ever. The message keeps it until OK; then the method window has it again.
    void focusKeepingWindowsDoNotFight()
    {
        QWidget main;
        main.setGeometry(100, 100, 600, 400);
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        TFormOnOffMode method;
        method.OpenWithMethod(0);
        QVERIFY(QTest::qWaitForWindowActive(&method));

        int activationChanges = 0;
        ActivationCounter counter(activationChanges);
        qApp->installEventFilter(&counter);
        TMessageForm form;
        form.ShowMessage("Jelszó elfogadva.");
        QTest::qWait(500);
        qApp->removeEventFilter(&counter);
        QVERIFY2(activationChanges < 20, qPrintable(QString::number(activationChanges)));
        QVERIFY(form.isActiveWindow());

        QTest::mouseClick(okButton(form), Qt::LeftButton);
        QTRY_VERIFY(method.isActiveWindow());
        method.close();
    }

    void yesNoDialog_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("result");
        QTest::newRow("yes") << "btnYes" << 1;
        QTest::newRow("no") << "btnNo" << 2;
    }
    void yesNoDialog()
    {
        QFETCH(QString, button);
        QFETCH(int, result);
        TFormDialog dialog;
        QCOMPARE(dialog.windowTitle(), QString("Figyelmeztetés"));
        QCOMPARE(dialog.Text(), QString("Biztosan meg akarja változtatni a jelszót?"));
        QTimer::singleShot(0, &dialog, [&dialog, button] {
            QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
        });
        QCOMPARE(dialog.exec(), result);
    }
};

QTEST_MAIN(TestMessageWindow)
#include "tst_messagewindow.moc"

// Language files and switching: the reader takes what it can from any file,
// a switch changes every text of every localized window and takes it back, and
// no language leaves a Hungarian text behind or a caption cut off.

#include "CaptionFit.h"
#include "CliLanguage.h"
#include "app/Application.h"
#include "app/Settings.h"
#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "app/TextContainer.h"
#include "app/UpdaterForm.h"
#include "link/SerialDetails.h"
#include "monitor/OnOffMode.h"
#include "monitor/PasswordINPUT.h"
#include "app/LanguageSource.h"
#include "common/CodePage1250.h"
#include "common/LanguageFile.h"
#include "common/Morvo3Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>
#include <memory>

namespace {

QByteArray cp(const char *utf8)
{
    return ToCp1250(QString::fromUtf8(utf8));
}

// A small window with one control of each kind a language file touches.
struct SmallWindow
{
    QWidget window;
    QLabel *label;
    QPushButton *button;
    QComboBox *combo;
    QTableWidget *table;
    SmallWindow()
    {
        window.setWindowTitle(QStringLiteral("Ablak"));
        label = new QLabel(QStringLiteral("Címke"), &window);
        label->setObjectName(QStringLiteral("lbCaption"));
        label->setToolTip(QStringLiteral("Tipp"));
        button = new QPushButton(QStringLiteral("Gomb"), &window);
        button->setObjectName(QStringLiteral("btGo"));
        combo = new QComboBox(&window);
        combo->setObjectName(QStringLiteral("cmbMode"));
        combo->addItems({QStringLiteral("egy"), QStringLiteral("kettő"), QStringLiteral("három")});
        combo->setCurrentIndex(2);
        table = new QTableWidget(1, 2, &window);
        table->setObjectName(QStringLiteral("lvList"));
        table->setHorizontalHeaderLabels({QStringLiteral("Név"), QStringLiteral("Érték")});
    }
    QStringList texts() const
    {
        return {window.windowTitle(), label->text(), label->toolTip(), button->text(),
                combo->itemText(0), combo->itemText(1), combo->itemText(2),
                table->horizontalHeaderItem(0)->text(), table->horizontalHeaderItem(1)->text()};
    }
};

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return {};
    return path;
}

// Every text a person reads on the window, named by where it is (unnamed
// controls by class and position, so they cannot hide).
QHash<QString, QString> visibleTexts(QWidget *window)
{
    QHash<QString, QString> texts;
    auto add = [&texts](const QString &where, const QString &text) {
        if (!text.isEmpty())
            texts.insert(where, text);
    };
    add(QStringLiteral("title"), window->windowTitle());
    int unnamed = 0;
    // The diagnostic timers panel names program objects, the same in every language.
    const QWidget *timers = window->findChild<QWidget *>(QStringLiteral("GroupBox7"));
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (timers && timers->isAncestorOf(w))
            continue;
        const QString name = w->objectName().isEmpty()
                                 ? QStringLiteral("%1#%2").arg(QString::fromLatin1(w->metaObject()->className())).arg(unnamed++)
                                 : w->objectName();
        add(name + QStringLiteral(".hint"), w->toolTip());
        if (w->isWindow())
            add(name + QStringLiteral(".title"), w->windowTitle());
        if (auto *b = qobject_cast<QAbstractButton *>(w))
            add(name, b->text());
        else if (auto *l = qobject_cast<QLabel *>(w))
            add(name, l->text());
        else if (auto *g = qobject_cast<QGroupBox *>(w))
            add(name, g->title());
        else if (auto *c = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < c->count(); ++i)
                add(name + QStringLiteral("[%1]").arg(i), c->itemText(i));
        else if (auto *t = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < t->count(); ++i)
                add(name + QStringLiteral(".tab%1").arg(i), t->tabText(i));
        else if (auto *t = qobject_cast<QTableWidget *>(w)) {
            for (int c = 0; c < t->columnCount(); ++c) {
                if (QTableWidgetItem *h = t->horizontalHeaderItem(c))
                    add(name + QStringLiteral(".header%1").arg(c), h->text());
                if (t->property("headerRow").toBool() && t->item(0, c))
                    add(name + QStringLiteral(".row0.%1").arg(c), t->item(0, c)->text());
            }
        } else if (auto *t = qobject_cast<QTreeWidget *>(w))
            for (int c = 0; c < t->columnCount(); ++c)
                add(name + QStringLiteral(".header%1").arg(c), t->headerItem()->text(c));
    }
    return texts;
}

// Texts that are the same in every language: names, codes, units, numbers.
bool languageNeutral(const QString &text)
{
    static const QStringList neutral = {
        "GPRS Morvo3 v1.15", "USB", "HU", "EN", "SK", "RO", "OK", "Start", "Stop", "Z1", "Z2", "Z3", "Z4",
        "Contact ID", "DTMF", "sec/10", "Index", "Timers", "Unknown", "Send password", "FirmWare Download",
        "Flash Reset !", "FirmWare Reset!", "GSM (0-31), 10 min", "Modul :", "Program :", "SMS text", "Text SMS",
        "G1", "G2", "G3", "G4", "G5", "G6", "S1", "S2", "S3", "S4", "K1", "K2", "GPRS Morvo3", "v1.15", "TextContainer",
    };
    bool letters = false;
    for (const QChar c : text)
        letters = letters || c.isLetter();
    return !letters || neutral.contains(text);
}


using CaptionFit::cutCaptions;

struct App
{
    std::unique_ptr<TMorvo3Application> app;
    TMainForm *main = nullptr;
    App()
        : app(std::make_unique<TMorvo3Application>(QStringList{}))
    {
        app->Start();
        main = app->MainForm();
    }
    QList<QWidget *> windows() const
    {
        const TAppWindows &w = app->Windows();
        return {main, static_cast<QWidget *>(w.Details),
                static_cast<QWidget *>(w.OnOffMode), static_cast<QWidget *>(w.Dialog), static_cast<QWidget *>(w.Update),
                static_cast<QWidget *>(w.Message), static_cast<QWidget *>(w.PWForm),
                static_cast<QWidget *>(w.TextContainer)};
    }
    QHash<QString, QString> allTexts() const
    {
        QHash<QString, QString> all;
        for (QWidget *w : windows()) {
            const QHash<QString, QString> t = visibleTexts(w);
            for (auto it = t.begin(); it != t.end(); ++it)
                all.insert(w->objectName() + QLatin1Char('/') + it.key(), it.value());
        }
        return all;
    }
};

} // namespace

class TestLanguages : public QObject
{
    Q_OBJECT
private slots:
    // ---------------------------------------------------------------- reader
    void decodeValue_data()
    {
        QTest::addColumn<QByteArray>("raw");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QByteArray("\"System message\"") << true << "System message";
        QTest::newRow("doubled quote") << QByteArray("\"say \"\"yes\"\"\"") << true << "say \"yes\"";
        QTest::newRow("line break") << QByteArray("\"one\"#13#10\"two\"") << true << "one\r\ntwo";
        QTest::newRow("code only") << QByteArray("#65#66") << true << "AB";
        QTest::newRow("spaces between parts") << QByteArray(" \"a\" #32 \"b\" ") << true << "a b";
        QTest::newRow("cp1250 letters") << cp("\"Ieşiri releu ţ\"") << true << QString::fromUtf8("Ieşiri releu ţ");
        QTest::newRow("code of a cp1250 letter") << QByteArray("#186#254") << true << QString::fromUtf8("şţ");
        QTest::newRow("empty quotes") << QByteArray("\"\"") << true << "";
        QTest::newRow("unterminated") << QByteArray("\"open") << false << "";
        QTest::newRow("code out of range") << QByteArray("\"a\"#256") << false << "";
        QTest::newRow("huge code") << QByteArray("#99999999999999999999") << false << "";
        QTest::newRow("hash without digits") << QByteArray("\"a\"#") << false << "";
        QTest::newRow("bare word") << QByteArray("hello") << false << "";
        QTest::newRow("nothing") << QByteArray("") << false << "";
    }
    void decodeValue()
    {
        QFETCH(QByteArray, raw);
        QFETCH(bool, ok);
        QFETCH(QString, text);
        QString out;
        QCOMPARE(TLanguageFile::DecodeValue(raw, &out), ok);
        if (ok)
            QCOMPARE(out, text);
    }

    void splitList_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("described example")
            << "\"0-  none\",\"1-  no password required\",\"2-  relay 2 ON\",\"3-  relay 2 ON + pick up\""
            << QStringList{"0-  none", "1-  no password required", "2-  relay 2 ON", "3-  relay 2 ON + pick up"};
        QTest::newRow("bare items") << "Field,Index" << QStringList{"Field", "Index"};
        QTest::newRow("quote and comma inside") << "\"a, \"\"b\"\"\",c" << QStringList{"a, \"b\"", "c"};
        QTest::newRow("empty items") << "\"\",x," << QStringList{"", "x", ""};
        QTest::newRow("empty list") << "" << QStringList{};
    }
    void splitList()
    {
        QFETCH(QString, value);
        QFETCH(QStringList, items);
        QCOMPARE(TLanguageFile::SplitList(value), items);
    }

    // The described list line, read from a file as a whole.
    void readsSectionsAndLines()
    {
        const QByteArray bytes = "[MainForm]\r\n"
                                 "cmbCLIP1.Items=\"\"\"0-  none\"\",\"\"1-  no password required\"\"\"\r\n"
                                 "\r\n"
                                 "[MessageForm]\r\n"
                                 "Caption=\"System message\"\r\n"
                                 "btnOK.Caption=\"first\"\r\n"
                                 "btnOK.Caption=\"OK\"\r\n";
        const TLanguageFile f = TLanguageFile::FromBytes(bytes);
        QCOMPARE(f.Sections(), (QStringList{"MainForm", "MessageForm"}));
        const auto main = f.Section(QStringLiteral("mainform"));
        QCOMPARE(main.size(), 1);
        QCOMPARE(main.first().first, QString("cmbCLIP1.Items"));
        QCOMPARE(TLanguageFile::SplitList(main.first().second), (QStringList{"0-  none", "1-  no password required"}));
        const auto msg = f.Section(QStringLiteral("MessageForm"));
        QCOMPARE(msg.size(), 2);
        QCOMPARE(msg.at(0), (TLanguageFile::Line{"Caption", "System message"}));
        QCOMPARE(msg.at(1), (TLanguageFile::Line{"btnOK.Caption", "OK"}));
        QCOMPARE(f.DroppedLines(), 0);
    }

    // A damaged "my.lng": every good line still counts, nothing else does.
    void badInputLoadsWhatItCan_data()
    {
        QTest::addColumn<QByteArray>("junk");
        QTest::addColumn<int>("dropped");
        QTest::newRow("invalid lines") << QByteArray("no equals sign\r\n=\"no name\"\r\nbad name!.Caption=\"x\"\r\n") << 3;
        QTest::newRow("unterminated quote") << QByteArray("lbA.Caption=\"never closed\r\n") << 1;
        QTest::newRow("code out of range") << QByteArray("lbA.Caption=\"x\"#300\r\nlbA.Hint=#-1\r\n") << 2;
        QTest::newRow("1 MB line") << (QByteArray("lbA.Caption=\"") + QByteArray(1024 * 1024, 'x') + "\r\n") << 1;
        QTest::newRow("1 MB value, well formed") << (QByteArray("lbB.Caption=\"") + QByteArray(1024 * 1024, 'y') + "\"\r\n") << 0;
        QByteArray garbage;
        for (int i = 0; i < 65536; ++i)
            garbage.append(char((i * 7919 + (i >> 3)) & 0xff));
        QTest::newRow("binary garbage") << garbage << -1;
        QByteArray many;
        for (int i = 0; i < 200000; ++i)
            many += "lb" + QByteArray::number(i) + ".Caption=\"x\"\r\n";
        QTest::newRow("200000 distinct lines") << many << 0;
        QTest::newRow("broken header") << QByteArray("[Main\r\nlbA.Caption=\"lost\"\r\n") << 2;
    }
    void badInputLoadsWhatItCan()
    {
        QFETCH(QByteArray, junk);
        QFETCH(int, dropped);
        // Good lines before and after the junk, the last one in a section opened afterwards.
        const QByteArray bytes = "[MessageForm]\r\nCaption=\"Before\"\r\n" + junk + "\r\n[PWForm]\r\nCaption=\"After\"\r\n";
        const TLanguageFile f = TLanguageFile::FromBytes(bytes);
        QVERIFY(f.Section(QStringLiteral("MessageForm")).contains(TLanguageFile::Line{"Caption", "Before"}));
        QCOMPARE(f.Section(QStringLiteral("PWForm")), (QList<TLanguageFile::Line>{{"Caption", "After"}}));
        if (dropped >= 0)
            QCOMPARE(f.DroppedLines(), dropped);
        else
            QVERIFY(f.DroppedLines() > 0);
    }

    // ---------------------------------------------------------------- switching
    void switchingRestoresEveryText()
    {
        QTemporaryDir dir;
        const QString en = writeFile(dir, "en.lng",
                                     "[Small]\r\nCaption=\"Window\"\r\nlbCaption.Caption=\"Label\"\r\n"
                                     "lbCaption.Hint=\"Tip\"\r\nbtGo.Caption=\"Go\"\r\n"
                                     "cmbMode.Items=\"one,two,three\"\r\nlvList.Columns.Header=\"Name,Value\"\r\n"
                                     "btnModem.Caption=\"Modem\"\r\nbtGo.Color=\"clRed\"\r\n");
        // Slovak leaves the hint and the button out.
        const QString sk = writeFile(dir, "sk.lng",
                                     cp("[Small]\r\nCaption=\"Okno\"\r\nlbCaption.Caption=\"Štítok\"\r\n"
                                        "cmbMode.Items=\"jeden,dva,tri\"\r\nlvList.Columns.Header=\"Meno,Hodnota\"\r\n"));
        SmallWindow w;
        const QStringList hungarian = w.texts();
        TLanguageSource source;
        source.SetFiles({en, sk});
        source.AddWindow(&w.window, QStringLiteral("Small"),
                         {QStringLiteral("Caption"), QStringLiteral("Hint"), QStringLiteral("Items"),
                          QStringLiteral("Columns.Header")});

        QVERIFY(source.SetActiveLanguage(0));
        QCOMPARE(w.texts(), (QStringList{"Window", "Label", "Tip", "Go", "one", "two", "three", "Name", "Value"}));
        QCOMPARE(w.combo->currentIndex(), 2);

        QVERIFY(source.SetActiveLanguage(1));
        QCOMPARE(w.texts(), (QStringList{"Okno", QString::fromUtf8("Štítok"), "Tipp", "Gomb", "jeden", "dva", "tri",
                                         "Meno", "Hodnota"}));
        QCOMPARE(w.combo->currentIndex(), 2);

        QVERIFY(source.SetActiveLanguage(-1));
        QCOMPARE(w.texts(), hungarian);
        QCOMPARE(source.ActiveLanguage(), -1);

        QString error;
        QVERIFY(!source.SetActiveLanguage(2, &error));
        QCOMPARE(error, QString("Index out of bounds (2)"));
        QCOMPARE(w.texts(), hungarian);
    }

    // A list with another number of entries replaces the list; the selected
    // entry stays where it was as long as it exists.
    void listOfOtherLengthKeepsSelection()
    {
        QTemporaryDir dir;
        const QString en = writeFile(dir, "en.lng", "[Small]\r\ncmbMode.Items=\"a,b,c,d\"\r\n");
        SmallWindow w;
        TLanguageSource source;
        source.SetFiles({en});
        source.AddWindow(&w.window, QStringLiteral("Small"), {QStringLiteral("Items")});
        QSignalSpy changed(w.combo, &QComboBox::currentIndexChanged);
        QVERIFY(source.SetActiveLanguage(0));
        QCOMPARE(w.combo->count(), 4);
        QCOMPARE(w.combo->currentIndex(), 2);
        QVERIFY(source.SetActiveLanguage(-1));
        QCOMPARE(w.combo->count(), 3);
        QCOMPARE(w.combo->currentText(), QString::fromUtf8("három"));
        QCOMPARE(changed.count(), 0);
    }

    // A window made while a language is active takes it at once.
    void lateWindowTakesActiveLanguage()
    {
        QTemporaryDir dir;
        const QString en = writeFile(dir, "en.lng", "[Small]\r\nbtGo.Caption=\"Go\"\r\n");
        TLanguageSource source;
        source.SetFiles({en});
        QVERIFY(source.SetActiveLanguage(0));
        SmallWindow w;
        source.AddWindow(&w.window, QStringLiteral("Small"), {QStringLiteral("Caption")});
        QCOMPARE(w.button->text(), QString("Go"));
        QVERIFY(source.SetActiveLanguage(-1));
        QCOMPARE(w.button->text(), QString("Gomb"));
    }

    // ------------------------------------------------------- the real windows
    void builtInFilesReadCleanly_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("English") << 0;
        QTest::newRow("Slovak") << 1;
        QTest::newRow("Romanian") << 2;
    }
    void builtInFilesReadCleanly()
    {
        QFETCH(int, index);
        bool ok = false;
        const TLanguageFile f = TLanguageFile::Load(Languages::ResourcePath(index), &ok);
        QVERIFY(ok);
        QCOMPARE(f.DroppedLines(), 0);
        for (const char *section : {"MainForm", "TextContainer", "EventList", "FormDetails", "FormOnOffMode",
                                    "FormDialog", "FormUpdate", "MessageForm", "PWForm"})
            QVERIFY2(f.HasSection(QLatin1String(section)), section);
    }

    // The texts the description quotes are the English file's texts.
    void englishQuotedTexts_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("no connection") << "TextContainer" << "lbTXT_NO_CONNECTION.Caption" << "No connection!";
        QTest::newRow("no serial") << "TextContainer" << "lbTXT_NO_SERIAL_CONN.Caption" << " No serial connection.";
        QTest::newRow("bad port") << "TextContainer" << "lbTXT_BAD_PORT_NUMBER.Caption" << "Bad port number! Using 3333 as default.";
        QTest::newRow("legend") << "TextContainer" << "lbTXT_comment0.Caption" << "  Legend:";
        QTest::newRow("programme") << "TextContainer" << "lbTXT_STARTED_VANTREL_NAME.Caption" << "Programme :";
        QTest::newRow("message caption") << "MessageForm" << "Caption" << "System message";
        QTest::newRow("details caption") << "FormDetails" << "Caption" << "Communication details";
        QTest::newRow("on/off caption") << "FormOnOffMode" << "Caption" << "Arm / Disarm method";
        QTest::newRow("phones tab") << "MainForm" << "tsPhones.Caption" << "Phone numbers && other settings";
        QTest::newRow("event 1") << "MainForm" << "lbEvent1.Caption" << "01. Z1 Alarm";
        QTest::newRow("relay row 0") << "MainForm" << "lbRelayRow0.Caption" << "00. Control through phone call";
        QTest::newRow("clip list") << "MainForm" << "cmbCLIP1.Items"
                                   << "\"0-  none\",\"1-  no password required\",\"2-  relay 2 ON\",\"3-  relay 2 ON + pick up\"";
        QTest::newRow("event list") << "EventList" << "btClose.Caption" << "Close window";
    }
    void englishQuotedTexts()
    {
        QFETCH(QString, section);
        QFETCH(QString, name);
        QFETCH(QString, text);
        const TLanguageFile f = Languages::LoadBuiltInFile(0);
        QString found;
        for (const TLanguageFile::Line &l : f.Section(section))
            if (l.first == name)
                found = l.second;
        QCOMPARE(found, text);
    }

    // No control of a localized window keeps its Hungarian text in another
    // language, and Hungarian comes back whole.
    void nothingLeftInHungarian_data()
    {
        builtInFilesReadCleanly_data();
    }
    void nothingLeftInHungarian()
    {
        QFETCH(int, index);
        App a;
        const QHash<QString, QString> hungarian = a.allTexts();
        QVERIFY(hungarian.size() > 250);
        // Through another language first, so leftovers of a switch would show.
        QVERIFY(a.main->SetLanguage(index == 0 ? 1 : 0));
        QVERIFY(a.main->SetLanguage(index));
        const QHash<QString, QString> translated = a.allTexts();
        QStringList left;
        for (auto it = hungarian.begin(); it != hungarian.end(); ++it)
            if (translated.value(it.key()) == it.value() && !languageNeutral(it.value()))
                left << it.key() + QStringLiteral(": ") + it.value();
        left.sort();
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));

        QVERIFY(a.main->SetLanguage(-1));
        const QHash<QString, QString> back = a.allTexts();
        QStringList changed;
        for (auto it = hungarian.begin(); it != hungarian.end(); ++it)
            if (back.value(it.key()) != it.value())
                changed << it.key() + QStringLiteral(": ") + back.value(it.key()) + QStringLiteral(" <> ") + it.value();
        // The status line shows the switch's "   -   " until the next status.
        for (auto it = back.begin(); it != back.end(); ++it)
            if (!hungarian.contains(it.key()) && !(it.key().endsWith(QLatin1String("/MainStatusPanel")) && it.value() == QLatin1String("   -   ")))
                changed << it.key() + QStringLiteral(": ") + it.value() + QStringLiteral(" (new)");
        QVERIFY2(changed.isEmpty(), qPrintable(changed.join(QLatin1Char('\n'))));
    }

    // No caption is cut off in any language, on any page of the main window
    // or in the small windows; the pages are saved as pictures to look at
    // (MORVO3_LANG_SHOTS=folder).
    void nothingCutOff_data()
    {
        builtInFilesReadCleanly_data();
    }
    void nothingCutOff()
    {
        QFETCH(int, index);
        App a;
        a.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.main));
        QVERIFY(a.main->SetLanguage(index));
        QStringList cut;
        const QString shots = qEnvironmentVariable("MORVO3_LANG_SHOTS");
        auto *pages = a.main->findChild<QTabWidget *>(QStringLiteral("pcMain"));
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            const QList<QTabWidget *> inner = pages->currentWidget()->findChildren<QTabWidget *>();
            const int innerCount = inner.isEmpty() ? 1 : inner.first()->count();
            for (int j = 0; j < innerCount; ++j) {
                if (!inner.isEmpty())
                    inner.first()->setCurrentIndex(j);
                QCoreApplication::processEvents();
                cut << cutCaptions(a.main);
                if (!shots.isEmpty())
                    a.main->grab().save(QDir(shots).filePath(QStringLiteral("lang%1-page%2-%3.png").arg(index).arg(i).arg(j)));
            }
        }
        const TAppWindows &w = a.app->Windows();
        a.main->ShowMessage(a.app->Core().Texts.text(QStringLiteral("lbTXT_SECUR_PW_OK")));
        for (QWidget *window : std::initializer_list<QWidget *>{w.Details, w.Dialog, w.Update, w.PWForm, w.Message, w.OnOffMode}) {
            window->show();
            QCoreApplication::processEvents();
            cut << cutCaptions(window);
            if (!shots.isEmpty())
                window->grab().save(QDir(shots).filePath(QStringLiteral("lang%1-%2.png").arg(index).arg(window->objectName())));
            window->hide();
        }
        cut.removeDuplicates();
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }

    // Romanian is written with the cedilla letters of Windows-1250 and they
    // arrive on screen as such.
    void romanianLetters()
    {
        App a;
        QVERIFY(a.main->SetLanguage(2));
        auto *tabs = a.main->findChild<QTabWidget *>(QStringLiteral("pcParams"));
        QStringList all;
        for (const QString &t : a.allTexts())
            all << t;
        const QString joined = all.join(QLatin1Char(' '));
        QVERIFY(joined.contains(QChar(0x015F))); // ş
        QVERIFY(joined.contains(QChar(0x0163))); // ţ
        QVERIFY(!joined.contains(QChar(0x0219)) && !joined.contains(QChar(0x021B)));
        Q_UNUSED(tabs);
        QCOMPARE(a.app->Core().Texts.text(QStringLiteral("lbTXT_INPUT_LABEL_ALARM")), QString::fromUtf8("ALARMĂ"));
    }

    // The language buttons, the catalogue and the remembered index.
    void buttonsSwitchAndCatalogueFollows()
    {
        App a;
        a.main->show();
        QVERIFY(QTest::qWaitForWindowExposed(a.main));
        a.main->findChild<QToolButton *>(QStringLiteral("spbSK"))->click();
        QCOMPARE(a.main->LanguageIndex(), 1);
        QCOMPARE(a.app->Core().Texts.text(QStringLiteral("lbTXT_NO_CONNECTION")), QString("Bez spojenia!"));
        QCOMPARE(a.main->findChild<QAbstractButton *>(QStringLiteral("btStopAlarm"))->text(), QString("Zastaviť poplach").fromUtf8("Zastaviť poplach"));
        a.main->findChild<QToolButton *>(QStringLiteral("spbENG"))->click();
        QCOMPARE(a.app->Core().Texts.text(QStringLiteral("lbTXT_NO_CONNECTION")), QString("No connection!"));
        a.main->findChild<QToolButton *>(QStringLiteral("spbHU"))->click();
        QCOMPARE(a.main->LanguageIndex(), -1);
        QCOMPARE(a.app->Core().Texts.text(QStringLiteral("lbTXT_NO_CONNECTION")), QString("Nincs kapcsolat!"));
    }

    // The zone unit and caller-ID lists keep their selected entries.
    void selectedEntriesSurvive()
    {
        App a;
        QList<QComboBox *> lists;
        for (int i = 1; i <= 4; ++i)
            lists << a.main->findChild<QComboBox *>(QStringLiteral("cmbCLIP%1").arg(i));
        for (int i = 0; i < 4; ++i) {
            QVERIFY(lists[i]);
            lists[i]->setCurrentIndex(3 - i);
        }
        for (int language : {0, 1, 2, -1})
            for (int i = 0; i < 4; ++i)
                QCOMPARE(a.main->SetLanguage(language) ? lists[i]->currentIndex() : -1, 3 - i);
        QCOMPARE(lists[0]->currentText(), QString::fromUtf8("3-  relé 2 BE + felvétel"));
    }

    // The program starts in the language of the settings file and writes the
    // active one back at close.
    void remembersLanguage()
    {
        const QString ini = Settings::SettingsFilePath();
        QFile::remove(ini);
        TSettingsValues v;
        v.LanguageCode = QStringLiteral("RO");
        QVERIFY(Settings::SaveSettings(ini, v));
        {
            App a;
            a.main->show();
            QVERIFY(QTest::qWaitForWindowExposed(a.main));
            QCOMPARE(a.main->LanguageIndex(), 2);
            QVERIFY(a.main->findChild<QToolButton *>(QStringLiteral("spbRO"))->isChecked());
            QCOMPARE(a.app->Core().Texts.text(QStringLiteral("lbTXT_NO_CONNECTION")), QString::fromUtf8("Fără conexiune!"));
            a.main->findChild<QToolButton *>(QStringLiteral("spbENG"))->click();
            a.main->close();
            QCoreApplication::processEvents();
        }
        QCOMPARE(Settings::LoadSettings(ini).LanguageCode, QString("ENG"));
        QFile::remove(ini);
    }

    // morvo3-cli: the settings file's language, --lang over it, and its own
    // framing word with it.
    void cliLanguage_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("errorWord");
        QTest::addColumn<QString>("noConnection");
        QTest::newRow("nothing named") << "" << QStringList{"dump", "x"} << true << -1 << "error:" << "Nincs kapcsolat!";
        QTest::newRow("settings Romanian") << "RO" << QStringList{"dump", "x"} << true << 2 << "eroare:" << QString::fromUtf8("Fără conexiune!");
        QTest::newRow("settings Hungarian") << "HUN" << QStringList{"dump"} << true << -1 << "hiba:" << "Nincs kapcsolat!";
        QTest::newRow("--lang over settings") << "RO" << QStringList{"--lang", "sk", "dump"} << true << 1 << "chyba:" << "Bez spojenia!";
        QTest::newRow("--lang=en") << "" << QStringList{"status", "--lang=en"} << true << 0 << "error:" << "No connection!";
        QTest::newRow("--lang hu") << "ENG" << QStringList{"--lang", "HU"} << true << -1 << "hiba:" << "Nincs kapcsolat!";
        QTest::newRow("unknown code") << "SK" << QStringList{"--lang", "de"} << false << -1 << "error:" << "Nincs kapcsolat!";
    }
    void cliLanguage()
    {
        QFETCH(QString, stored);
        QFETCH(QStringList, arguments);
        QFETCH(bool, ok);
        QFETCH(int, index);
        QFETCH(QString, errorWord);
        QFETCH(QString, noConnection);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("morvo3.INI"));
        if (!stored.isEmpty()) {
            TSettingsValues v;
            v.LanguageCode = stored;
            QVERIFY(Settings::SaveSettings(ini, v));
        }
        QString error;
        QCOMPARE(CliLanguage::Select(QStringList{"morvo3-cli"} + arguments, ini, &error), ok);
        QCOMPARE(error.isEmpty(), ok);
        QCOMPARE(CliLanguage::Index(), index);
        QCOMPARE(CliLanguage::ErrorWord(), errorWord);
        Morvo3Texts texts;
        CliLanguage::Apply(texts);
        QCOMPARE(texts.text(QStringLiteral("lbTXT_NO_CONNECTION")), noConnection);
    }

    void cliSpeaksOnStderr()
    {
        QProcess p;
        p.start(QStringLiteral(MORVO3_CLI_PATH), {QStringLiteral("--lang"), QStringLiteral("ro"), QStringLiteral("dump"),
                                                  QStringLiteral("/nonexistent/file.KVD")});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 2);
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(err.startsWith(QStringLiteral("morvo3-cli: eroare: ")), qPrintable(err));
    }

    // The language files live next to the executable from the first show to
    // the close; "my.lng" there replaces English only.
    void filesNextToExecutableAndMyLng()
    {
        const QString myLng = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("my.lng"));
        QFile::remove(myLng);
        {
            QFile f(myLng);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[MainForm]\r\nbtStopAlarm.Caption=\"My stop\"\r\nbtRefresh.Caption=\"broken\r\n");
        }
        QStringList extracted;
        {
            App a;
            a.main->show();
            QVERIFY(QTest::qWaitForWindowExposed(a.main));
            extracted = a.main->ExtractedLanguageFiles();
            QCOMPARE(extracted.size(), 3);
            for (const QString &p : extracted)
                QVERIFY2(QFileInfo::exists(p), qPrintable(p));
            QVERIFY(extracted.at(1).endsWith(QLatin1String("GPRS_Morvo_v1.15_SK_TMP.lng")));
            QVERIFY(a.main->SetLanguage(0));
            QCOMPARE(a.main->findChild<QAbstractButton *>(QStringLiteral("btStopAlarm"))->text(), QString("My stop"));
            // What my.lng lacks stays Hungarian.
            QCOMPARE(a.main->findChild<QAbstractButton *>(QStringLiteral("btRefresh"))->text(), QString::fromUtf8("Frissítés"));
            QVERIFY(a.main->SetLanguage(2));
            QCOMPARE(a.main->findChild<QAbstractButton *>(QStringLiteral("btStopAlarm"))->text(), QString::fromUtf8("Oprire alarmă"));
            a.main->close();
            QCoreApplication::processEvents();
        }
        QFile::remove(myLng);
        for (const QString &p : extracted)
            QVERIFY2(!QFileInfo::exists(p), qPrintable(p));
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"

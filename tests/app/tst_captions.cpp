// The built-in (Hungarian) captions of the program's own windows: the texts an
// installer reads, and that none of them is cut off by its control.

#include "CaptionFit.h"

#include "app/Application.h"
#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "app/FormProgress.h"
#include "app/UpdaterForm.h"
#include "link/SerialDetails.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QtTest>
#include <memory>

namespace {
struct Fixture
{
    std::unique_ptr<TMorvo3Application> app;
    TMainForm *main = nullptr;
    Fixture()
        : app(std::make_unique<TMorvo3Application>(QStringList{}))
    {
        app->Start();
        main = app->MainForm();
        main->show();
    }
};

using CaptionFit::cutCaptions;
} // namespace

class TestCaptions : public QObject
{
    Q_OBJECT
private slots:
    void mainWindowSpeaksHungarian_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::newRow("USB mode") << "rbUSB" << "A modul USB kábellel csatlakozik a számítógéphez";
        QTest::newRow("IP mode") << "rbIPmode" << "Távoli modul elérése IP (internet) kapcsolaton keresztül";
        QTest::newRow("connect") << "btGPRS_Connect" << "Kapcsolódás a szerverhez";
        QTest::newRow("disconnect") << "btGPRS_Disconnect" << "Kapcsolat bontása";
        QTest::newRow("save password") << "cbSavePWD" << "Jelszó mentése";
        QTest::newRow("clear relay log") << "btClearMemoGPRS" << "Részletek törlése";
        QTest::newRow("stop alarm") << "btStopAlarm" << "Riasztás leállítása";
        QTest::newRow("refresh") << "btRefresh" << "Frissítés";
        QTest::newRow("details") << "btDetails" << "Kommunikáció részletei >>>";
        QTest::newRow("long list") << "btLongEventList" << "Hosszú eseménylista";
        QTest::newRow("relay on") << "btREL1Start" << "Start";
        QTest::newRow("relay off") << "btREL2Stop" << "Stop";
        QTest::newRow("open") << "spbOpen" << "Megnyitás";
        QTest::newRow("read") << "spbReadModule" << "Olvasás";
        QTest::newRow("read twin") << "spbReadModuleDisabled" << "Olvasás";
        QTest::newRow("stop") << "btnSTOP" << "Leállítás";
        QTest::newRow("on/off mode") << "btOnOffMode" << "Módosítás";
        QTest::newRow("test report") << "btTestNow" << "Tesztjelentés küldés most";
    }
    void mainWindowSpeaksHungarian()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        Fixture f;
        auto *b = f.main->findChild<QAbstractButton *>(name);
        QVERIFY2(b, qPrintable(name));
        QCOMPARE(b->text(), caption);
    }

    void windowsSpeakHungarian()
    {
        Fixture f;
        const TAppWindows &w = f.app->Windows();
        QCOMPARE(w.Details->windowTitle(), QString("Kommunikáció részletei"));
        QCOMPARE(w.Message->windowTitle(), QString("Rendszerüzenet"));
        QCOMPARE(w.Dialog->windowTitle(), QString("Figyelmeztetés"));
        QCOMPARE(w.PWForm->windowTitle(), QString("Jelszó"));
        QCOMPARE(w.Dialog->findChild<QPushButton *>("btnYes")->text(), QString("Igen"));
        QCOMPARE(w.Dialog->findChild<QPushButton *>("btnNo")->text(), QString("Nem"));
        const std::pair<const char *, const char *> details[] = {
            {"btClose", "Bezárás"}, {"btClear", "Ablakok törlése"}, {"btStart", "Stop"}, {"btSave", "Mentés fájlba"}};
        for (const auto &[name, caption] : details)
            QCOMPARE(w.Details->findChild<QPushButton *>(name)->text(), QString::fromUtf8(caption));
        auto *pages = f.main->findChild<QTabWidget *>(QStringLiteral("pcMain"));
        QCOMPARE((QStringList{pages->tabText(0), pages->tabText(1), pages->tabText(2)}),
                 (QStringList{"Kapcsolat", "Modul állapot", "Paraméter beállítások"}));
    }

    // Hungarian words are long: every caption a window shows must fit its
    // control, on every page of the main window.
    void captionsAreNotCutOff()
    {
        Fixture f;
        auto *pages = f.main->findChild<QTabWidget *>(QStringLiteral("pcMain"));
        QStringList cut;
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            cut << cutCaptions(f.main);
        }
        const TAppWindows &w = f.app->Windows();
        f.app->MainForm()->ShowMessage(QStringLiteral("Jelszó elfogadva."));
        for (QWidget *window : std::initializer_list<QWidget *>{w.Details, w.Dialog, w.Update, w.Progress, w.PWForm,
                                                                  w.NewPW, w.Message}) {
            window->show();
            QCoreApplication::processEvents();
            cut << cutCaptions(window);
            window->hide();
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"

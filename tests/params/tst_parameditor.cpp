// The parameter editor with its real controls: the image it builds, what
// loading an image does to each control, the grids' and test time's input
// rules typed with QTest, and the arm/disarm method window.

#include "ExpectedImage.h"

#include "monitor/OnOffMode.h"
#include "params/EE_Struct.h"
#include "params/EditorWidgets.h"
#include "params/ParamEditor.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <cstring>
#include <memory>

namespace {
QByteArray ImageBytes(const TParamImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.bytes), ExpectedImage::Length);
}

QStringList Cells(const QString &chars)
{
    QStringList cells;
    for (QChar c : chars)
        cells << (c == QLatin1Char('_') ? QString() : QString(c));
    return cells;
}

// Fresh editor per test, with helpers to reach its controls by name.
struct EditorFixture
{
    TParamEditor editor;

    template<class T>
    T *Get(const QString &name)
    {
        T *w = editor.findChild<T *>(name);
        if (!w)
            qFatal("control %s not found", qPrintable(name));
        return w;
    }
    TCharGrid *Grid(const QString &name) { return Get<TCharGrid>(name); }
    QVariant Property(const QString &name, const char *property)
    {
        return Get<QWidget>(name)->property(property);
    }
    TParamImage Build()
    {
        TParamImage image;
        editor.BuildImageFromEditor(image);
        return image;
    }
    void TypeInto(TCharGrid *grid, int cell, const QString &keys)
    {
        grid->setFocus();
        grid->SetCursorCell(cell);
        for (QChar c : keys)
            QTest::keyClick(grid, c.toLatin1());
    }
};

TParamImage FreshImage()
{
    TParamImage image;
    const QByteArray bytes = ExpectedImage::FreshImage();
    image.LoadFileBytes(bytes);
    image.fill = bytes.size();
    return image;
}
} // namespace

class TestParamEditor : public QObject
{
    Q_OBJECT
private slots:
    void freshEditorBuildsTheDescribedImage();
    void controlsCarryTheirNames_data();
    void controlsCarryTheirNames();
    void loadingRules_data();
    void loadingRules();
    void hexGridMirrorsAfterKeyRelease();
    void mirrorsAreNotTyped();
    void focusLeavingCompletesTheCode();
    void backspace_data();
    void backspace();
    void typedKeys_data();
    void typedKeys();
    void seventeenDigitsIntoADialGrid();
    void pastedCellIsValidated();
    void testTimeControls_data();
    void testTimeControls();
    void spinEditsAreNormalisedBeforeBuilding();
    void buildThenLoadRoundTrip();
    void storedSmsSurvivesTheEditor();
    void tabOfField_data();
    void tabOfField();
    void damagedDataLoadsWithoutHarm_data();
    void damagedDataLoadsWithoutHarm();
    void onOffModeSelection();
    void onOffModeTakesTheFocusBack();
    void testNowOnlySignals();
};

void TestParamEditor::freshEditorBuildsTheDescribedImage()
{
    EditorFixture f;
    const TParamImage image = f.Build();
    QCOMPARE(image.fill, ExpectedImage::Length);
    QCOMPARE(ImageBytes(image), ExpectedImage::FreshImage());
    QVERIFY(image.IsImageValid());
}

void TestParamEditor::controlsCarryTheirNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<bool>("enabled");
    const auto add = [](const QString &name, const char *cls, bool enabled) {
        QTest::newRow(qPrintable(name)) << name << QString::fromLatin1(cls) << enabled;
    };
    for (int i = 1; i <= 4; ++i) {
        add(QStringLiteral("rgZonaBek%1").arg(i), "TRadioGroup", true);
        add(QStringLiteral("seZonaErz%1").arg(i), "QSpinBox", true);
        add(QStringLiteral("seZonaBeKesl%1").arg(i), "QSpinBox", true);
        add(QStringLiteral("seZonaKiKesl%1").arg(i), "QSpinBox", true);
        add(QStringLiteral("cbZoneUnit%1").arg(i), "QComboBox", false);
        add(QStringLiteral("cb24h%1").arg(i), "QCheckBox", true);
        add(QStringLiteral("acgTel%1").arg(i), "TCharGrid", true);
        add(QStringLiteral("cmbCLIP%1").arg(i), "QComboBox", true);
    }
    for (int e = 1; e <= 13; ++e) {
        add(QStringLiteral("acgEvent%1").arg(e), "TCharGrid", e <= 11);
        add(QStringLiteral("edSMS%1").arg(e), "QLineEdit", e <= 11);
    }
    for (int n = 41; n <= 95; ++n)
        add(QStringLiteral("CheckBox%1").arg(n), "QCheckBox", true);
    for (int n = 106; n <= 129; ++n)
        add(QStringLiteral("CheckBox%1").arg(n), "QCheckBox", true);
    for (int r : {12, 13})
        for (int c = 5; c <= 9; ++c)
            add(QStringLiteral("cb%1x%2").arg(r).arg(c), "QCheckBox", false);
    for (const char *n : {"cbR1x13", "cbR2x13", "cbR1x14", "cbR2x14", "seZoneAlarmMaxHour"})
        add(QString::fromLatin1(n), strncmp(n, "se", 2) == 0 ? "QSpinBox" : "QCheckBox", false);
    for (const char *n : {"acgTelCentr1", "acgTelCentr2", "acgSMSFW1", "acgSMSFW2", "acgUserAccount"})
        add(QString::fromLatin1(n), "TCharGrid", true);
    for (const char *n : {"rbCentralMode1", "rbCentralMode2"})
        add(QString::fromLatin1(n), "QRadioButton", true);
    for (const char *n : {"seREL1time", "seREL2time", "seAlarmMax", "seTesztGyak", "seOnOffMode", "seZoneAlarmMax"})
        add(QString::fromLatin1(n), "QSpinBox", true);
    for (const char *n : {"cbRel1OffAtDisarm", "cbRel2OffAtDisarm", "cbRel1Beep", "cbNoOnOffIfActive", "cbREL2GSM_Error"})
        add(QString::fromLatin1(n), "QCheckBox", true);
    add(QStringLiteral("T_ud"), "TUpDown", true);
    add(QStringLiteral("T_udh"), "TUpDown", true);
    add(QStringLiteral("T_Time"), "QLineEdit", true);
    add(QStringLiteral("btOnOffMode"), "QPushButton", true);
    add(QStringLiteral("btTestNow"), "QPushButton", true);
}

void TestParamEditor::controlsCarryTheirNames()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(bool, enabled);
    EditorFixture f;
    const QList<QWidget *> found = f.editor.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QCOMPARE(QString::fromLatin1(found.first()->metaObject()->className()), className);
    QCOMPARE(found.first()->isEnabled(), enabled);
}

// Each row patches bytes of the fresh image, optionally gives a control a
// value before loading, and checks one control after loading.
void TestParamEditor::loadingRules_data()
{
    QTest::addColumn<QList<int>>("patch"); // offset, value, offset, value ...
    QTest::addColumn<QString>("control");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QVariant>("after");
    const QVariant none;
    QTest::newRow("ZONE_24H 2 unchecks") << QList<int>{175, 2} << "cb24h1" << QByteArray("checked") << QVariant(true) << QVariant(false);
    QTest::newRow("ZONE_24H 1 checks") << QList<int>{178, 1} << "cb24h4" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("ZONE_CIRCUIT above 1 selects 1") << QList<int>{84, 7} << "rgZonaBek2" << QByteArray("itemIndex") << QVariant(0) << QVariant(1);
    QTest::newRow("sense time clamped") << QList<int>{106, 255} << "seZonaErz1" << QByteArray("value") << none << QVariant(254);
    QTest::newRow("CENTRAL_MODE 7 leaves mode 2") << QList<int>{2320, 7} << "rbCentralMode2" << QByteArray("checked") << QVariant(true) << QVariant(true);
    QTest::newRow("CENTRAL_MODE 1") << QList<int>{2320, 1} << "rbCentralMode2" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("SMS length 200 empty") << QList<int>{291 + 3 * 161, 200, 291 + 3 * 161 + 1, 'x'} << "edSMS4" << QByteArray("text") << QVariant("old") << QVariant("");
    QTest::newRow("SMS text as stored") << QList<int>{291, 3, 292, 0xFC, 293, 'b', 294, ' '} << "edSMS1" << QByteArray("text") << none << QVariant(QStringLiteral("üb"));
    QTest::newRow("CLIP outside 0..3 no selection") << QList<int>{2297, 9} << "cmbCLIP1" << QByteArray("currentIndex") << QVariant(2) << QVariant(-1);
    QTest::newRow("CLIP 3") << QList<int>{2300, 3} << "cmbCLIP4" << QByteArray("currentIndex") << QVariant(0) << QVariant(3);
    QTest::newRow("ALARMTIME 0 shows 5") << QList<int>{2482, 0} << "seAlarmMax" << QByteArray("value") << QVariant(20) << QVariant(5);
    QTest::newRow("contact ID masked") << QList<int>{198, 0x1C, 199, 0xF0, 200, 0x09} << "acgEvent1" << QByteArray("cells") << none << QVariant(QStringList{"C", "0", "9"});
    QTest::newRow("account unmasked") << QList<int>{2274, 1, 2275, 2, 2276, 10, 2277, 16} << "acgUserAccount" << QByteArray("cells") << none << QVariant(QStringList{"1", "2", "A", "G"});
    QTest::newRow("user number shows *") << QList<int>{2081, 3, 2082, '*', 2083, '1', 2084, '#'} << "acgTel1" << QByteArray("cells") << none << QVariant(Cells("*1#_____________"));
    QTest::newRow("central number drops *") << QList<int>{2149, 3, 2150, '*', 2151, '1', 2152, '#'} << "acgTelCentr1" << QByteArray("cells") << none << QVariant(Cells("_1______________"));
    QTest::newRow("dial count 17 empties") << QList<int>{2202, 17, 2203, '1'} << "acgSMSFW1" << QByteArray("cells") << QVariant(Cells("9999____________")) << QVariant(Cells("________________"));
    QTest::newRow("relay high byte rows 8..11") << QList<int>{2340, 0x0F, 2341, 0x00} << "CheckBox114" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("relay low byte row 0") << QList<int>{2382, 0x01} << "CheckBox118" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("matrix bit 4 Center") << QList<int>{250 + 2 * 9 + 1, 0x10} << "CheckBox94" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("flag non-zero checks") << QList<int>{2462, 0x80} << "cbRel1Beep" << QByteArray("checked") << QVariant(false) << QVariant(true);
    QTest::newRow("test time 23:59") << QList<int>{2522, 23, 2542, 59} << "T_Time" << QByteArray("text") << none << QVariant("23:59");
    QTest::newRow("test minute 75 carries") << QList<int>{2522, 1, 2542, 75} << "T_Time" << QByteArray("text") << none << QVariant("02:15");
    QTest::newRow("test hour 40 kept within the day") << QList<int>{2522, 40} << "T_Time" << QByteArray("text") << none << QVariant("23:59");
    QTest::newRow("ONOFF_MODE 9 clamped") << QList<int>{2562, 9} << "seOnOffMode" << QByteArray("value") << none << QVariant(5);
    // A field the image does not carry (its name spoilt):
    QTest::newRow("no EVENT_CTID leaves grid") << QList<int>{179, 'x'} << "acgEvent1" << QByteArray("cells") << QVariant(QStringList{"F", "E", "D"}) << QVariant(QStringList{"F", "E", "D"});
    QTest::newRow("no EVENT_MATRIX leaves boxes") << QList<int>{231, 'x'} << "CheckBox41" << QByteArray("checked") << QVariant(true) << QVariant(true);
    QTest::newRow("no EVENT_SMS empties") << QList<int>{272, 'x'} << "edSMS1" << QByteArray("text") << QVariant("old") << QVariant("");
    QTest::newRow("no PHONE_NUMBERS empties") << QList<int>{2062, 'x'} << "acgTel2" << QByteArray("cells") << QVariant(Cells("12______________")) << QVariant(Cells("________________"));
    QTest::newRow("no CTID_ACCOUNT leaves") << QList<int>{2255, 'x'} << "acgUserAccount" << QByteArray("cells") << QVariant(QStringList{"1", "2", "3", "4"}) << QVariant(QStringList{"1", "2", "3", "4"});
    QTest::newRow("no REL1_ACT leaves") << QList<int>{2321, 'x'} << "CheckBox106" << QByteArray("checked") << QVariant(true) << QVariant(true);
}

void TestParamEditor::loadingRules()
{
    QFETCH(QList<int>, patch);
    QFETCH(QString, control);
    QFETCH(QByteArray, property);
    QFETCH(QVariant, before);
    QFETCH(QVariant, after);
    EditorFixture f;
    TParamImage image = FreshImage();
    for (int i = 0; i + 1 < patch.size(); i += 2)
        image.bytes[patch.at(i)] = std::uint8_t(patch.at(i + 1));
    QWidget *w = f.Get<QWidget>(control);
    if (before.isValid()) {
        QVERIFY(w->setProperty(property.constData(), before));
        QCOMPARE(w->property(property.constData()), before);
    }
    f.editor.LoadEditorFromImage(image);
    QCOMPARE(w->property(property.constData()), after);
}

void TestParamEditor::hexGridMirrorsAfterKeyRelease()
{
    EditorFixture f;
    TCharGrid *edited = f.Grid("acgEvent3");
    TCharGrid *mirror = f.Grid("acgEvent4");
    edited->setFocus();
    edited->SetCursorCell(0);
    QTest::keyPress(edited, '9');
    QCOMPARE(edited->Cells(), (QStringList{"9", "3", "0"}));
    QCOMPARE(mirror->Cells(), (QStringList{"1", "3", "0"})); // not before the release
    QTest::keyRelease(edited, '9');
    QCOMPARE(mirror->Cells(), (QStringList{"9", "3", "0"}));
    QTest::keyClick(edited, 'a');
    QCOMPARE(mirror->Cells(), (QStringList{"9", "A", "0"}));
    QTest::keyClick(edited, 'F');
    QCOMPARE(edited->Cells(), (QStringList{"9", "A", "F"}));
    QCOMPARE(mirror->Cells(), (QStringList{"9", "A", "F"}));
    // Neighbours are untouched.
    QCOMPARE(f.Grid("acgEvent5")->Cells(), (QStringList{"1", "3", "0"}));
    QCOMPARE(f.Grid("acgEvent2")->Cells(), (QStringList{"1", "3", "0"}));

    const TParamImage image = f.Build();
    const int ctid = image.FindField("EVENT_CTID");
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(image.bytes) + ctid + 6, 6), QByteArray("\x09\x0A\x0F\x09\x0A\x0F", 6));
}

void TestParamEditor::mirrorsAreNotTyped()
{
    EditorFixture f;
    for (const char *name : {"acgEvent2", "acgEvent10"}) {
        TCharGrid *mirror = f.Grid(name);
        const QStringList before = mirror->Cells();
        mirror->SetCursorCell(0);
        QTest::keyClick(mirror, '5');
        QTest::keyClick(mirror, Qt::Key_Backspace);
        QCOMPARE(mirror->Cells(), before);
    }
}

void TestParamEditor::focusLeavingCompletesTheCode()
{
    EditorFixture f;
    f.editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.editor));
    TCharGrid *grid = f.Grid("acgEvent9");
    grid->SetCells({QString(), QStringLiteral("7"), QString()});
    grid->setFocus();
    f.Get<QLineEdit>("edSMS1")->setFocus();
    QCOMPARE(grid->Cells(), (QStringList{"0", "7", "0"}));
    QCOMPARE(f.Grid("acgEvent10")->Cells(), (QStringList{"0", "7", "0"}));
}

void TestParamEditor::backspace_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("expectedCursor");
    QTest::newRow("account cell 2") << "acgUserAccount" << QStringList{"1", "2", "3", "4"} << 2 << QStringList{"1", "0", "0", "0"} << 1;
    QTest::newRow("account cell 0") << "acgUserAccount" << QStringList{"1", "2", "3", "4"} << 0 << QStringList{"0", "0", "0", "0"} << 0;
    QTest::newRow("event code cell 1") << "acgEvent1" << QStringList{"A", "B", "C"} << 1 << QStringList{"0", "0", "0"} << 0;
    QTest::newRow("dial cell 3") << "acgTel2" << Cells("1234567_________") << 3 << Cells("12______________") << 2;
    QTest::newRow("forwarding last cell") << "acgSMSFW2" << Cells("1234567890123456") << 15 << Cells("12345678901234__") << 14;
}

void TestParamEditor::backspace()
{
    QFETCH(QString, grid);
    QFETCH(QStringList, cells);
    QFETCH(int, cursor);
    QFETCH(QStringList, expected);
    QFETCH(int, expectedCursor);
    EditorFixture f;
    TCharGrid *g = f.Grid(grid);
    g->SetCells(cells);
    g->setFocus();
    g->SetCursorCell(cursor);
    QTest::keyClick(g, Qt::Key_Backspace);
    QCOMPARE(g->Cells(), expected);
    QCOMPARE(g->CursorCell(), expectedCursor);
}

void TestParamEditor::typedKeys_data()
{
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("user number refuses * # letters") << "acgTel1" << "+3*6#a1" << Cells("+361____________");
    QTest::newRow("central number") << "acgTelCentr2" << "06-1 2" << Cells("0612____________");
    QTest::newRow("account upper-cases") << "acgUserAccount" << "bG1f" << QStringList{"B", "1", "F", "0"};
    QTest::newRow("event code stops at last cell") << "acgEvent11" << "12345" << QStringList{"1", "2", "5"};
}

void TestParamEditor::typedKeys()
{
    QFETCH(QString, grid);
    QFETCH(QString, keys);
    QFETCH(QStringList, expected);
    EditorFixture f;
    f.TypeInto(f.Grid(grid), 0, keys);
    QCOMPARE(f.Grid(grid)->Cells(), expected);
}

void TestParamEditor::seventeenDigitsIntoADialGrid()
{
    EditorFixture f;
    TCharGrid *g = f.Grid("acgTel3");
    f.TypeInto(g, 0, QStringLiteral("12345678901234567"));
    QCOMPARE(g->Cells(), Cells("1234567890123457"));
    QCOMPARE(g->CursorCell(), 15);
    const TParamImage image = f.Build();
    const int at = image.FindField("PHONE_NUMBERS") + 2 * 17;
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(image.bytes) + at, 17), QByteArray("\x10" "1234567890123457", 17));
}

void TestParamEditor::pastedCellIsValidated()
{
    EditorFixture f;
    QGuiApplication::clipboard()->setText(QStringLiteral("*9"));
    if (QGuiApplication::clipboard()->text() != QStringLiteral("*9"))
        QSKIP("no clipboard on this platform");
    TCharGrid *dial = f.Grid("acgTel1");
    dial->setFocus();
    dial->SetCursorCell(2);
    QTest::keySequence(dial, QKeySequence::Paste);
    QCOMPARE(dial->Cell(2), QString());
    QGuiApplication::clipboard()->setText(QStringLiteral("c"));
    TCharGrid *hex = f.Grid("acgUserAccount");
    hex->setFocus();
    hex->SetCursorCell(1);
    QTest::keySequence(hex, QKeySequence::Paste);
    QCOMPARE(hex->Cells(), (QStringList{"0", "C", "0", "0"}));
}

void TestParamEditor::testTimeControls_data()
{
    QTest::addColumn<int>("hour");
    QTest::addColumn<int>("minute");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("storedHour");
    QTest::addColumn<int>("storedMinute");
    QTest::newRow("hour up from 22 at :30") << 22 << 30 << "T_udhUp" << "23:30" << 23 << 30;
    QTest::newRow("hour down") << 5 << 10 << "T_udhDown" << "04:10" << 4 << 10;
    QTest::newRow("hour down from 0 does nothing") << 0 << 45 << "T_udhDown" << "00:45" << 0 << 45;
    QTest::newRow("minute up from 23:58 reaches 23:59") << 23 << 58 << "T_udUp" << "23:59" << 23 << 59;
    QTest::newRow("minute up across the hour") << 9 << 59 << "T_udUp" << "10:00" << 10 << 0;
    QTest::newRow("minute down from 00:00 does nothing") << 0 << 0 << "T_udDown" << "00:00" << 0 << 0;
}

void TestParamEditor::testTimeControls()
{
    QFETCH(int, hour);
    QFETCH(int, minute);
    QFETCH(QString, button);
    QFETCH(QString, shown);
    QFETCH(int, storedHour);
    QFETCH(int, storedMinute);
    EditorFixture f;
    TParamImage image = FreshImage();
    image.bytes[2522] = std::uint8_t(hour);
    image.bytes[2542] = std::uint8_t(minute);
    f.editor.LoadEditorFromImage(image);
    QCOMPARE(f.Property("T_Time", "text").toString(), FieldCodec::TestTimeText(hour, minute));
    QTest::mouseClick(f.Get<QToolButton>(button), Qt::LeftButton);
    QCOMPARE(f.Property("T_Time", "text").toString(), shown);
    QCOMPARE(f.editor.TestHour, storedHour);
    QCOMPARE(f.editor.TestMinute, storedMinute);
    const TParamImage built = f.Build();
    QCOMPARE(int(built.ReadFieldByte("TEST_TIME_H")), storedHour);
    QCOMPARE(int(built.ReadFieldByte("TEST_TIME_M")), storedMinute);
}

void TestParamEditor::spinEditsAreNormalisedBeforeBuilding()
{
    EditorFixture f;
    // Text typed but not yet committed by the control counts.
    auto *sense = f.Get<QSpinBox>("seZonaErz3");
    sense->setFocus();
    sense->selectAll();
    QTest::keyClicks(sense, "77");
    auto *alarm = f.Get<QSpinBox>("seAlarmMax");
    alarm->setValue(20);
    alarm->setFocus();
    alarm->selectAll();
    QTest::keyClick(alarm, Qt::Key_Delete); // empty text: the minimum
    const TParamImage image = f.Build();
    QCOMPARE(int(image.ReadFieldElement("ZONE_SENSE_TIME", 2)), 77);
    QCOMPARE(int(image.ReadFieldByte("ALARMTIME")), 5);
    QCOMPARE(alarm->value(), 5);
}

void TestParamEditor::buildThenLoadRoundTrip()
{
    auto source = std::make_unique<EditorFixture>();
    EditorFixture &a = *source;
    a.Get<TRadioGroup>("rgZonaBek2")->SetItemIndex(1);
    a.Get<QSpinBox>("seZonaErz1")->setValue(12);
    a.Get<QSpinBox>("seZonaBeKesl4")->setValue(254);
    a.Get<QSpinBox>("seZonaKiKesl3")->setValue(30);
    a.Get<QCheckBox>("cb24h3")->setChecked(true);
    a.Grid("acgEvent11")->SetCells({"9", "", "x"});     // empty and foreign cells
    a.Get<QCheckBox>("CheckBox51")->setChecked(true);    // event 11, S1
    a.Get<QCheckBox>("CheckBox95")->setChecked(true);    // event 11, Center
    a.Get<QCheckBox>("CheckBox60")->setChecked(true);    // event 9, S2
    a.Get<QLineEdit>("edSMS1")->setText(QStringLiteral("Riasztás Z1  "));
    a.Get<QLineEdit>("edSMS11")->setText(QStringLiteral("Teszt #"));
    a.Grid("acgTel1")->SetCells(Cells("+36_1_2_________"));
    a.Grid("acgTelCentr2")->SetCells(Cells("0612345_________"));
    a.Grid("acgSMSFW2")->SetCells(Cells("__99____________"));
    a.Grid("acgUserAccount")->SetCells({"1", "2", "A", "f"});
    a.Get<QComboBox>("cmbCLIP3")->setCurrentIndex(3);
    a.Get<QRadioButton>("rbCentralMode2")->setChecked(true);
    a.Get<QCheckBox>("CheckBox106")->setChecked(true);
    a.Get<QCheckBox>("CheckBox117")->setChecked(true);
    a.Get<QCheckBox>("CheckBox125")->setChecked(true);
    a.Get<QSpinBox>("seREL1time")->setValue(255);
    a.Get<QSpinBox>("seREL2time")->setValue(9);
    a.Get<QCheckBox>("cbRel2OffAtDisarm")->setChecked(true);
    a.Get<QCheckBox>("cbRel1Beep")->setChecked(true);
    a.Get<QSpinBox>("seAlarmMax")->setValue(17);
    a.Get<QSpinBox>("seTesztGyak")->setValue(24);
    a.Get<QSpinBox>("seOnOffMode")->setValue(3);
    a.Get<QCheckBox>("cbNoOnOffIfActive")->setChecked(true);
    a.Get<QSpinBox>("seZoneAlarmMax")->setValue(25);
    a.Get<QCheckBox>("cbREL2GSM_Error")->setChecked(true);
    QTest::mouseClick(a.Get<QToolButton>("T_udhUp"), Qt::LeftButton);
    QTest::mouseClick(a.Get<QToolButton>("T_udUp"), Qt::LeftButton);

    TParamImage image = a.Build();
    QVERIFY(image.IsImageValid());

    EditorFixture b;
    b.editor.LoadEditorFromImage(image);

    // Every control of the loaded editor equals the source, except the
    // described changes.
    const QHash<QString, QVariant> changed = {
        {"acgEvent11", QStringList{"9", "0", "0"}},
        {"edSMS1", QStringLiteral("Riasztas Z1")},
        {"acgTel1", QVariant(Cells("+3612___________"))},
        {"acgSMSFW2", QVariant(Cells("99______________"))},
        {"acgUserAccount", QStringList{"1", "2", "A", "0"}},
    };
    int compared = 0;
    const auto compare = [&](const char *property, const QList<QWidget *> &widgets) {
        for (QWidget *w : widgets) {
            if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
                continue;
            QWidget *other = b.editor.findChild<QWidget *>(w->objectName());
            QVERIFY2(other, qPrintable(w->objectName()));
            const QVariant expected = changed.value(w->objectName(), w->property(property));
            QVERIFY2(other->property(property) == expected,
                     qPrintable(w->objectName() + ": " + other->property(property).toString()));
            ++compared;
        }
    };
    const auto widgets = [&](const char *cls) {
        QList<QWidget *> out;
        for (QWidget *w : a.editor.findChildren<QWidget *>())
            if (w->inherits(cls) && !w->objectName().contains(QLatin1String("_item")))
                out << w;
        return out;
    };
    compare("checked", widgets("QCheckBox"));
    compare("checked", widgets("QRadioButton"));
    compare("value", widgets("QSpinBox"));
    compare("text", widgets("QLineEdit"));
    compare("currentIndex", widgets("QComboBox"));
    compare("cells", widgets("TCharGrid"));
    compare("itemIndex", widgets("TRadioGroup"));
    QVERIFY(compared > 150);
    QCOMPARE(b.Property("T_Time", "text").toString(), QStringLiteral("01:01"));

    // The loaded editor builds the same image again, but for the length of
    // the SMS text whose trailing spaces were dropped.
    a.Get<QLineEdit>("edSMS1")->setText(QStringLiteral("Riasztás Z1"));
    QCOMPARE(ImageBytes(b.Build()), ImageBytes(a.Build()));
}

void TestParamEditor::storedSmsSurvivesTheEditor()
{
    // EVENT_SMS[2] holds bytes the code page leaves unassigned; loaded into the
    // editor and built again, the image is the same byte for byte.
    QByteArray stored = ExpectedImage::FreshImage();
    const QByteArray element("\x07" "A\x81\x83\x88\x90\x98" "z", 8);
    stored.replace(291 + 2 * 161, element.size(), element);
    EditorFixture f;
    TParamImage image;
    image.LoadFileBytes(stored);
    f.editor.LoadEditorFromImage(image);
    QCOMPARE(f.Get<QLineEdit>("edSMS3")->text().size(), 7);
    QCOMPARE(ImageBytes(f.Build()).toHex(' '), stored.toHex(' '));
}

void TestParamEditor::tabOfField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tab"); // 0 zones, 1 events, 2 relays, 3 phone numbers and other, 4 alarm; -1 none
    QTest::newRow("zone delay") << "ZONE_DELAY_OUT" << 0;
    QTest::newRow("24-hour zone") << "ZONE_24H" << 0;
    QTest::newRow("event targets") << "EVENT_MATRIX" << 1;
    QTest::newRow("event SMS") << "EVENT_SMS" << 1;
    QTest::newRow("relay mask") << "REL2_ACT" << 2;
    QTest::newRow("relay GSM error") << "REL2_GSMERR" << 2;
    QTest::newRow("phone numbers") << "PHONE_NUMBERS" << 3;
    QTest::newRow("account") << "CTID_ACCOUNT" << 3;
    QTest::newRow("central mode") << "CENTRAL_MODE" << 3;
    QTest::newRow("test minute") << "TEST_TIME_M" << 4;
    QTest::newRow("arm method") << "ONOFF_MODE" << 4;
    QTest::newRow("alarms per zone") << "ALARM_MAX" << 4;
    QTest::newRow("unknown") << "NO_SUCH_FIELD" << -1;
    QTest::newRow("header") << "header" << -1;
}

void TestParamEditor::tabOfField()
{
    QFETCH(QString, field);
    QFETCH(int, tab);
    EditorFixture f;
    QCOMPARE(f.editor.TabIndexOfField(field), tab);
    auto *pages = f.editor.findChild<QTabWidget *>();
    QVERIFY(pages);
    pages->setCurrentIndex(tab == 0 ? 1 : 0);
    QCOMPARE(f.editor.ShowFieldTab(field), tab >= 0);
    if (tab >= 0)
        QCOMPARE(pages->currentIndex(), tab);
    else
        QCOMPARE(pages->currentIndex(), 0);
}

void TestParamEditor::damagedDataLoadsWithoutHarm_data()
{
    QTest::addColumn<QByteArray>("data");
    // What the editor then builds: ZONE_24H[0], the digit counts of PHONE_NUMBERS[0] and
    // SMSFW_NUMBER1, INCALL_CLIP[0], CENTRAL_MODE, ALARMTIME, TEST_TIME_H, TEST_TIME_M, ONOFF_MODE.
    QTest::addColumn<QList<int>>("built");
    // Data without a single readable field: every field reads as 0 (the alarm time
    // then stops at its lowest value, 5), the event codes stay the editor's.
    const QList<int> nothingRead = {0, 0, 0, 0, 0, 5, 0, 0, 0};
    QTest::newRow("0 bytes") << QByteArray() << nothingRead;
    QTest::newRow("10 bytes") << QByteArray(10, '\x07') << nothingRead;
    QTest::newRow("63 bytes") << QByteArray(ParamImage::IdentificationString).leftJustified(63, '\0') << nothingRead;
    QByteArray noise(1 << 20, '\0');
    quint32 seed = 99;
    for (char &c : noise) {
        seed = seed * 1664525u + 1013904223u;
        c = char(seed >> 24);
    }
    QTest::newRow("1 MB noise") << noise << nothingRead;
    QByteArray spoilt = ExpectedImage::FreshImage();
    for (int i = 64; i < spoilt.size(); i += 7)
        spoilt[i] = char(0xFF - (i & 0x3F));
    // Byte 64 becomes 0xFF: the directory ends before its first record.
    QTest::newRow("spoilt directory") << spoilt << nothingRead;
    QByteArray wild = ExpectedImage::FreshImage();
    for (int at : {175, 2081, 2202, 2320, 2522, 2542, 2562, 2297})
        wild[at] = char(0xFE);
    // 0xFE: not a 24-hour zone, too many digits (an empty number), no such caller
    // action (no selection), no such central mode (the choice stays), the test time
    // stops at 23:59, the method at its highest, 5.
    QTest::newRow("values out of range") << wild << QList<int>{0, 0, 0, 255, 0, 5, 23, 59, 5};
    QTest::newRow("not a parameter file") << QByteArray("[GPRS]\nPort=3333\n").repeated(200) << nothingRead;
}

void TestParamEditor::damagedDataLoadsWithoutHarm()
{
    QFETCH(QByteArray, data);
    QFETCH(QList<int>, built);
    EditorFixture f;
    TParamImage image;
    image.LoadFileBytes(data);
    f.editor.LoadEditorFromImage(image);
    const TParamImage b = f.Build();
    const QList<int> got = {b.ReadFieldElement("ZONE_24H", 0), b.ReadFieldElement("PHONE_NUMBERS", 0),
                            b.ReadFieldElement("SMSFW_NUMBER1", 0), b.ReadFieldElement("INCALL_CLIP", 0),
                            b.ReadFieldByte("CENTRAL_MODE"), b.ReadFieldByte("ALARMTIME"),
                            b.ReadFieldByte("TEST_TIME_H"), b.ReadFieldByte("TEST_TIME_M"),
                            b.ReadFieldByte("ONOFF_MODE")};
    QCOMPARE(got, built);
    QCOMPARE(f.Get<QLineEdit>("edSMS1")->text(), QString());
    // The codes a fresh editor starts with: 130 for events 1 to 8.
    const int codes = b.FindField("EVENT_CTID");
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(b.bytes) + codes, 3), QByteArray("\x01\x03\x00", 3));
}

void TestParamEditor::onOffModeSelection()
{
    EditorFixture f;
    TFormOnOffMode form;
    f.editor.SetOnOffModeForm(&form);
    QCOMPARE(form.windowTitle(), QStringLiteral("Élesítés / Kikapcsolás módja"));
    QCOMPARE(form.size(), QSize(631, 181));
    auto *spin = f.Get<QSpinBox>("seOnOffMode");
    auto *group = form.findChild<TRadioGroup *>("rgOnOffMode");
    QVERIFY(group);
    QCOMPARE(group->Count(), 6);
    QCOMPARE(group->title(), QStringLiteral("Élesítés / Kikapcsolás"));
    auto *close = form.findChild<QPushButton *>("btClose");
    QCOMPARE(close->text(), QStringLiteral("Bezárás"));
    QCOMPARE(form.findChild<QPushButton *>("btnFocusDummy")->width(), 0);

    spin->setValue(4);
    QTest::mouseClick(f.Get<QPushButton>("btOnOffMode"), Qt::LeftButton);
    QVERIFY(form.isVisible());
    QCOMPARE(group->ItemIndex(), 4);
    QTest::mouseClick(form.findChild<QRadioButton *>("rgOnOffMode_item1"), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(group->ItemIndex(), 1);
    QCOMPARE(spin->value(), 4); // nothing taken before "Close"
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!form.isVisible());
    QCOMPARE(spin->value(), 1);

    // Close box: the choice is dropped.
    QTest::mouseClick(f.Get<QPushButton>("btOnOffMode"), Qt::LeftButton);
    QCOMPARE(group->ItemIndex(), 1);
    group->SetItemIndex(5);
    form.close();
    QVERIFY(!form.isVisible());
    QCOMPARE(spin->value(), 1);

    // Each opening starts from the spin edit's value.
    spin->setValue(2);
    QTest::mouseClick(f.Get<QPushButton>("btOnOffMode"), Qt::LeftButton);
    QCOMPARE(group->ItemIndex(), 2);
    form.close();
}

void TestParamEditor::onOffModeTakesTheFocusBack()
{
    EditorFixture f;
    TFormOnOffMode form;
    f.editor.SetOnOffModeForm(&form);
    f.editor.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.editor));
    QTest::mouseClick(f.Get<QPushButton>("btOnOffMode"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QVERIFY(!form.Closing());

    // Let the editor's activation go through before looking.
    f.editor.activateWindow();
    QTest::qWait(100);
    QTRY_VERIFY(form.isActiveWindow());

    QTest::mouseClick(form.findChild<QPushButton *>("btClose"), Qt::LeftButton);
    QVERIFY(form.Closing());
    f.editor.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f.editor));
    QTest::qWait(50);
    QVERIFY(f.editor.isActiveWindow());
}

void TestParamEditor::testNowOnlySignals()
{
    EditorFixture f;
    QSignalSpy spy(&f.editor, &TParamEditor::testNowClicked);
    const QByteArray before = ImageBytes(f.Build());
    QTest::mouseClick(f.Get<QPushButton>("btTestNow"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(ImageBytes(f.Build()), before);
}

QTEST_MAIN(TestParamEditor)
#include "tst_parameditor.moc"

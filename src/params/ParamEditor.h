#pragma once
// The parameter editor of the parameter page: five tabs of controls that are the
// working copy of the module's parameters. The image is only a snapshot built
// from them (BuildImageFromEditor) or loaded into them (LoadEditorFromImage).

#include "params/EE_Struct.h"
#include "params/FieldCodec.h"

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class TCharGrid;
class TFormOnOffMode;
class TRadioGroup;
class TUpDown;

class TParamEditor : public QWidget
{
    Q_OBJECT
public:
    // Space the editor needs without scrolling.
    static constexpr int PreferredWidth = 1000;
    static constexpr int PreferredHeight = 560;

    explicit TParamEditor(QWidget *parent = nullptr);

    // Binding between the controls and the image.
    void BuildImageFromEditor(TParamImage &image);
    void LoadEditorFromImage(const TParamImage &image);
    // The controls' current values as plain values (spin edits normalised first).
    FieldCodec::TParamValues EditorValues();
    void NormalizeSpinEdits();
    void SetDefaultEventCodes();

    // The arm/disarm method window the "Modify" button opens; created by the
    // main window at start-up.
    void SetOnOffModeForm(TFormOnOffMode *form);
    TFormOnOffMode *OnOffModeForm() const { return m_onOffModeForm; }

    // Test report time; T_Time shows it.
    int TestHour = 0;
    int TestMinute = 0;

    QSize sizeHint() const override;

    // The tab that shows the field of the parameter image with this name
    // ("REL1_TIME"), -1 for a name no control shows.
    int TabIndexOfField(const QString &fieldName) const;
    // Brings that tab forward; false for an unknown name.
    bool ShowFieldTab(const QString &fieldName);

signals:
    // "Send test report now": the main window sends the command.
    void testNowClicked();

private:
    // Input rules of the grids.
    void acgTel1KeyPress(TCharGrid *grid, QKeyEvent *event);
    void acgSMSFW1KeyPress(TCharGrid *grid, QKeyEvent *event);
    void acgUserAccountKeyPress(TCharGrid *grid, QKeyEvent *event);
    void acgTel1CellValidate(TCharGrid *grid, int cell, const QString &text);
    void acgSMSFW1CellValidate(TCharGrid *grid, int cell, const QString &text);
    void acgUserAccountCellValidate(TCharGrid *grid, int cell, const QString &text);
    void acgEvent1KeyUp(TCharGrid *grid);
    void acgEvent11Exit(TCharGrid *grid);
    void T_udChangingEx(int proposed);
    void T_udhChangingEx(int proposed);
    void btOnOffModeClick();

    void DialKeyPress(TCharGrid *grid, QKeyEvent *event);
    void CompleteEventCode(TCharGrid *grid);
    TCharGrid *MirrorOf(TCharGrid *grid) const;
    void ConnectDialGrid(TCharGrid *grid, bool userNumber);
    void ConnectHexGrid(TCharGrid *grid, bool editable);
    void FocusDummy();

    QWidget *BuildZonesPage();
    QWidget *BuildEventsPage();
    QWidget *BuildRelaysPage();
    QWidget *BuildPhonesPage();
    QWidget *BuildAlarmPage();
    QSpinBox *NewSpin(const QString &name, int minimum, int maximum, QWidget *parent);
    QCheckBox *NewCheck(const QString &name, const QString &text, QWidget *parent);

    QTabWidget *m_pages = nullptr;
    TFormOnOffMode *m_onOffModeForm = nullptr;

    std::array<TRadioGroup *, 4> rgZonaBek{};
    std::array<QSpinBox *, 4> seZonaErz{};
    std::array<QSpinBox *, 4> seZonaBeKesl{};
    std::array<QSpinBox *, 4> seZonaKiKesl{};
    std::array<QComboBox *, 4> cbZoneUnit{};
    std::array<QCheckBox *, 4> cb24h{};

    std::array<TCharGrid *, FieldCodec::ShownEventCount> acgEvent{};
    // [event][target]: S1, S2, S3, S4, Center
    std::array<std::array<QCheckBox *, 5>, FieldCodec::ShownEventCount> eventTargets{};
    std::array<QLineEdit *, FieldCodec::ShownEventCount> edSMS{};

    // [row 0..13]
    std::array<QCheckBox *, 14> relay1Rows{};
    std::array<QCheckBox *, 14> relay2Rows{};

    std::array<TCharGrid *, 4> acgTel{};
    std::array<TCharGrid *, 2> acgTelCentr{};
    std::array<TCharGrid *, 2> acgSMSFW{};
    TCharGrid *acgUserAccount = nullptr;
    std::array<QComboBox *, 4> cmbCLIP{};
    QRadioButton *rbCentralMode1 = nullptr;
    QRadioButton *rbCentralMode2 = nullptr;

    QSpinBox *seREL1time = nullptr;
    QSpinBox *seREL2time = nullptr;
    QCheckBox *cbRel1OffAtDisarm = nullptr;
    QCheckBox *cbRel2OffAtDisarm = nullptr;
    QCheckBox *cbRel1Beep = nullptr;
    QCheckBox *cbREL2GSM_Error = nullptr;

    QSpinBox *seAlarmMax = nullptr;
    QSpinBox *seTesztGyak = nullptr;
    TUpDown *T_ud = nullptr;
    TUpDown *T_udh = nullptr;
    QLineEdit *T_Time = nullptr;
    QSpinBox *seOnOffMode = nullptr;
    QPushButton *btOnOffMode = nullptr;
    QCheckBox *cbNoOnOffIfActive = nullptr;
    QSpinBox *seZoneAlarmMax = nullptr;
    QSpinBox *seZoneAlarmMaxHour = nullptr;
    QPushButton *btTestNow = nullptr;
};

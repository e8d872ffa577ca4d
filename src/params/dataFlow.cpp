// Binding between the editor controls and the parameter image, and the input
// rules of the editor's grids and test-time controls.

#include "params/dataFlow.h"

#include "monitor/OnOffMode.h"
#include "params/EditorWidgets.h"
#include "params/ParamEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>

using namespace FieldCodec;

namespace {
const std::uint8_t *Bytes(const QByteArray &a, int offset = 0)
{
    return reinterpret_cast<const std::uint8_t *>(a.constData()) + offset;
}

bool IsHexKey(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// Backspace in a grid: step left unless in the first cell, then reset that
// cell and everything to its right.
void GridBackspace(TCharGrid *grid, const QString &resetText)
{
    int cell = grid->CursorCell();
    if (cell > 0)
        --cell;
    for (int i = cell; i < grid->CellCount(); ++i)
        grid->SetCell(i, resetText);
    grid->SetCursorCell(cell);
}

// A typed character goes into the current cell; the cursor moves on unless it
// is in the last cell.
void GridType(TCharGrid *grid, const QString &text)
{
    const int cell = grid->CursorCell();
    grid->SetCell(cell, text);
    if (cell < grid->CellCount() - 1)
        grid->SetCursorCell(cell + 1);
}
} // namespace

// ---------------------------------------------------------------- values

void TParamEditor::NormalizeSpinEdits()
{
    QList<QSpinBox *> spins;
    for (int z = 0; z < 4; ++z)
        spins << seZonaErz[z] << seZonaBeKesl[z] << seZonaKiKesl[z];
    spins << seREL1time << seREL2time << seOnOffMode << seAlarmMax << seTesztGyak << seZoneAlarmMax
          << seZoneAlarmMaxHour;
    for (QSpinBox *spin : spins) {
        bool ok = false;
        int value = spin->cleanText().trimmed().toInt(&ok, 10);
        if (!ok)
            value = spin->minimum();
        spin->setValue(value); // clamps into the control's range
    }
}

TParamValues TParamEditor::EditorValues()
{
    NormalizeSpinEdits();
    TParamValues v;
    for (int z = 0; z < ZoneCount; ++z) {
        v.zoneCircuit[z] = rgZonaBek[z]->ItemIndex();
        v.zoneSenseTime[z] = seZonaErz[z]->value();
        v.zoneDelayIn[z] = seZonaBeKesl[z]->value();
        v.zoneDelayOut[z] = seZonaKiKesl[z]->value();
        v.zone24h[z] = cb24h[z]->isChecked();
    }
    for (int e = 0; e < EventCount; ++e) {
        v.eventCode[e] = acgEvent[e]->Cells();
        v.eventMatrix[e] = static_cast<std::uint8_t>(MatrixWord(
            eventTargets[e][0]->isChecked(), eventTargets[e][1]->isChecked(), eventTargets[e][2]->isChecked(),
            eventTargets[e][3]->isChecked(), eventTargets[e][4]->isChecked()));
        v.eventSms[e] = edSMS[e]->text();
    }
    for (int i = 0; i < UserPhoneCount; ++i)
        v.userPhone[i] = acgTel[i]->Cells();
    for (int i = 0; i < CentralPhoneCount; ++i)
        v.centralPhone[i] = acgTelCentr[i]->Cells();
    v.smsForward1 = acgSMSFW[0]->Cells();
    v.smsForward2 = acgSMSFW[1]->Cells();
    v.account = acgUserAccount->Cells();
    for (int i = 0; i < ClipCount; ++i)
        v.clip[i] = cmbCLIP[i]->currentIndex();
    v.centralModeRegular = rbCentralMode1->isChecked();
    for (int k = 0; k < RelayRows; ++k) {
        v.relay1Rows[k] = relay1Rows[k]->isChecked();
        v.relay2Rows[k] = relay2Rows[k]->isChecked();
    }
    v.relay1Time = seREL1time->value();
    v.relay2Time = seREL2time->value();
    v.relay1OffAtDisarm = cbRel1OffAtDisarm->isChecked();
    v.relay2OffAtDisarm = cbRel2OffAtDisarm->isChecked();
    v.relay1Beep = cbRel1Beep->isChecked();
    v.alarmTime = seAlarmMax->value();
    v.testHours = seTesztGyak->value();
    v.testHour = TestHour;
    v.testMinute = TestMinute;
    v.onOffMode = seOnOffMode->value();
    v.noArmIfActive = cbNoOnOffIfActive->isChecked();
    v.zoneAlarmMax = seZoneAlarmMax->value();
    v.relay2GsmError = cbREL2GSM_Error->isChecked();
    return v;
}

void TParamEditor::BuildImageFromEditor(TParamImage &image)
{
    BuildImageFromValues(EditorValues(), image);
}

void TParamEditor::LoadEditorFromImage(const TParamImage &image)
{
    for (int z = 0; z < ZoneCount; ++z) {
        const int circuit = image.ReadFieldElement("ZONE_CIRCUIT", z);
        rgZonaBek[z]->SetItemIndex(circuit > 1 ? 1 : circuit);
        seZonaErz[z]->setValue(image.ReadFieldElement("ZONE_SENSE_TIME", z));
        seZonaBeKesl[z]->setValue(image.ReadFieldElement("ZONE_DELAY_IN", z));
        seZonaKiKesl[z]->setValue(image.ReadFieldElement("ZONE_DELAY_OUT", z));
    }
    for (int z = 0; z < ZoneCount; ++z)
        cb24h[z]->setChecked(image.ReadFieldElement("ZONE_24H", z) == 1);

    bool hasCodes = false;
    bool hasMatrix = false;
    bool hasSms = false;
    const QByteArray codes = FieldPayloadBytes(image, "EVENT_CTID", EventCount * EventCodeDigits, &hasCodes);
    const QByteArray matrix = FieldPayloadBytes(image, "EVENT_MATRIX", EventCount * 2, &hasMatrix);
    const QByteArray sms = FieldPayloadBytes(image, "EVENT_SMS", EventCount * (SmsLength + 1), &hasSms);
    for (int e = 0; e < EventCount; ++e) {
        if (hasCodes) {
            for (int d = 0; d < EventCodeDigits; ++d)
                acgEvent[e]->SetCell(d, HexCellOfDigit(Bytes(codes)[EventCodeDigits * e + d]));
        }
        if (hasMatrix) {
            const int word = Bytes(matrix)[2 * e] * 256 + Bytes(matrix)[2 * e + 1];
            for (int t = 0; t < 5; ++t)
                eventTargets[e][t]->setChecked((word >> t) & 1);
        }
        edSMS[e]->setText(hasSms ? SmsTextOfElement(Bytes(sms, e * (SmsLength + 1))) : QString());
    }

    const auto loadDial = [&](TCharGrid *grid, const QByteArray &name, int element, DialSet set) {
        grid->SetAllCells(QString());
        bool present = false;
        const QByteArray payload = FieldPayloadBytes(image, name, (element + 1) * DialElementSize, &present);
        if (present)
            grid->SetCells(UnpackDialString(Bytes(payload, element * DialElementSize), set));
    };
    for (int i = 0; i < UserPhoneCount; ++i)
        loadDial(acgTel[i], "PHONE_NUMBERS", i, DialSet::User);
    for (int i = 0; i < CentralPhoneCount; ++i)
        loadDial(acgTelCentr[i], "PHONE_NUMBERS", UserPhoneCount + i, DialSet::Plain);
    loadDial(acgSMSFW[0], "SMSFW_NUMBER1", 0, DialSet::Plain);
    loadDial(acgSMSFW[1], "SMSFW_NUMBER2", 0, DialSet::Plain);

    bool hasAccount = false;
    const QByteArray account = FieldPayloadBytes(image, "CTID_ACCOUNT", AccountDigits, &hasAccount);
    if (hasAccount) {
        for (int d = 0; d < AccountDigits; ++d)
            acgUserAccount->SetCell(d, AccountCellOfValue(Bytes(account)[d]));
    }

    for (int i = 0; i < ClipCount; ++i) {
        const int clip = image.ReadFieldElement("INCALL_CLIP", i);
        cmbCLIP[i]->setCurrentIndex(clip < cmbCLIP[i]->count() ? clip : -1);
    }

    const int centralMode = image.ReadFieldByte("CENTRAL_MODE");
    if (centralMode == 0)
        rbCentralMode1->setChecked(true);
    else if (centralMode == 1)
        rbCentralMode2->setChecked(true);

    const auto loadRelay = [&](const QByteArray &name, const std::array<QCheckBox *, 14> &rows) {
        bool present = false;
        const QByteArray mask = FieldPayloadBytes(image, name, 2, &present);
        if (!present)
            return;
        const auto bits = RelayRowsOfMask(Bytes(mask)[0], Bytes(mask)[1]);
        for (int k = 0; k < RelayRows; ++k)
            rows[k]->setChecked(bits[k]);
    };
    loadRelay("REL1_ACT", relay1Rows);
    loadRelay("REL2_ACT", relay2Rows);

    seREL1time->setValue(image.ReadFieldByte("REL1_TIME"));
    seREL2time->setValue(image.ReadFieldByte("REL2_TIME"));
    cbRel1OffAtDisarm->setChecked(image.ReadFieldFlag("REL1_DEACTOFF"));
    cbRel2OffAtDisarm->setChecked(image.ReadFieldFlag("REL2_DEACTOFF"));
    cbRel1Beep->setChecked(image.ReadFieldFlag("REL1_BEEP"));
    seAlarmMax->setValue(image.ReadFieldByte("ALARMTIME"));
    seTesztGyak->setValue(image.ReadFieldByte("TESTHOURS"));

    TestHour = image.ReadFieldByte("TEST_TIME_H");
    TestMinute = image.ReadFieldByte("TEST_TIME_M");
    T_udh->SetPosition(TestHour);
    T_ud->SetPosition(TestHour * 60 + TestMinute);

    seOnOffMode->setValue(image.ReadFieldByte("ONOFF_MODE"));
    cbNoOnOffIfActive->setChecked(image.ReadFieldFlag("NOARM_IF_ACTIVE"));
    seZoneAlarmMax->setValue(image.ReadFieldByte("ALARM_MAX"));
    cbREL2GSM_Error->setChecked(image.ReadFieldFlag("REL2_GSMERR"));
}

void TParamEditor::SetDefaultEventCodes()
{
    for (int e = 0; e < ShownEventCount; ++e)
        acgEvent[e]->SetCells(DefaultEventCode(e + 1));
}

// ---------------------------------------------------------------- grid input

void TParamEditor::ConnectDialGrid(TCharGrid *grid, bool userNumber)
{
    if (userNumber) {
        connect(grid, &TCharGrid::keyPressed, this, [this, grid](QKeyEvent *ev) { acgTel1KeyPress(grid, ev); });
        connect(grid, &TCharGrid::cellCommitted, this,
                [this, grid](int cell, const QString &text) { acgTel1CellValidate(grid, cell, text); });
    } else {
        connect(grid, &TCharGrid::keyPressed, this, [this, grid](QKeyEvent *ev) { acgSMSFW1KeyPress(grid, ev); });
        connect(grid, &TCharGrid::cellCommitted, this,
                [this, grid](int cell, const QString &text) { acgSMSFW1CellValidate(grid, cell, text); });
    }
}

void TParamEditor::ConnectHexGrid(TCharGrid *grid, bool editable)
{
    if (!editable)
        return; // keys reach the grid and are dropped there
    connect(grid, &TCharGrid::keyPressed, this, [this, grid](QKeyEvent *ev) { acgUserAccountKeyPress(grid, ev); });
    connect(grid, &TCharGrid::cellCommitted, this,
            [this, grid](int cell, const QString &text) { acgUserAccountCellValidate(grid, cell, text); });
    if (grid->objectName().startsWith(QLatin1String("acgEvent"))) {
        connect(grid, &TCharGrid::keyReleased, this, [this, grid](QKeyEvent *) { acgEvent1KeyUp(grid); });
        connect(grid, &TCharGrid::focusLeft, this, [this, grid] { acgEvent11Exit(grid); });
    }
}

void TParamEditor::DialKeyPress(TCharGrid *grid, QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace) {
        GridBackspace(grid, QString());
        return;
    }
    const QString text = event->text();
    // '*' and '#' are not typed even into user numbers.
    if (text.size() == 1 && IsDialCharacter(text.at(0), DialSet::Plain))
        GridType(grid, text);
}

void TParamEditor::acgTel1KeyPress(TCharGrid *grid, QKeyEvent *event)
{
    DialKeyPress(grid, event);
}

void TParamEditor::acgSMSFW1KeyPress(TCharGrid *grid, QKeyEvent *event)
{
    DialKeyPress(grid, event);
}

void TParamEditor::acgUserAccountKeyPress(TCharGrid *grid, QKeyEvent *event)
{
    if (event->key() == Qt::Key_Backspace) {
        GridBackspace(grid, QStringLiteral("0"));
        return;
    }
    const QString text = event->text().toUpper();
    if (text.size() == 1 && IsHexKey(text.at(0)))
        GridType(grid, text);
}

void TParamEditor::acgTel1CellValidate(TCharGrid *grid, int cell, const QString &text)
{
    grid->SetCell(cell, ValidateDialCell(text));
}

void TParamEditor::acgSMSFW1CellValidate(TCharGrid *grid, int cell, const QString &text)
{
    grid->SetCell(cell, ValidateDialCell(text));
}

void TParamEditor::acgUserAccountCellValidate(TCharGrid *grid, int cell, const QString &text)
{
    grid->SetCell(cell, ValidateHexCell(text));
}

TCharGrid *TParamEditor::MirrorOf(TCharGrid *grid) const
{
    for (int e : {0, 2, 4, 6, 8}) {
        if (acgEvent[e] == grid)
            return acgEvent[e + 1];
    }
    return nullptr;
}

void TParamEditor::CompleteEventCode(TCharGrid *grid)
{
    for (int i = 0; i < grid->CellCount(); ++i) {
        if (grid->Cell(i).isEmpty())
            grid->SetCell(i, QStringLiteral("0"));
    }
    if (TCharGrid *mirror = MirrorOf(grid))
        mirror->SetCells(grid->Cells());
}

void TParamEditor::acgEvent1KeyUp(TCharGrid *grid)
{
    CompleteEventCode(grid);
}

void TParamEditor::acgEvent11Exit(TCharGrid *grid)
{
    CompleteEventCode(grid);
}

// ---------------------------------------------------------------- test time

void TParamEditor::T_udChangingEx(int proposed)
{
    if (proposed < 0)
        return;
    // The arrows can propose one step past the last position (23:59); a
    // damaged image could propose far more, which would show and store an
    // hour the module does not have.
    const int minuteOfDay = std::min(proposed, LastMinuteOfDay);
    TestHour = minuteOfDay / 60;
    TestMinute = minuteOfDay % 60;
    T_Time->setText(TestTimeText(TestHour, TestMinute));
}

void TParamEditor::T_udhChangingEx(int proposed)
{
    if (proposed < 0)
        return;
    T_ud->SetPosition(proposed * 60 + TestMinute);
}

// ---------------------------------------------------------------- arm/disarm method

void TParamEditor::SetOnOffModeForm(TFormOnOffMode *form)
{
    if (m_onOffModeForm)
        disconnect(m_onOffModeForm, nullptr, this, nullptr);
    m_onOffModeForm = form;
    if (form)
        connect(form, &TFormOnOffMode::methodChosen, this, [this](int method) { seOnOffMode->setValue(method); });
}

void TParamEditor::btOnOffModeClick()
{
    FocusDummy();
    if (m_onOffModeForm)
        m_onOffModeForm->OpenWithMethod(seOnOffMode->value());
}

void TParamEditor::FocusDummy()
{
    // The main window's invisible button takes the focus after a click.
    QWidget *top = window();
    const auto candidates = top->findChildren<QWidget *>(QStringLiteral("btnFocusDummy"));
    for (QWidget *w : candidates) {
        if (w->window() == top) {
            w->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

#include "params/ParamEditor.h"

#include "params/EditorWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <utility>
#include <QVBoxLayout>

namespace {
constexpr int SmsMaxLength = FieldCodec::SmsLength;
constexpr int SpinWidth = 64;

QLabel *NewLabel(const QString &name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

// Event names as the event table and the relay table show them (index 0 =
// event 01).
const QStringList &EventNames()
{
    static const QStringList names = {
        QStringLiteral("01. Z1 Riasztás"),   QStringLiteral("02. Z1 Visszaállás"),
        QStringLiteral("03. Z2 Riasztás"),   QStringLiteral("04. Z2 Visszaállás"),
        QStringLiteral("05. Z3 Riasztás"),   QStringLiteral("06. Z3 Visszaállás"),
        QStringLiteral("07. Z4 Riasztás"),   QStringLiteral("08. Z4 Visszaállás"),
        QStringLiteral("09. Élesítés"),      QStringLiteral("10. Kikapcsolás"),
        QStringLiteral("11. Tesztjelentés"), QStringLiteral("12. Akkumulátor gyenge"),
        QStringLiteral("13. Akkumulátor rendben"),
    };
    return names;
}
} // namespace

TParamEditor::TParamEditor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ParamEditor"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pcParameters"));
    m_pages->addTab(BuildZonesPage(), QStringLiteral("Zónák"));
    m_pages->addTab(BuildEventsPage(), QStringLiteral("Események"));
    m_pages->addTab(BuildRelaysPage(), QStringLiteral("Relé kimenetek"));
    m_pages->addTab(BuildPhonesPage(), QStringLiteral("Telefonszámok és egyéb beállítások"));
    m_pages->addTab(BuildAlarmPage(), QStringLiteral("Riasztási beállítások"));
    layout->addWidget(m_pages);

    T_Time->setText(FieldCodec::TestTimeText(TestHour, TestMinute));
}

QSize TParamEditor::sizeHint() const
{
    return QSize(PreferredWidth, PreferredHeight);
}

QSpinBox *TParamEditor::NewSpin(const QString &name, int minimum, int maximum, QWidget *parent)
{
    auto *spin = new QSpinBox(parent);
    spin->setObjectName(name);
    spin->setRange(minimum, maximum);
    spin->setValue(minimum);
    spin->setFixedWidth(SpinWidth);
    return spin;
}

QCheckBox *TParamEditor::NewCheck(const QString &name, const QString &text, QWidget *parent)
{
    auto *check = new QCheckBox(text, parent);
    check->setObjectName(name);
    return check;
}

QWidget *TParamEditor::BuildZonesPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsZones"));
    auto *row = new QHBoxLayout(page);
    for (int z = 0; z < 4; ++z) {
        const QString n = QString::number(z + 1);
        auto *box = new QGroupBox(QStringLiteral("%1. zóna (IN%1)").arg(z + 1), page);
        box->setObjectName(QStringLiteral("gbZone") + n);
        auto *grid = new QGridLayout(box);
        rgZonaBek[z] = new TRadioGroup(QStringLiteral("rgZonaBek") + n, QStringLiteral("Bekötés"),
                                       {QStringLiteral("Normál nyitott"), QStringLiteral("Normál zárt")}, box);
        rgZonaBek[z]->SetItemIndex(0);
        grid->addWidget(rgZonaBek[z], 0, 0, 1, 3);

        seZonaErz[z] = NewSpin(QStringLiteral("seZonaErz") + n, 0, 254, box);
        cbZoneUnit[z] = new QComboBox(box);
        cbZoneUnit[z]->setObjectName(QStringLiteral("cbZoneUnit") + n);
        cbZoneUnit[z]->addItem(QStringLiteral("sec/10"));
        cbZoneUnit[z]->setCurrentIndex(0);
        cbZoneUnit[z]->setEnabled(false);
        grid->addWidget(NewLabel(QStringLiteral("lbZoneSense") + n, QStringLiteral("Zóna érzékenység:"), box), 1, 0, 1, 3);
        grid->addWidget(seZonaErz[z], 2, 0);
        grid->addWidget(cbZoneUnit[z], 2, 1, 1, 2, Qt::AlignLeft);

        seZonaBeKesl[z] = NewSpin(QStringLiteral("seZonaBeKesl") + n, 0, 254, box);
        grid->addWidget(NewLabel(QStringLiteral("lbZoneDelayIn") + n, QStringLiteral("Belépési késleltetés:"), box), 3, 0, 1, 3);
        grid->addWidget(seZonaBeKesl[z], 4, 0);
        grid->addWidget(NewLabel(QStringLiteral("lbZoneDelayInUnit") + n, QStringLiteral("mp"), box), 4, 1);

        seZonaKiKesl[z] = NewSpin(QStringLiteral("seZonaKiKesl") + n, 0, 254, box);
        grid->addWidget(NewLabel(QStringLiteral("lbZoneDelayOut") + n, QStringLiteral("Kilépési késleltetés:"), box), 5, 0, 1, 3);
        grid->addWidget(seZonaKiKesl[z], 6, 0);
        grid->addWidget(NewLabel(QStringLiteral("lbZoneDelayOutUnit") + n, QStringLiteral("mp"), box), 6, 1);

        cb24h[z] = NewCheck(QStringLiteral("cb24h") + n, QStringLiteral("24 órás zóna"), box);
        grid->addWidget(cb24h[z], 7, 0, 1, 3);
        grid->setColumnStretch(2, 1);
        grid->setRowStretch(8, 1);
        row->addWidget(box);
    }
    return page;
}

QWidget *TParamEditor::BuildEventsPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsEvents"));
    auto *grid = new QGridLayout(page);
    grid->setVerticalSpacing(3);
    grid->setHorizontalSpacing(6);
    const QStringList headers = {QStringLiteral("Esemény"), QStringLiteral("Contact ID"), QStringLiteral("S1"),
                                 QStringLiteral("S2"), QStringLiteral("S3"), QStringLiteral("S4"),
                                 QStringLiteral("Központ"), QStringLiteral("SMS szöveg")};
    const QStringList headerNames = {QStringLiteral("lbEventHead"), QStringLiteral("lbCtidHead"), QStringLiteral("lbS1Head"),
                                     QStringLiteral("lbS2Head"), QStringLiteral("lbS3Head"), QStringLiteral("lbS4Head"),
                                     QStringLiteral("lbCenterHead"), QStringLiteral("lbSmsHead")};
    for (int c = 0; c < headers.size(); ++c)
        grid->addWidget(NewLabel(headerNames.at(c), headers.at(c), page), 0, c, c >= 2 && c <= 6 ? Qt::AlignHCenter : Qt::AlignLeft);

    for (int e = 0; e < FieldCodec::ShownEventCount; ++e) {
        const int row = e + 1;
        const QString n = QString::number(e + 1);
        const bool bound = e < FieldCodec::EventCount;
        grid->addWidget(NewLabel(QStringLiteral("lbEvent") + n, EventNames().at(e), page), row, 0);

        acgEvent[e] = new TCharGrid(FieldCodec::EventCodeDigits, QStringLiteral("acgEvent") + n, page);
        grid->addWidget(acgEvent[e], row, 1);

        for (int t = 0; t < 5; ++t) {
            // Rows 01..11 carry the numbered boxes of the reporting matrix;
            // rows 12 and 13 are shown greyed out and are not stored.
            const QString name = bound ? QStringLiteral("CheckBox%1").arg(41 + 11 * t + e)
                                       : QStringLiteral("cb%1x%2").arg(e + 1).arg(t + 5);
            eventTargets[e][t] = NewCheck(name, QString(), page);
            eventTargets[e][t]->setEnabled(bound);
            grid->addWidget(eventTargets[e][t], row, 2 + t, Qt::AlignHCenter);
        }
        edSMS[e] = new QLineEdit(page);
        edSMS[e]->setObjectName(QStringLiteral("edSMS") + n);
        edSMS[e]->setMaxLength(SmsMaxLength);
        edSMS[e]->setEnabled(bound);
        grid->addWidget(edSMS[e], row, 7);
        if (!bound)
            acgEvent[e]->setEnabled(false);
    }
    // The grid of each restore event and of the disarm event follows the one
    // above it and is not typed into.
    for (int e : {1, 3, 5, 7, 9}) {
        acgEvent[e]->setFocusPolicy(Qt::NoFocus);
        ConnectHexGrid(acgEvent[e], false);
    }
    for (int e : {0, 2, 4, 6, 8, 10})
        ConnectHexGrid(acgEvent[e], true);
    grid->setColumnStretch(7, 1);
    grid->setRowStretch(FieldCodec::ShownEventCount + 1, 1);
    SetDefaultEventCodes();
    return page;
}

QWidget *TParamEditor::BuildRelaysPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsRelays"));
    auto *row = new QHBoxLayout(page);

    auto *activation = new QGroupBox(QStringLiteral("Relé aktiválás"), page);
    activation->setObjectName(QStringLiteral("gbRelayActivation"));
    auto *grid = new QGridLayout(activation);
    grid->setVerticalSpacing(2);
    grid->addWidget(NewLabel(QStringLiteral("lbRelay1Head"), QStringLiteral("RELÉ1"), activation), 0, 1, Qt::AlignHCenter);
    grid->addWidget(NewLabel(QStringLiteral("lbRelay2Head"), QStringLiteral("RELÉ2"), activation), 0, 2, Qt::AlignHCenter);
    for (int k = 0; k < 14; ++k) {
        const QString text = k == 0 ? QStringLiteral("00. Vezérlés telefonhívással") : EventNames().at(k - 1);
        grid->addWidget(NewLabel(QStringLiteral("lbRelayRow%1").arg(k), text, activation), k + 1, 0);
        const bool bound = k < FieldCodec::RelayRows;
        relay1Rows[k] = NewCheck(bound ? QStringLiteral("CheckBox%1").arg(106 + k) : QStringLiteral("cbR1x%1").arg(k + 1),
                                 QString(), activation);
        relay2Rows[k] = NewCheck(bound ? QStringLiteral("CheckBox%1").arg(118 + k) : QStringLiteral("cbR2x%1").arg(k + 1),
                                 QString(), activation);
        relay1Rows[k]->setEnabled(bound);
        relay2Rows[k]->setEnabled(bound);
        grid->addWidget(relay1Rows[k], k + 1, 1, Qt::AlignHCenter);
        grid->addWidget(relay2Rows[k], k + 1, 2, Qt::AlignHCenter);
    }
    grid->setColumnMinimumWidth(1, 60);
    grid->setColumnMinimumWidth(2, 60);
    grid->setRowStretch(15, 1);
    row->addWidget(activation);

    auto *side = new QVBoxLayout;
    auto *relay1 = new QGroupBox(QStringLiteral("Relé 1"), page);
    relay1->setObjectName(QStringLiteral("gbRelay1"));
    auto *r1 = new QGridLayout(relay1);
    seREL1time = NewSpin(QStringLiteral("seREL1time"), 0, 255, relay1);
    r1->addWidget(NewLabel(QStringLiteral("lbREL1time"), QStringLiteral("Bekapcsolási idő (mp, 255 = bistabil):"), relay1), 0, 0);
    r1->addWidget(seREL1time, 0, 1);
    cbRel1OffAtDisarm = NewCheck(QStringLiteral("cbRel1OffAtDisarm"), QStringLiteral("Relé 1 kikapcsolása hatástalanításkor"), relay1);
    cbRel1Beep = NewCheck(QStringLiteral("cbRel1Beep"), QStringLiteral("Csipogás élesítéskor / kikapcsoláskor"), relay1);
    r1->addWidget(cbRel1OffAtDisarm, 1, 0, 1, 2);
    r1->addWidget(cbRel1Beep, 2, 0, 1, 2);
    side->addWidget(relay1);

    auto *relay2 = new QGroupBox(QStringLiteral("Relé 2"), page);
    relay2->setObjectName(QStringLiteral("gbRelay2"));
    auto *r2 = new QGridLayout(relay2);
    seREL2time = NewSpin(QStringLiteral("seREL2time"), 0, 255, relay2);
    r2->addWidget(NewLabel(QStringLiteral("lbREL2time"), QStringLiteral("Bekapcsolási idő (mp, 255 = bistabil):"), relay2), 0, 0);
    r2->addWidget(seREL2time, 0, 1);
    cbRel2OffAtDisarm = NewCheck(QStringLiteral("cbRel2OffAtDisarm"), QStringLiteral("Relé 2 kikapcsolása hatástalanításkor"), relay2);
    cbREL2GSM_Error = NewCheck(QStringLiteral("cbREL2GSM_Error"), QStringLiteral("Relé 2 jelzi a GSM hibát"), relay2);
    r2->addWidget(cbRel2OffAtDisarm, 1, 0, 1, 2);
    r2->addWidget(cbREL2GSM_Error, 2, 0, 1, 2);
    side->addWidget(relay2);
    side->addStretch(1);
    row->addLayout(side);
    row->addStretch(1);
    return page;
}

QWidget *TParamEditor::BuildPhonesPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsPhones"));
    auto *column = new QVBoxLayout(page);

    auto *numbers = new QGroupBox(QStringLiteral("Telefonszámok"), page);
    numbers->setObjectName(QStringLiteral("gbPhoneNumbers"));
    auto *grid = new QGridLayout(numbers);
    grid->setVerticalSpacing(4);
    grid->addWidget(NewLabel(QStringLiteral("lbCLIPHead"), QStringLiteral("Hívóazonosítás (CLIP)"), numbers), 0, 2);
    const QStringList clipItems = {QStringLiteral("0-  nincs"), QStringLiteral("1-  nem kell jelszó"),
                                   QStringLiteral("2-  relé 2 BE"), QStringLiteral("3-  relé 2 BE + felvétel")};
    int row = 1;
    // One labelled dial grid per row: "acgTel1" is captioned by "lbTel1".
    const auto addDialRow = [&](const QString &name, const QString &caption, bool userNumber) {
        grid->addWidget(NewLabel(QStringLiteral("lb") + name.mid(3), caption, numbers), row, 0);
        auto *dial = new TCharGrid(FieldCodec::DialCells, name, numbers);
        ConnectDialGrid(dial, userNumber);
        grid->addWidget(dial, row, 1);
        return dial;
    };
    for (int i = 0; i < 4; ++i, ++row) {
        const QString n = QString::number(i + 1);
        acgTel[i] = addDialRow(QStringLiteral("acgTel") + n, QStringLiteral("%1. telefonszám").arg(n), true);
        cmbCLIP[i] = new QComboBox(numbers);
        cmbCLIP[i]->setObjectName(QStringLiteral("cmbCLIP") + n);
        cmbCLIP[i]->addItems(clipItems);
        cmbCLIP[i]->setCurrentIndex(0);
        grid->addWidget(cmbCLIP[i], row, 2);
    }
    for (int i = 0; i < 2; ++i, ++row) {
        const QString n = QString::number(i + 1);
        acgTelCentr[i] = addDialRow(QStringLiteral("acgTelCentr") + n, QStringLiteral("%1. központ telefonszám").arg(n), false);
    }
    for (int i = 0; i < 2; ++i, ++row) {
        const QString n = QString::number(i + 1);
        acgSMSFW[i] = addDialRow(QStringLiteral("acgSMSFW") + n, QStringLiteral("%1. SMS továbbítás").arg(n), false);
    }
    grid->setColumnStretch(3, 1);
    column->addWidget(numbers);

    auto *bottom = new QHBoxLayout;
    auto *account = new QGroupBox(QStringLiteral("Contact ID"), page);
    account->setObjectName(QStringLiteral("gbContactId"));
    auto *ag = new QGridLayout(account);
    acgUserAccount = new TCharGrid(FieldCodec::AccountDigits, QStringLiteral("acgUserAccount"), account);
    acgUserAccount->SetAllCells(QStringLiteral("0"));
    ConnectHexGrid(acgUserAccount, true);
    ag->addWidget(NewLabel(QStringLiteral("lbUserAccount"), QStringLiteral("Felhasználói azonosító:"), account), 0, 0);
    ag->addWidget(acgUserAccount, 0, 1);
    ag->setRowStretch(1, 1);
    bottom->addWidget(account);

    auto *mode = new QGroupBox(QStringLiteral("Távfelügyeleti jelentési mód"), page);
    mode->setObjectName(QStringLiteral("gbCentralMode"));
    auto *ml = new QVBoxLayout(mode);
    rbCentralMode1 = new QRadioButton(QStringLiteral("Normál jelentés (elég egy központot értesíteni)"), mode);
    rbCentralMode1->setObjectName(QStringLiteral("rbCentralMode1"));
    rbCentralMode2 = new QRadioButton(QStringLiteral("Kettős jelentés (mindkét központot értesíteni kell)"), mode);
    rbCentralMode2->setObjectName(QStringLiteral("rbCentralMode2"));
    rbCentralMode1->setChecked(true);
    ml->addWidget(rbCentralMode1);
    ml->addWidget(rbCentralMode2);
    bottom->addWidget(mode);
    bottom->addStretch(1);
    column->addLayout(bottom);
    column->addStretch(1);
    return page;
}

QWidget *TParamEditor::BuildAlarmPage()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsAlarm"));
    auto *column = new QVBoxLayout(page);
    auto *box = new QGroupBox(QStringLiteral("Élesítés, riasztás és tesztjelentés beállításai"), page);
    box->setObjectName(QStringLiteral("gbAlarmSettings"));
    auto *grid = new QGridLayout(box);
    grid->setVerticalSpacing(6);
    int row = 0;

    seAlarmMax = NewSpin(QStringLiteral("seAlarmMax"), 5, 25, box);
    grid->addWidget(NewLabel(QStringLiteral("lbAlarmMax"), QStringLiteral("Maximális riasztási idő (5-25 perc) :"), box), row, 0);
    grid->addWidget(seAlarmMax, row++, 1);

    seTesztGyak = NewSpin(QStringLiteral("seTesztGyak"), 0, 255, box);
    grid->addWidget(NewLabel(QStringLiteral("lbTesztGyak"), QStringLiteral("Tesztjelentés gyakorisága (0-255 óra) :"), box), row, 0);
    grid->addWidget(seTesztGyak, row++, 1);

    auto *timeRow = new QHBoxLayout;
    timeRow->setSpacing(2);
    T_Time = new QLineEdit(box);
    T_Time->setObjectName(QStringLiteral("T_Time"));
    T_Time->setReadOnly(true);
    T_Time->setFixedWidth(SpinWidth - 20);
    T_Time->setAlignment(Qt::AlignCenter);
    T_udh = new TUpDown(QStringLiteral("T_udh"), 0, 22, box);
    T_ud = new TUpDown(QStringLiteral("T_ud"), 0, 1438, box);
    timeRow->addWidget(T_Time);
    timeRow->addWidget(T_udh);
    timeRow->addWidget(T_ud);
    timeRow->addStretch(1);
    grid->addWidget(NewLabel(QStringLiteral("lbTestTime"), QStringLiteral("Tesztjelentés időpontja (óó:pp) :"), box), row, 0);
    grid->addLayout(timeRow, row++, 1, 1, 2);
    connect(T_ud, &TUpDown::changingEx, this, &TParamEditor::T_udChangingEx);
    connect(T_udh, &TUpDown::changingEx, this, &TParamEditor::T_udhChangingEx);

    seOnOffMode = NewSpin(QStringLiteral("seOnOffMode"), 0, 5, box);
    btOnOffMode = new QPushButton(QStringLiteral("Módosítás"), box);
    btOnOffMode->setObjectName(QStringLiteral("btOnOffMode"));
    connect(btOnOffMode, &QPushButton::clicked, this, &TParamEditor::btOnOffModeClick);
    grid->addWidget(NewLabel(QStringLiteral("lbOnOffMode"), QStringLiteral("Élesítés / Kikapcsolás módja :"), box), row, 0);
    grid->addWidget(seOnOffMode, row, 1);
    grid->addWidget(btOnOffMode, row++, 2, Qt::AlignLeft);

    cbNoOnOffIfActive = NewCheck(QStringLiteral("cbNoOnOffIfActive"), QStringLiteral("Nem élesíthető, ha bármelyik zóna aktív"), box);
    grid->addWidget(cbNoOnOffIfActive, row++, 0, 1, 3);

    seZoneAlarmMax = NewSpin(QStringLiteral("seZoneAlarmMax"), 0, 25, box);
    grid->addWidget(NewLabel(QStringLiteral("lbZoneAlarmMax"),
                             QStringLiteral("Riasztások legnagyobb száma zónánként (0-25, 0=nincs korlát) :"), box), row, 0);
    grid->addWidget(seZoneAlarmMax, row++, 1);

    seZoneAlarmMaxHour = NewSpin(QStringLiteral("seZoneAlarmMaxHour"), 0, 24, box);
    seZoneAlarmMaxHour->setEnabled(false);
    grid->addWidget(NewLabel(QStringLiteral("lbZoneAlarmMaxHour"),
                             QStringLiteral("Korlátozás időtartama (0-24 óra, 0=nincs korlátozva) :"), box), row, 0);
    grid->addWidget(seZoneAlarmMaxHour, row++, 1);

    btTestNow = new QPushButton(QStringLiteral("Tesztjelentés küldés most"), box);
    btTestNow->setObjectName(QStringLiteral("btTestNow"));
    connect(btTestNow, &QPushButton::clicked, this, [this] {
        emit testNowClicked();
        FocusDummy();
    });
    grid->addWidget(btTestNow, row++, 0, Qt::AlignLeft);
    grid->setColumnStretch(3, 1);
    column->addWidget(box);
    column->addStretch(1);
    return page;
}

int TParamEditor::TabIndexOfField(const QString &fieldName) const
{
    // One control of each field; its tab is the page it sits on.
    const std::pair<const char *, const QWidget *> shownBy[] = {
        {"ZONE_CIRCUIT", rgZonaBek[0]},       {"ZONE_SENSE_TIME", seZonaErz[0]},
        {"ZONE_DELAY_IN", seZonaBeKesl[0]},   {"ZONE_DELAY_OUT", seZonaKiKesl[0]},
        {"ZONE_24H", cb24h[0]},               {"EVENT_CTID", acgEvent[0]},
        {"EVENT_MATRIX", eventTargets[0][0]}, {"EVENT_SMS", edSMS[0]},
        {"PHONE_NUMBERS", acgTel[0]},         {"SMSFW_NUMBER1", acgSMSFW[0]},
        {"SMSFW_NUMBER2", acgSMSFW[1]},       {"CTID_ACCOUNT", acgUserAccount},
        {"INCALL_CLIP", cmbCLIP[0]},          {"CENTRAL_MODE", rbCentralMode1},
        {"REL1_ACT", relay1Rows[0]},          {"REL1_TIME", seREL1time},
        {"REL2_ACT", relay2Rows[0]},          {"REL2_TIME", seREL2time},
        {"REL1_DEACTOFF", cbRel1OffAtDisarm}, {"REL2_DEACTOFF", cbRel2OffAtDisarm},
        {"REL1_BEEP", cbRel1Beep},            {"ALARMTIME", seAlarmMax},
        {"TESTHOURS", seTesztGyak},           {"TEST_TIME_H", T_Time},
        {"TEST_TIME_M", T_Time},              {"ONOFF_MODE", seOnOffMode},
        {"NOARM_IF_ACTIVE", cbNoOnOffIfActive}, {"ALARM_MAX", seZoneAlarmMax},
        {"REL2_GSMERR", cbREL2GSM_Error},
    };
    for (const auto &[name, control] : shownBy) {
        if (fieldName != QLatin1String(name))
            continue;
        for (const QWidget *w = control; w; w = w->parentWidget()) {
            const int index = m_pages->indexOf(const_cast<QWidget *>(w));
            if (index >= 0)
                return index;
        }
        return -1;
    }
    return -1;
}

bool TParamEditor::ShowFieldTab(const QString &fieldName)
{
    const int index = TabIndexOfField(fieldName);
    if (index < 0)
        return false;
    m_pages->setCurrentIndex(index);
    return true;
}

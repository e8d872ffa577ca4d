#include "app/Main.h"

#include "app/AppCore.h"
#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "app/FormProgress.h"
#include "app/TextContainer.h"
#include "app/UpdaterForm.h"
#include "app/WelcomeForm.h"
#include "link/Requests.h"
#include "link/SerialDetails.h"
#include "monitor/ElistInfo.h"
#include "monitor/OnOffMode.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"
#include "params/ParamEditor.h"
#include "params/ParamFiles.h"
#include "transport/GPRSsocket.h"
#include "link/Identification.h"
#include "transport/DeviceWatcher.h"
#include "transport/USBCommunicator.h"

#include "Morvo3Config.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <exception>
#include <functional>

Q_LOGGING_CATEGORY(lcApp, "morvo3.app", QtWarningMsg)

const QColor TMainForm::Red(255, 0, 0);
const QColor TMainForm::Green(0, 128, 0);
const QColor TMainForm::Blue(0, 0, 255);
const QColor TMainForm::Black(0, 0, 0);

namespace {
constexpr int ImageSize = 32;
constexpr int CommandButtonWidth = 84;
constexpr int CommandButtonHeight = 48;

// A transparent, antialiased image of the indicator panels' size, painted by paint.
QPixmap drawImage(const std::function<void(QPainter &)> &paint)
{
    QPixmap pm(ImageSize, ImageSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return pm;
}

QPixmap drawLinkImage(const QColor &fill, const QString &text)
{
    return drawImage([&](QPainter &p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(1.5, 6.5, ImageSize - 3, ImageSize - 13), 5, 5);
        QFont f = p.font();
        f.setPixelSize(9);
        f.setBold(true);
        p.setFont(f);
        p.setPen(fill.lightness() > 140 ? Qt::black : Qt::white);
        p.drawText(QRect(0, 0, ImageSize, ImageSize), Qt::AlignCenter, text);
    });
}

QPixmap drawUsbPlug()
{
    return drawImage([](QPainter &p) {
        p.setPen(QPen(QColor(0, 0, 160), 2));
        p.setBrush(QColor(120, 160, 255));
        p.drawRect(QRectF(9, 3, 14, 12));
        p.setBrush(QColor(0, 0, 160));
        p.drawRect(QRectF(12, 15, 8, 14));
        p.setPen(Qt::white);
        p.drawLine(QPointF(13, 8), QPointF(15, 8));
        p.drawLine(QPointF(17, 8), QPointF(19, 8));
    });
}

QPixmap drawGlobe()
{
    return drawImage([](QPainter &p) {
        p.setPen(QPen(QColor(0, 90, 0), 1.5));
        p.setBrush(QColor(120, 200, 255));
        p.drawEllipse(QRectF(3, 3, 26, 26));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(10, 3, 12, 26));
        p.drawLine(QPointF(3, 16), QPointF(29, 16));
        p.drawLine(QPointF(16, 3), QPointF(16, 29));
    });
}

QLabel *makeImage(QWidget *parent, const QString &name, const QPixmap &pm, int x, int y)
{
    auto *img = new QLabel(parent);
    img->setObjectName(name);
    img->setPixmap(pm);
    img->setGeometry(x, y, ImageSize, ImageSize);
    return img;
}

void setTextColor(QWidget *w, const QColor &color)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::WindowText, color);
    pal.setColor(QPalette::ButtonText, color);
    w->setPalette(pal);
}

template <typename T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}
} // namespace

template <typename F> void TMainForm::Guarded(const char *step, F &&f)
{
    try {
        f();
    } catch (const std::exception &e) {
        qCDebug(lcApp) << step << "failed:" << e.what();
    } catch (...) {
        qCDebug(lcApp) << step << "failed";
    }
}

// ===========================================================================
// Creation

TMainForm::TMainForm(TAppCore &core, const TAppWindows &windows, const QStringList &arguments, QWidget *parent)
    : QWidget(parent)
    , m_core(core)
    , m_windows(windows)
    , m_arguments(arguments)
    , m_serverPort(QLatin1String(DefaultServerPort))
{
    setObjectName(QStringLiteral("TMainForm"));
    setWindowTitle(QLatin1String(Caption));
    setFixedSize(WindowWidth, WindowHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    auto makeTimer = [this](const char *name, int interval) {
        auto *t = new QTimer(this);
        t->setObjectName(QLatin1String(name));
        t->setInterval(interval);
        return t;
    };
    TimerConnectStatus = makeTimer("TimerConnectStatus", ConnectStatusIntervalMs);
    GetVersionTimer = makeTimer("GetVersionTimer", GetVersionIntervalMs);
    PWTimer = makeTimer("PWTimer", PWTimerIntervalMs);
    PWShowFormTimer = makeTimer("PWShowFormTimer", PWShowFormIntervalMs);
    WatchTimer = makeTimer("WatchTimer", WatchIntervalMs);
    connect(TimerConnectStatus, &QTimer::timeout, this, &TMainForm::TimerConnectStatusTimer);
    connect(GetVersionTimer, &QTimer::timeout, this, &TMainForm::GetVersionTimerTimer);
    connect(PWTimer, &QTimer::timeout, this, &TMainForm::PWTimerTimer);
    connect(PWShowFormTimer, &QTimer::timeout, this, &TMainForm::PWShowFormTimerTimer);
    connect(WatchTimer, &QTimer::timeout, this, &TMainForm::WatchTimerTimer);

    buildTopStrip();
    m_pcMain = named(new QTabWidget(this), "pcMain");
    m_pcMain->setGeometry(4, 44, WindowWidth - 8, 628);
    auto *tsKapcsolat = named(new QWidget, "tsKapcsolat");
    auto *tsModulStatus = named(new QWidget, "tsModulStatus");
    auto *tsParameterSettings = named(new QWidget, "tsParameterSettings");
    m_pcMain->addTab(tsKapcsolat, QStringLiteral("Kapcsolat"));
    m_pcMain->addTab(tsModulStatus, QStringLiteral("Modul állapot"));
    m_pcMain->addTab(tsParameterSettings, QStringLiteral("Paraméter beállítások"));
    buildConnectionPage(tsKapcsolat);
    buildStatusPage(tsModulStatus);
    buildParameterPage(tsParameterSettings);
    connect(m_pcMain, &QTabWidget::currentChanged, this, &TMainForm::pcMainChange);

    m_statusPanel = named(new QLabel(this), "MainStatusPanel");
    m_statusPanel->setGeometry(4, WindowHeight - 26, WindowWidth - 8, 22);
    m_statusPanel->setFrameShape(QFrame::StyledPanel);
    m_statusPanel->setFrameShadow(QFrame::Sunken);

    m_btnUSBConnect = named(new QPushButton(QStringLiteral("USB"), this), "btnUSBConnect");
    m_btnUSBConnect->hide();
    connect(m_btnUSBConnect, &QPushButton::clicked, this, &TMainForm::btnUSBConnectClick);
    m_btnFocusDummy = named(new QPushButton(this), "btnFocusDummy");
    m_btnFocusDummy->setGeometry(0, 0, 0, 0);

    buildTimersPanel();

    // Memo writer targets of this window; the details window adds its own.
    m_core.Memos.SetMemo(MemoTarget::State, m_memoState, m_memoState);
    m_core.Memos.SetMemo(MemoTarget::GPRS, m_memoGPRS, m_memoGPRS);
    if (m_windows.Details)
        m_windows.Details->SetVersionSource([this] { return ModuleVersion(); });
    if (m_windows.Details)
        connect(m_windows.Details, &TFormDetails::hidden, this, [this] {
            if (IsIpMode())
                Guarded("announce view change", [this] { AnnounceViewChange(); });
        });
    if (m_windows.Message)
        m_windows.Message->SetCentreOver(this);
    if (m_windows.PWForm)
        m_windows.PWForm->SetPasswordTimer(PWTimer);
    if (m_windows.NewPW)
        m_windows.NewPW->SetPasswordTimer(PWTimer);
    if (m_windows.OnOffMode)
        m_paramEditor->SetOnOffModeForm(m_windows.OnOffMode);
    connect(m_paramEditor, &TParamEditor::testNowClicked, this,
            [this] { Requests::SendTestReport(m_core.Link); });

    // Frames go to the transport of the selected mode; module messages to the
    // message window.
    m_core.Link.setTransmitter([this](const QByteArray &frame) { return TransmitFrame(frame); });
    connect(&m_core.Link, &TLink::showMessage, this, &TMainForm::ShowMessage);
    WireUsbAndPassword();

    // Creation steps.
    m_core.ParameterTransferActive = false;
    PWShowFormCounter = 0;
    m_core.ModulePassword = QString::fromLatin1(Morvo3Config::DefaultModulePassword);
    m_startupPending = true;
    m_core.Link.PasswordAcceptedFlag = false;
    Guarded("default Contact ID codes", [this] { FillDefaultContactIdCodes(); });
}

TMainForm::~TMainForm()
{
    m_core.Link.setTransmitter({});
    Guarded("save settings", [this] { SaveSettings(); });
}

void TMainForm::buildTopStrip()
{
    auto *panelVersion = named(new QFrame(this), "PanelVersion");
    panelVersion->setFrameShape(QFrame::StyledPanel);
    panelVersion->setFrameShadow(QFrame::Sunken);
    panelVersion->setGeometry(8, 6, 560, 32);
    m_lbVersion = named(new QLabel(panelVersion), "lbVersion");
    m_lbVersion->setGeometry(8, 4, 544, 24);
    QFont bold = m_lbVersion->font();
    bold.setBold(true);
    m_lbVersion->setFont(bold);

    auto *panelUSB = named(new QFrame(this), "panelUSB");
    panelUSB->setFrameShape(QFrame::StyledPanel);
    panelUSB->setGeometry(580, 2, 40, 40);
    m_imgNone = makeImage(panelUSB, "imgUSB_NONE", drawLinkImage(QColor(160, 160, 160), "---"), 4, 4);
    m_imgSearch = makeImage(panelUSB, "imgUSB_SEARCH", drawLinkImage(QColor(255, 200, 0), "..."), 4, 4);
    m_imgOk = makeImage(panelUSB, "imgUSB_OK", drawLinkImage(Green, "OK"), 4, 4);
    m_imgInvalid = makeImage(panelUSB, "imgUSB_INVALID", drawLinkImage(Red, "X"), 4, 4);
    m_imgSearch->hide();
    m_imgOk->hide();
    m_imgInvalid->hide();
    m_imgNone->setToolTip(QStringLiteral("Nincs kapcsolat"));

    auto *panelTransport = named(new QFrame(this), "panelTransport");
    panelTransport->setFrameShape(QFrame::StyledPanel);
    panelTransport->setGeometry(626, 2, 40, 40);
    m_imgUSB = makeImage(panelTransport, "imgUSB", drawUsbPlug(), 4, 4);
    m_imgInternet = makeImage(panelTransport, "imgInternet", drawGlobe(), 4, 4);
    m_imgInternet->hide();

    auto *langPanel = named(new QFrame(this), "LangPanel");
    langPanel->setGeometry(WindowWidth - 4 * 44 - 12, 4, 4 * 44 + 8, 36);
    struct Lang { const char *name; const char *text; const char *code; };
    const Lang langs[] = {{"spbHU", "HU", "HUN"}, {"spbENG", "EN", "ENG"}, {"spbSK", "SK", "SK"}, {"spbRO", "RO", "RO"}};
    int x = 4;
    for (const Lang &l : langs) {
        auto *b = named(new QToolButton(langPanel), l.name);
        b->setText(QLatin1String(l.text));
        b->setCheckable(true);
        b->setAutoExclusive(true);
        b->setGeometry(x, 2, 40, 30);
        const QString code = QLatin1String(l.code);
        connect(b, &QToolButton::clicked, this, [this, code] {
            FocusDummy();
            Guarded("language", [this, code] { SelectLanguage(code); });
        });
        x += 44;
    }
    langPanel->findChild<QToolButton *>(QStringLiteral("spbHU"))->setChecked(true);
}

void TMainForm::buildConnectionPage(QWidget *page)
{
    m_rbUSB = named(new QRadioButton(QStringLiteral("A modul USB kábellel csatlakozik a számítógéphez"), page), "rbUSB");
    m_rbUSB->setGeometry(16, 16, 620, 24);
    m_rbUSB->setChecked(true);
    m_rbIPmode = named(new QRadioButton(QStringLiteral("Távoli modul elérése IP (internet) kapcsolaton keresztül"), page), "rbIPmode");
    m_rbIPmode->setGeometry(16, 44, 620, 24);
    connect(m_rbUSB, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbUSBClick();
    });
    connect(m_rbIPmode, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            rbIPmodeClick();
    });

    auto *group = named(new QGroupBox(QStringLiteral("IP (internet) kapcsolat"), page), "gbGPRS");
    group->setGeometry(16, 80, 640, 470);
    auto addRow = [group](const QString &caption, QLineEdit *edit, int y) {
        auto *label = new QLabel(caption, group);
        label->setGeometry(16, y + 3, 150, 20);
        edit->setGeometry(170, y, 220, 26);
    };
    m_edServerIP = named(new QLineEdit(group), "edServerIP");
    m_edSerialNr = named(new QLineEdit(group), "edSerialNr");
    m_edPWD = named(new QLineEdit(group), "edPWD");
    m_edPWD->setEchoMode(QLineEdit::Password);
    addRow(QStringLiteral("Szerver címe:"), m_edServerIP, 30);
    addRow(QStringLiteral("Modul sorozatszáma:"), m_edSerialNr, 62);
    addRow(QStringLiteral("Jelszó:"), m_edPWD, 94);
    m_cbSavePWD = named(new QCheckBox(QStringLiteral("Jelszó mentése"), group), "cbSavePWD");
    m_cbSavePWD->setGeometry(170, 126, 220, 24);
    m_btGPRS_Connect = named(new QPushButton(QStringLiteral("Kapcsolódás a szerverhez"), group), "btGPRS_Connect");
    m_btGPRS_Connect->setGeometry(410, 30, 210, 30);
    m_btGPRS_Disconnect = named(new QPushButton(QStringLiteral("Kapcsolat bontása"), group), "btGPRS_Disconnect");
    m_btGPRS_Disconnect->setGeometry(410, 66, 210, 30);
    m_memoGPRS = new TMemoControl(QStringLiteral("MemoGPRS"), group);
    m_memoGPRS->setGeometry(16, 160, 608, 256);
    m_btClearMemoGPRS = named(new QPushButton(QStringLiteral("Részletek törlése"), group), "btClearMemoGPRS");
    m_btClearMemoGPRS->setGeometry(16, 424, 160, 30);
    // Design state: the relay controls start disabled.
    for (QWidget *w : std::initializer_list<QWidget *>{m_btGPRS_Connect, m_btGPRS_Disconnect, m_cbSavePWD})
        w->setEnabled(false);
    connect(m_btGPRS_Disconnect, &QPushButton::clicked, this, &TMainForm::btGPRS_DisconnectClick);
    // This version carries no relay session: connecting says so instead of doing nothing.
    connect(m_btGPRS_Connect, &QPushButton::clicked, this, [this] {
        FocusDummy();
        ShowNotAvailable();
    });
    connect(m_btClearMemoGPRS, &QPushButton::clicked, this, [this] {
        FocusDummy();
        m_memoGPRS->clear();
    });

    auto *update = named(new QLabel(QStringLiteral("<a href=\"#\">Programfrissítések keresése</a>"), page), "lbVersionUpdate");
    update->setGeometry(16, 560, 300, 22);
    connect(update, &QLabel::linkActivated, this, &TMainForm::ShowNotAvailable);
}

void TMainForm::buildStatusPage(QWidget *page)
{
    QFont bold = page->font();
    bold.setBold(true);
    for (int i = 0; i < 4; ++i) {
        auto *zone = new QGroupBox(QStringLiteral("Z%1").arg(i + 1), page);
        zone->setObjectName(QStringLiteral("gbZone%1").arg(i + 1));
        zone->setGeometry(8 + i * 122, 8, 114, 76);
        auto *circuit = new QLabel(QStringLiteral("."), zone);
        circuit->setObjectName(QStringLiteral("lbIN%1").arg(i + 1));
        circuit->setGeometry(10, 22, 96, 20);
        auto *state = new QLabel(QStringLiteral("."), zone);
        state->setObjectName(QStringLiteral("lbIN%1B").arg(i + 1));
        state->setGeometry(10, 46, 96, 20);
        state->setFont(bold);
        m_statusLabels << circuit << state;
    }
    for (int r = 0; r < 2; ++r) {
        auto *relay = new QGroupBox(QStringLiteral("%1. RELÉ").arg(r + 1), page);
        relay->setObjectName(QStringLiteral("gbRelay%1").arg(r + 1));
        relay->setGeometry(500 + r * 170, 8, 160, 110);
        auto *label = new QLabel(QStringLiteral("."), relay);
        label->setObjectName(QStringLiteral("lbREL%1").arg(r + 1));
        label->setGeometry(12, 22, 136, 20);
        m_statusLabels << label;
        auto *start = new QPushButton(QStringLiteral("Be"), relay);
        start->setObjectName(QStringLiteral("btREL%1Start").arg(r + 1));
        start->setGeometry(10, 50, 66, 28);
        auto *stop = new QPushButton(QStringLiteral("Ki"), relay);
        stop->setObjectName(QStringLiteral("btREL%1Stop").arg(r + 1));
        stop->setGeometry(82, 50, 66, 28);
        // Relay commands are fire-and-forget: the next status report shows the effect.
        connect(start, &QPushButton::clicked, this, [this, r] {
            Requests::SendRelay(m_core.Link, r + 1, true);
            FocusDummy();
        });
        connect(stop, &QPushButton::clicked, this, [this, r] {
            Requests::SendRelay(m_core.Link, r + 1, false);
            FocusDummy();
        });
    }
    auto *moduleState = named(new QGroupBox(QStringLiteral("Modul állapota"), page), "gbModuleState");
    moduleState->setGeometry(840, 8, 160, 76);
    auto *armed = named(new QLabel(QStringLiteral("."), moduleState), "lbARMED");
    armed->setGeometry(12, 30, 136, 22);
    armed->setFont(bold);
    m_statusLabels << armed;

    auto *gsmCaption = new QLabel(QStringLiteral("GSM térerő (0-31):"), page);
    gsmCaption->setGeometry(8, 96, 130, 20);
    m_lbGSMpowVal = named(new QLabel(QStringLiteral("0"), page), "lbGSMpowVal");
    m_lbGSMpowVal->setGeometry(140, 96, 30, 20);
    m_pbTerero = named(new QProgressBar(page), "pbTerero");
    m_pbTerero->setRange(0, GsmLevelMaximum);
    m_pbTerero->setValue(0);
    m_pbTerero->setTextVisible(false);
    m_pbTerero->setGeometry(176, 96, 300, 18);
    auto *clockCaption = named(new QLabel(QStringLiteral("Modul órája:"), page), "lbGSClock");
    clockCaption->setGeometry(8, 120, 100, 20);
    clockCaption->hide();
    m_panClock = named(new QLabel(QStringLiteral("00:00"), page), "panClock");
    m_panClock->setGeometry(110, 120, 60, 20);
    m_panClock->hide();

    auto *memoCaption = new QLabel(QStringLiteral("A modul állapotüzenetei:"), page);
    memoCaption->setGeometry(8, 128, 300, 20);
    m_memoState = new TMemoControl(QStringLiteral("MemoState"), page);
    m_memoState->setGeometry(8, 150, 640, 170);

    auto button = [page](const char *name, const QString &text, int x, int y, int w) {
        auto *b = named(new QPushButton(text, page), name);
        b->setGeometry(x, y, w, 30);
        return b;
    };
    auto *btStopAlarm = button("btStopAlarm", QStringLiteral("Riasztás leállítása"), 664, 150, 200);
    auto *btClearMsg = button("btClearMsg", QStringLiteral("Üzenetablak törlése"), 664, 190, 200);
    auto *btDetails = button("btDetails", QStringLiteral("Kommunikáció részletei >>>"), 664, 290, 200);
    connect(btStopAlarm, &QPushButton::clicked, this, [this] {
        Requests::SendStopAlarm(m_core.Link);
        FocusDummy();
    });
    connect(btClearMsg, &QPushButton::clicked, this, &TMainForm::btClearMsgClick);
    connect(btDetails, &QPushButton::clicked, this, &TMainForm::btDetailsClick);

    m_cgEvents = named(new QTableWidget(EventGridRows, EventGridColumns, page), "cgEvents");
    m_cgEvents->horizontalHeader()->hide();
    m_cgEvents->verticalHeader()->hide();
    m_cgEvents->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cgEvents->setSelectionMode(QAbstractItemView::NoSelection);
    m_cgEvents->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cgEvents->verticalHeader()->setMinimumSectionSize(EventGridRowHeight);
    m_cgEvents->horizontalHeader()->setMinimumSectionSize(1);
    m_cgEvents->setTextElideMode(Qt::ElideNone);
    QFont gridFont = m_cgEvents->font();
    gridFont.setPointSize(8);
    m_cgEvents->setFont(gridFont);
    const int widths[EventGridColumns] = {20, 119, 80, 120, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 21, 75};
    const QStringList headers = {QString(), QStringLiteral(" Dátum / Idő"), QStringLiteral(" Esemény"),
                                 QStringLiteral(" Contact-ID"), "G1", "G2", "G3", "G4", "G5", "G6",
                                 "S1", "S2", "S3", "S4", "K1", "K2", QStringLiteral(" Állapot")};
    int gridWidth = 0;
    for (int c = 0; c < EventGridColumns; ++c) {
        m_cgEvents->setColumnWidth(c, widths[c]);
        gridWidth += widths[c];
    }
    const QBrush fixedCell(QColor(224, 224, 224));
    for (int r = 0; r < EventGridRows; ++r) {
        m_cgEvents->setRowHeight(r, EventGridRowHeight);
        for (int c = 0; c < EventGridColumns; ++c) {
            auto *item = new QTableWidgetItem(r == 0 ? headers.value(c) : (c == 0 ? QString::number(r) : QString()));
            if (r == 0 || c == 0)
                item->setBackground(fixedCell);
            if (c >= 4 && c <= 15)
                item->setTextAlignment(Qt::AlignCenter);
            m_cgEvents->setItem(r, c, item);
        }
    }
    m_cgEvents->setGeometry(8, 340, gridWidth + 2 * m_cgEvents->frameWidth(),
                            EventGridRows * EventGridRowHeight + 2 * m_cgEvents->frameWidth());

    auto *btRefresh = button("btRefresh", QStringLiteral("Frissítés"), 700, 340, 160);
    auto *btLongEventList = button("btLongEventList", QStringLiteral("Hosszú eseménylista"), 700, 380, 160);
    // Asks the module again for its eight most recent events.
    connect(btRefresh, &QPushButton::clicked, this, [this] {
        Requests::SendEventsRequest(m_core.Link, RefreshEventCount);
        FocusDummy();
    });
    connect(btLongEventList, &QPushButton::clicked, this, [this] {
        FocusDummy();
        ShowNotAvailable();
    });

    // Service buttons: present in the layout, never shown.
    const std::pair<const char *, const char *> hidden[] = {{"btFwReset", "FirmWare Reset!"},
                                                            {"btFlashReset", "Flash Reset !"},
                                                            {"btFirmwareDownload", "FirmWare Download"},
                                                            {"btnSendPassword", "Send password"}};
    int y = 430;
    for (const auto &[name, text] : hidden) {
        button(name, QLatin1String(text), 700, y, 160)->hide();
        y += 34;
    }
    if (auto *fwReset = findChild<QPushButton *>(QStringLiteral("btFwReset")))
        connect(fwReset, &QPushButton::clicked, this, [this] { Requests::SendFirmwareReset(m_core.Link); });
    if (auto *flashReset = findChild<QPushButton *>(QStringLiteral("btFlashReset")))
        connect(flashReset, &QPushButton::clicked, this, [this] { Requests::SendFlashReset(m_core.Link); });
}

QToolButton *TMainForm::makeCommandButton(QWidget *page, const QString &name, const QString &text,
                                          const QString &hint, int y, bool withTwin)
{
    const int x = EditorWidth + 12;
    auto *b = new QToolButton(page);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setGeometry(x, y, CommandButtonWidth, CommandButtonHeight);
    if (withTwin) {
        // The inert twin lies over the active button until the commands are enabled.
        auto *twin = new QToolButton(page);
        twin->setObjectName(name + QStringLiteral("Disabled"));
        twin->setText(text);
        twin->setToolTip(hint);
        twin->setEnabled(false);
        twin->setGeometry(b->geometry());
        twin->raise();
    }
    return b;
}

void TMainForm::buildParameterPage(QWidget *page)
{
    m_paramEditor = new TParamEditor(page);
    m_paramEditor->setGeometry(4, 4, EditorWidth, EditorHeight);

    m_progress = named(new QProgressBar(page), "Progress");
    m_progress->setRange(0, ProgressMaximum);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(4, EditorHeight + 10, EditorWidth, 18);

    makeCommandButton(page, QStringLiteral("spbOpen"), QStringLiteral("Megnyitás"), QStringLiteral("Adatok beolvasása fájlból"), 4, false);
    makeCommandButton(page, QStringLiteral("spbSave"), QStringLiteral("Mentés"), QStringLiteral("Adatok mentése fájlba"), 58, false);
    // Never shown, kept for the language files.
    for (const char *name : {"spbOpenDisabled", "spbSaveDisabled"}) {
        auto *twin = named(new QToolButton(page), name);
        twin->setEnabled(false);
        twin->hide();
    }
    m_commands[0] = makeCommandButton(page, QStringLiteral("spbReadModule"), QStringLiteral("Olvasás"),
                                      QStringLiteral("Adatok kiolvasása a modulból"), 124, true);
    m_commands[1] = makeCommandButton(page, QStringLiteral("spbWriteModule"), QStringLiteral("Írás"),
                                      QStringLiteral("Adatok beírása a modulba"), 178, true);
    // Split at the prefix: the whole word is wider than the button column.
    m_commands[2] = makeCommandButton(page, QStringLiteral("spbCompareData"), QStringLiteral("Össze-\nhasonlítás"),
                                      QStringLiteral("Paraméterek összehasonlítása a modullal"), 232, true);
    m_commands[3] = makeCommandButton(page, QStringLiteral("spbChangePW"), QStringLiteral("Jelszó"),
                                      QStringLiteral("Jelszó módosítása"), 296, true);
    for (int i = 0; i < 4; ++i)
        m_twins[i] = page->findChild<QToolButton *>(m_commands[i]->objectName() + QStringLiteral("Disabled"));

    auto *stop = named(new QPushButton(QStringLiteral("Leállítás"), page), "btnSTOP");
    stop->setGeometry(EditorWidth + 12, EditorHeight - 40, CommandButtonWidth, 40);
    QFont f = stop->font();
    f.setBold(true);
    stop->setFont(f);
    setTextColor(stop, Red);
    connect(stop, &QPushButton::clicked, this, &TMainForm::btnSTOPClick);

    // The procedures behind the command buttons. They live with the core and
    // reach this window only while it exists.
    TParamPageLinkHooks hooks;
    hooks.transportUp = [this] { return (IsUsbMode() && UsbTransportOpen()) || (IsIpMode() && RelayConnected()); };
    hooks.ipMode = [this] { return IsIpMode(); };
    hooks.relayConnected = [this] { return RelayConnected(); };
    m_paramCommands = new TParamPageCommands(m_core, *this, hooks);
    // A module lost while a procedure waited (cable pulled, relay gone) has
    // already cleared lbVersion; the procedure's last step must not make its
    // commands usable again.
    connect(m_paramCommands, &TParamPageCommands::transferFinished, this, [this] {
        if (ModuleVersion().isEmpty())
            DisableModuleCommands();
    });
    const auto wire = [this, page](const char *name, TParamPageCommands *commands, void (TParamPageCommands::*slot)()) {
        if (auto *button = page->findChild<QToolButton *>(QLatin1String(name))) {
            connect(button, &QToolButton::clicked, this, &TMainForm::FocusDummy);
            connect(button, &QToolButton::clicked, commands, slot);
        }
    };
    wire("spbReadModule", m_paramCommands, &TParamPageCommands::spbReadModuleClick);
    wire("spbWriteModule", m_paramCommands, &TParamPageCommands::spbWriteModuleClick);
    wire("spbCompareData", m_paramCommands, &TParamPageCommands::spbCompareDataClick);
    wire("spbOpen", m_paramCommands, &TParamPageCommands::spbOpenClick);
    wire("spbSave", m_paramCommands, &TParamPageCommands::spbSaveClick);
}

void TMainForm::buildTimersPanel()
{
    // Diagnostics: beyond the right edge of the client area.
    auto *box = named(new QGroupBox(QStringLiteral("Timers"), this), "GroupBox7");
    box->setGeometry(WindowWidth + 20, 40, 420, 520);
    m_btnTimerChecker = named(new QPushButton(QStringLiteral("Start"), box), "btnTimerChecker");
    m_btnTimerChecker->setGeometry(10, 20, 100, 26);
    setTextColor(m_btnTimerChecker, Red);
    connect(m_btnTimerChecker, &QPushButton::clicked, this, &TMainForm::btnTimerCheckerClick);

    auto inWindow = [](QWidget *owner, const char *name) -> std::function<QTimer *()> {
        QPointer<QWidget> guard(owner);
        const QString n = QLatin1String(name);
        return [guard, n]() -> QTimer * { return guard ? guard->findChild<QTimer *>(n) : nullptr; };
    };
    auto inObject = [](QObject *owner, const char *name) -> std::function<QTimer *()> {
        QPointer<QObject> guard(owner);
        const QString n = QLatin1String(name);
        return [guard, n]() -> QTimer * { return guard ? guard->findChild<QTimer *>(n) : nullptr; };
    };
    using Getter = std::function<QTimer *()>;
    const std::pair<const char *, QList<std::pair<QString, Getter>>> groups[] = {
        {"MainForm",
         {{"TimerConnectStatus", [this] { return TimerConnectStatus; }},
          {"GetVersionTimer", [this] { return GetVersionTimer; }},
          {"Time100msTimer", [this] { return &m_core.Wait.Time100msTimer; }},
          {"PWShowFormTimer", [this] { return PWShowFormTimer; }},
          {"PWTimer", [this] { return PWTimer; }},
          {"WatchTimer", [this] { return WatchTimer; }}}},
        {"GPRSSocket",
         {{"RemoteConnTimer", inWindow(m_windows.GPRS, "RemoteConnTimer")},
          {"DecreaseTimer", inWindow(m_windows.GPRS, "DecreaseTimer")}}},
        {"Communication", {{"IdentificationTimer", inObject(this, "IdentificationTimer")}}},
        {"USBCommunicator",
         {{"QueueTimer", inObject(this, "USBQueueTimer")}, {"RefreshTimer", inObject(this, "USBRefreshTimer")}}},
        {"MemoWriter", {{"MemoTimer", [this] { return &m_core.Memos.MemoTimer; }}}},
        {"PasswordChange", {{"pwtimer", inWindow(m_windows.NewPW, "pwtimer")}}},
    };
    int y = 56;
    for (const auto &[groupName, lines] : groups) {
        auto *caption = new QLabel(QLatin1String(groupName), box);
        caption->setGeometry(10, y, 200, 18);
        QFont f = caption->font();
        f.setBold(true);
        caption->setFont(f);
        y += 20;
        for (const auto &[lineName, getter] : lines) {
            TimerLine line;
            line.name = lineName;
            line.timer = getter;
            auto *name = new QLabel(line.name, box);
            name->setGeometry(20, y, 160, 18);
            line.interval = new QLabel(box);
            line.interval->setObjectName(QStringLiteral("lbInterval_") + line.name);
            line.interval->setGeometry(190, y, 80, 18);
            line.state = new QLabel(box);
            line.state->setObjectName(QStringLiteral("lbState_") + line.name);
            line.state->setGeometry(280, y, 120, 18);
            m_timerLines.append(line);
            y += 20;
        }
    }
    ResetTimersPanel();
}

// ===========================================================================
// Operations

void TMainForm::SetConnectionIndicator(TConnectionIndicator state)
{
    m_indicator = state;
    m_imgNone->setVisible(state == TConnectionIndicator::NONE);
    m_imgSearch->setVisible(state == TConnectionIndicator::SEARCH);
    m_imgOk->setVisible(state == TConnectionIndicator::OK);
    m_imgInvalid->setVisible(state == TConnectionIndicator::INVALID);
}

void TMainForm::SetTransportIcon(TTransportKind kind)
{
    m_imgUSB->setVisible(kind == TTransportKind::USB);
    m_imgInternet->setVisible(kind == TTransportKind::INTERNET);
}

void TMainForm::EnableModuleCommands()
{
    for (int i = 0; i < 4; ++i) {
        m_commands[i]->setVisible(true);
        m_twins[i]->setVisible(false);
    }
}

void TMainForm::DisableModuleCommands()
{
    for (int i = 0; i < 4; ++i) {
        m_commands[i]->setVisible(false);
        m_twins[i]->setVisible(true);
        m_twins[i]->raise();
    }
}

void TMainForm::ResetStatusDisplay()
{
    for (QLabel *label : std::as_const(m_statusLabels)) {
        label->setText(QStringLiteral("."));
        setTextColor(label, Black);
    }
    m_panClock->setText(QStringLiteral("00:00"));
    m_pbTerero->setValue(0);
    m_lbGSMpowVal->setText(QStringLiteral("0"));
}

void TMainForm::StopLinkTimers()
{
    TimerConnectStatus->stop();
    GetVersionTimer->stop();
    PWTimer->stop();
}

void TMainForm::SetProgressColor(const QColor &color)
{
    QPalette pal = m_progress->palette();
    pal.setColor(QPalette::Highlight, color);
    m_progress->setPalette(pal);
}

QColor TMainForm::ProgressColor() const
{
    return m_progress->palette().color(QPalette::Highlight);
}

void TMainForm::ShowMessage(const QString &text)
{
    if (m_windows.Message)
        m_windows.Message->ShowMessage(text);
}

bool TMainForm::IsUsbMode() const
{
    return m_rbUSB->isChecked();
}

bool TMainForm::IsIpMode() const
{
    return m_rbIPmode->isChecked();
}

QString TMainForm::ModuleVersion() const
{
    return m_lbVersion->text();
}

void TMainForm::SetModuleVersion(const QString &version)
{
    m_lbVersion->setText(version);
}

void TMainForm::paramProc(const QStringList &arguments)
{
    if (arguments.isEmpty())
        return;
    bool isNumber = false;
    const int port = arguments.first().trimmed().toInt(&isNumber);
    if (!isNumber) {
        ShowMessage(m_core.Texts.text(QStringLiteral("lbTXT_BAD_PORT_NUMBER")));
        return;
    }
    if (port >= 1 && port <= 65535)
        SetServerPort(QString::number(port));
}

void TMainForm::ModuleIdentified(const QString &version)
{
    SetModuleVersion(version);
    EnableModuleCommands();
    SetConnectionIndicator(TConnectionIndicator::OK);
}

void TMainForm::ModuleRejected()
{
    GetVersionTimer->stop();
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    DisableModuleCommands();
    SetConnectionIndicator(TConnectionIndicator::NONE);
}

void TMainForm::onRestart()
{
    close();
}

// ===========================================================================
// Start-up and mode switching

void TMainForm::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_startupPending && !m_firstShowDone) {
        m_firstShowDone = true;
        FirstShow();
    }
}

void TMainForm::FirstShow()
{
    Guarded("extract language files", [this] { ExtractLanguageFiles(); });

    const QString language = ReadSetting(QStringLiteral("LANGUAGE"), QStringLiteral("LNG_CODE"), QStringLiteral("UNKNOWN"));
    const char *button = "spbHU";
    if (language == QLatin1String("ENG"))
        button = "spbENG";
    else if (language == QLatin1String("SK"))
        button = "spbSK";
    else if (language == QLatin1String("RO"))
        button = "spbRO";
    if (auto *b = findChild<QToolButton *>(QLatin1String(button)))
        b->click();

    m_cbSavePWD->setChecked(ReadSetting(QStringLiteral("GPRS"), QStringLiteral("PWD_STORE"), QStringLiteral("False"))
                            == QLatin1String("True"));

    const bool allowed = ReadSetting(QStringLiteral("VERSION_CHECK"), QStringLiteral("ALLOWED"), QStringLiteral("True"))
                         == QLatin1String("True");
    if (m_windows.Update) {
        if (auto *cb = m_windows.Update->findChild<QCheckBox *>(QStringLiteral("cbAllowDownloadQuery")))
            cb->setChecked(allowed);
    }
    Guarded("update check set-up", [this, allowed] {
        SetupUpdateCheck(allowed);
        if (allowed)
            StartUpdateCheck(true);
    });

    m_btnUSBConnect->click();

    EventListCreated = false;
    paramProc(m_arguments);
    m_startupPending = false;

    Guarded("relay settings", [this] { LoadRelaySettings(); });
}

void TMainForm::btnUSBConnectClick()
{
    EnterUsbMode(false);
}

void TMainForm::rbUSBClick()
{
    FocusDummy();
    EnterUsbMode(true);
}

void TMainForm::EnterUsbMode(bool chosenByUser)
{
    SetConnectionIndicator(TConnectionIndicator::NONE);
    SetTransportIcon(TTransportKind::USB);
    if (chosenByUser) {
        ResetStatusDisplay();
        DisableModuleCommands();
        StopLinkTimers();
    }
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    for (QWidget *w : std::initializer_list<QWidget *>{m_btGPRS_Disconnect, m_edServerIP, m_edSerialNr, m_edPWD,
                                                       m_memoGPRS, m_btClearMemoGPRS})
        w->setEnabled(false);
    if (chosenByUser)
        m_cbSavePWD->setEnabled(false);
    Guarded("relay disconnect", [this] { btGPRS_DisconnectClick(); });
    if (chosenByUser)
        m_core.Link.PasswordAcceptedFlag = false;
    m_btGPRS_Connect->setEnabled(false);
    SetModuleVersion(QString());
    Guarded("create USB transport", [this] { CreateUsbTransport(); });
    TimerConnectStatus->start();
}

void TMainForm::rbIPmodeClick()
{
    FocusDummy();
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    StopLinkTimers();
    ResetStatusDisplay();
    SetTransportIcon(TTransportKind::INTERNET);
    SetConnectionIndicator(TConnectionIndicator::NONE);
    SetModuleVersion(QString());
    DisableModuleCommands();
    TimerConnectStatus->stop();
    m_btGPRS_Connect->setEnabled(true);
    m_btGPRS_Disconnect->setEnabled(false);
    for (QWidget *w : std::initializer_list<QWidget *>{m_edServerIP, m_edSerialNr, m_edPWD, m_memoGPRS,
                                                       m_btClearMemoGPRS, m_cbSavePWD})
        w->setEnabled(true);
    m_core.Link.PasswordAcceptedFlag = false;
}

void TMainForm::btGPRS_DisconnectClick()
{
    FocusDummy();
    Guarded("relay disconnect", [this] { RelayDisconnect(); });
}

void TMainForm::btDetailsClick()
{
    FocusDummy();
    if (m_windows.Details) {
        m_windows.Details->show();
        m_windows.Details->raise();
    }
    Guarded("announce view change", [this] { AnnounceViewChange(); });
}

void TMainForm::btnSTOPClick()
{
    m_core.Wait.StopRequested = true;
    FocusDummy();
}

void TMainForm::btClearMsgClick()
{
    FocusDummy();
    m_memoState->clear();
}

void TMainForm::pcMainChange(int index)
{
    if (IsIpMode() && index == 1)
        Guarded("announce view change", [this] { AnnounceViewChange(); });
}

void TMainForm::FocusDummy()
{
    m_btnFocusDummy->setFocus();
}

bool TMainForm::TransmitFrame(const QByteArray &wireFrame)
{
    if (IsUsbMode() && UsbTransportOpen())
        return UsbWrite(wireFrame);
    if (IsIpMode() && RelayConnected())
        return RelayWrite(wireFrame);
    return false;
}

// ===========================================================================
// Link-state check and version poll

void TMainForm::TimerConnectStatusTimer()
{
    Guarded("link-state check", [this] {
        const bool usb = IsUsbMode();
        const bool up = (usb && UsbTransportOpen()) || (IsIpMode() && RelayConnected());
        if (!up) {
            SetConnectionIndicator(TConnectionIndicator::NONE);
            return;
        }
        if (usb && m_core.ModulePassword.isEmpty()) {
            // The timer keeps running; the window opens once while it is up.
            if (m_windows.PWForm && !m_windows.PWForm->isVisible())
                m_windows.PWForm->ShowModal();
            return;
        }
        SetConnectionIndicator(TConnectionIndicator::SEARCH);
        if (ModuleVersion().isEmpty()) {
            PWTimer->start();
            GetVersionTimer->start();
        } else {
            GetVersionTimer->stop();
        }
        TimerConnectStatus->stop();
    });
}

void TMainForm::GetVersionTimerTimer()
{
    // Asks for the version block until a version is shown; the identification
    // handler acts on the answer.
    if (VersionPollTick(m_core.Link, !ModuleVersion().isEmpty())) {
        GetVersionTimer->stop();
        SetConnectionIndicator(TConnectionIndicator::OK);
    }
}

// ===========================================================================
// Diagnostic timers panel

void TMainForm::btnTimerCheckerClick()
{
    if (WatchTimer->isActive()) {
        WatchTimer->stop();
        m_btnTimerChecker->setText(QStringLiteral("Start"));
        setTextColor(m_btnTimerChecker, Red);
        ResetTimersPanel();
    } else {
        WatchTimer->start();
        m_btnTimerChecker->setText(QStringLiteral("Stop"));
        setTextColor(m_btnTimerChecker, Green);
    }
}

void TMainForm::SetDiagnosticTimer(const QString &name, QTimer *timer)
{
    for (TimerLine &line : m_timerLines) {
        if (line.name == name)
            line.assigned = timer;
    }
}

void TMainForm::ResetTimersPanel()
{
    for (const TimerLine &line : std::as_const(m_timerLines)) {
        line.interval->setText(QStringLiteral("-1"));
        line.state->setText(QStringLiteral("Unknown"));
        setTextColor(line.state, Black);
    }
}

void TMainForm::WatchTimerTimer()
{
    WatchTimer->stop();
    for (const TimerLine &line : std::as_const(m_timerLines)) {
        const QTimer *t = line.assigned ? line.assigned.data() : (line.timer ? line.timer() : nullptr);
        if (!t) {
            line.interval->setText(QStringLiteral("-1"));
            line.state->setText(QStringLiteral("Unknown"));
            setTextColor(line.state, Black);
            continue;
        }
        line.interval->setText(QString::number(t->interval()));
        // The watch timer itself is stopped while it writes: show it as running.
        const bool active = t == WatchTimer || t->isActive();
        line.state->setText(active ? QStringLiteral("Enabled") : QStringLiteral("Disabled"));
        setTextColor(line.state, active ? Green : Red);
    }
    WatchTimer->start();
}

// ===========================================================================
// Close

void TMainForm::closeEvent(QCloseEvent *event)
{
    if (!m_closing)
        FormClose();
    event->accept();
}

void TMainForm::FormClose()
{
    m_closing = true;
    // A procedure caught in a wait ends its wait now.
    m_core.Wait.Closing = true;
    Guarded("relay disconnect", [this] { btGPRS_DisconnectClick(); });
    Guarded("timers", [this] {
        PWShowFormTimer->stop();
        StopLinkTimers();
        TimerConnectStatus->stop();
        GetVersionTimer->stop();
        m_core.Wait.Time100msTimer.stop();
        m_core.Memos.MemoTimer.stop();
        PWTimer->stop();
        WatchTimer->stop();
    });
    Guarded("hide", [this] {
        repaint();
        hide();
    });
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    Guarded("close windows", [this] {
        if (m_windows.Message)
            m_windows.Message->close();
        if (m_windows.Welcome)
            m_windows.Welcome->close();
    });
    Guarded("delete temporary files", [this] { DeleteTemporaryFiles(); });
}

// ===========================================================================
// Hooks, filled by the subsystems they belong to.

bool TMainForm::CreateUsbTransport()
{
    ReleaseUsbTransport();   // never two readers
    m_usb = new TCommunicator(this);
    m_usb->SetOnData([this](const QByteArray &bytes) { m_core.Link.ReceiveLinkBytes(bytes); });
    connect(m_usb, &TCommunicator::openFailed, this, [this](const QString &) {
        ShowMessage(m_core.Texts.text(QStringLiteral("lbTXT_DEVICE_OPEN_FAILED")));
    });
    // A hang-up on the open port is a removal of the device.
    connect(m_usb, &TCommunicator::deviceLost, this, &TMainForm::UsbDeviceRemoved);
    return true;
}

void TMainForm::ReleaseUsbTransport()
{
    if (!m_usb)
        return;
    TCommunicator *reader = m_usb;
    m_usb = nullptr;
    reader->CloseDevice();
    reader->SetOnData({});
    reader->disconnect(this);
    // Released from inside its own notifications too, so it goes at the next turn
    // of the event loop; it is out of this window's children at once.
    reader->setParent(nullptr);
    reader->deleteLater();
}

bool TMainForm::UsbTransportOpen() const
{
    return m_usb && m_usb->opened();
}

bool TMainForm::UsbWrite(const QByteArray &wireFrame)
{
    return m_usb && m_usb->WriteData(wireFrame) == wireFrame.size();
}

void TMainForm::WireUsbAndPassword()
{
    m_identification = new TIdentification(m_core.Link, m_core.Texts, this);
    connect(m_identification, &TIdentification::identified, this, &TMainForm::ModuleIdentified);
    connect(m_identification, &TIdentification::rejected, this, [this](const QString &message) {
        ShowMessage(message);
        ModuleRejected();
    });

    m_deviceWatcher = new TDeviceWatcher(this);
    connect(m_deviceWatcher, &TDeviceWatcher::deviceArrived, this, &TMainForm::UsbDeviceArrived);
    connect(m_deviceWatcher, &TDeviceWatcher::deviceRemoved, this, &TMainForm::UsbDeviceRemoved);

    connect(&m_core.Link, &TLink::passwordRequired, this, [this] {
        PWTimer->stop();
        if (m_windows.PWForm)
            m_windows.PWForm->ShowNonModal();
    });
    connect(&m_core.Link, &TLink::passwordAccepted, this, [this] {
        m_twins[3]->setVisible(false);
        m_commands[3]->setVisible(true);
    });
    connect(&m_core.Link, &TLink::passwordChanged, this, [this] {
        if (m_windows.NewPW)
            m_windows.NewPW->hide();
    });
    connect(m_commands[3], &QToolButton::clicked, this, [this] {
        if (m_windows.NewPW) {
            m_windows.NewPW->show();
            m_windows.NewPW->raise();
        }
    });
    if (auto *send = findChild<QPushButton *>(QStringLiteral("btnSendPassword")))
        connect(send, &QPushButton::clicked, this, [this] {
            Requests::SendLoginPassword(m_core.Link, m_core.ModulePassword);
        });
}

bool TMainForm::UsbDeviceStillPresent() const
{
    return m_usb && m_usb->opened() && QFileInfo::exists(m_usb->location());
}

void TMainForm::UsbDeviceRemoved()
{
    if (!IsUsbMode() || m_closing || UsbDeviceStillPresent())
        return;
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    SetModuleVersion(QString());
    DisableModuleCommands();
    SetConnectionIndicator(TConnectionIndicator::NONE);
}

void TMainForm::UsbDeviceArrived()
{
    // A transfer on the open module must not be cut because some other device came.
    if (!IsUsbMode() || m_closing || UsbDeviceStillPresent())
        return;
    Guarded("release USB transport", [this] { ReleaseUsbTransport(); });
    Guarded("create USB transport", [this] { CreateUsbTransport(); });
    TimerConnectStatus->start();
}

void TMainForm::RelayDisconnect()
{
}

bool TMainForm::RelayConnected() const
{
    return false;
}

bool TMainForm::RelayWrite(const QByteArray &wireFrame)
{
    Q_UNUSED(wireFrame);
    return false;
}

void TMainForm::AnnounceViewChange()
{
}

QString TMainForm::ReadSetting(const QString &section, const QString &key, const QString &defaultValue) const
{
    Q_UNUSED(section);
    Q_UNUSED(key);
    return defaultValue;
}

void TMainForm::LoadRelaySettings()
{
}

void TMainForm::SaveSettings()
{
}

void TMainForm::ExtractLanguageFiles()
{
}

void TMainForm::SelectLanguage(const QString &code)
{
    // Only the built-in Hungarian texts ship with this version: another
    // language button says so and leaves Hungarian selected, so the panel
    // never claims a language the windows do not show.
    if (code == QLatin1String("HUN"))
        return;
    if (auto *hu = findChild<QToolButton *>(QStringLiteral("spbHU")))
        hu->setChecked(true);
    ShowNotAvailable();
}

void TMainForm::ShowNotAvailable()
{
    ShowMessage(m_core.Texts.text(QStringLiteral("lbTXT_NOT_AVAILABLE")));
}

void TMainForm::DeleteTemporaryFiles()
{
}

void TMainForm::SetupUpdateCheck(bool periodic)
{
    Q_UNUSED(periodic);
}

void TMainForm::StartUpdateCheck(bool quiet)
{
    Q_UNUSED(quiet);
}

void TMainForm::FillDefaultContactIdCodes()
{
    m_paramEditor->SetDefaultEventCodes();
}

void TMainForm::PWTimerTimer()
{
    PWTimer->setInterval(TPWForm::RepeatIntervalMs);
    Requests::SendLoginPassword(m_core.Link, m_core.ModulePassword);
}

void TMainForm::PWShowFormTimerTimer()
{
}

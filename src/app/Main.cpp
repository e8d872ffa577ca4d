#include "app/Main.h"

#include "app/AppCore.h"
#include "app/DialogForm.h"
#include "app/LanguageSource.h"
#include "app/Settings.h"
#include "app/FormMessage.h"
#include "app/TimersPanel.h"
#include "Morvo3Config.h"
#include "app/UpdaterForm.h"
#include "app/Updater.h"
#include "app/WelcomeForm.h"
#include "link/Requests.h"
#include "link/SerialDetails.h"
#include "monitor/OnOffMode.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"
#include "monitor/StatusPage.h"
#include "monitor/Event_List.h"
#include "params/ParamEditor.h"
#include "params/ParamFiles.h"
#include "params/ParamPage.h"
#include "transport/ConnectionPage.h"
#include "transport/GPRSsocket.h"
#include "transport/RelayConnection.h"
#include "transport/UsbTransport.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <exception>
#include <functional>

Q_LOGGING_CATEGORY(lcApp, "morvo3.app", QtWarningMsg)

const QColor TMainForm::Red(255, 0, 0);
const QColor TMainForm::Green(0, 128, 0);

namespace {
constexpr int ImageSize = 32;

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

    // The USB cable as the session's transport in USB mode, the relay connection in IP mode.
    Session().SetUsbTransportFactory([this](QObject *parent) -> TModuleTransport * {
        return new TUsbTransport(m_core.Texts, TUsbTransport::Options(), parent);
    });
    m_relay = new TRelayConnection(m_core.Wait, m_core.Texts, Morvo3Config::RelayKey,
                                   Session().ParameterTransferActive, this);
    TModuleSession::IpSteps ipSteps;
    ipSteps.pingAndWait = [this](int flags) { return m_relay->PingAndWait(std::uint8_t(flags)); };
    ipSteps.refreshAndWait = [this] { m_relay->RefreshAndWait(); };
    ipSteps.activityFlags = [this] { return m_relay->ActivityFlags(); };
    Session().SetRelayTransport(m_relay, ipSteps);
    connect(m_relay, &TRelayConnection::memoText, &m_core.Memos, &TMemoWriter::QueueMemoText);
    connect(m_relay, &TRelayConnection::indicator, this, [this](TRelayIndicator state) {
        Session().ShowIndicator(state == TRelayIndicator::SEARCH ? TConnectionIndicator::SEARCH
                                                                  : TConnectionIndicator::NONE);
    });

    buildTopStrip();
    m_pcMain = named(new QTabWidget(this), "pcMain");
    m_pcMain->setGeometry(4, 44, WindowWidth - 8, 628);
    m_connectionPage = new TConnectionPage(Session(), *m_relay);
    connect(m_relay, &TRelayConnection::gprsLine, m_connectionPage,
            [this](const QString &line) { m_connectionPage->MemoGPRS()->AddLine(line); });
    m_statusPage = new TStatusPage(m_core.Link, m_core.Texts);
    // The procedures behind the parameter page live with the core and reach the
    // page only while it exists.
    m_paramPage = new TParamPage(Session(), m_core.Image, &m_core);
    m_pcMain->addTab(m_connectionPage, QStringLiteral("Kapcsolat"));
    m_pcMain->addTab(m_statusPage, QStringLiteral("Modul állapot"));
    m_pcMain->addTab(m_paramPage, QStringLiteral("Paraméter beállítások"));
    connect(m_pcMain, &QTabWidget::currentChanged, this, &TMainForm::pcMainChange);

    m_statusPanel = named(new QLabel(this), "MainStatusPanel");
    m_statusPanel->setGeometry(4, WindowHeight - 26, WindowWidth - 8, 22);
    m_statusPanel->setFrameShape(QFrame::StyledPanel);
    m_statusPanel->setFrameShadow(QFrame::Sunken);

    m_btnUSBConnect = named(new QPushButton(QStringLiteral("USB"), this), "btnUSBConnect");
    m_btnUSBConnect->hide();
    connect(m_btnUSBConnect, &QPushButton::clicked, this, [this] { Session().EnterUsbMode(TModeSwitch::Startup); });
    m_btnFocusDummy = named(new QPushButton(this), "btnFocusDummy");
    m_btnFocusDummy->setGeometry(0, 0, 0, 0);

    buildTimersPanel();

    // Pages: a used control hands the focus back to the frame.
    connect(m_connectionPage, &TConnectionPage::focusAway, this, &TMainForm::FocusDummy);
    connect(m_statusPage, &TStatusPage::focusAway, this, &TMainForm::FocusDummy);
    connect(m_paramPage, &TParamPage::focusAway, this, &TMainForm::FocusDummy);
    connect(m_connectionPage, &TConnectionPage::saveSettingsRequested, this,
            [this] { Guarded("save settings", [this] { SaveSettings(); }); });
    connect(m_connectionPage, &TConnectionPage::relayDisconnected, this, &TMainForm::ResetStatusDisplay);
    m_connectionPage->SetOverwriteQuestion([this] {
        if (!m_windows.Dialog)
            return false;
        // The dialog keeps its built-in question: "Overwriting previous password, are you sure?"
        return m_windows.Dialog->exec() == TFormDialog::ResultYes;
    });
    // A check the user asks for runs whatever ALLOWED says, and tells its result.
    connect(m_connectionPage, &TConnectionPage::updateCheckRequested, this, [this] { StartUpdateCheck(false); });
    connect(m_statusPage, &TStatusPage::detailsRequested, this, &TMainForm::btDetailsClick);
    connect(m_statusPage, &TStatusPage::longEventListRequested, this, &TMainForm::btLongEventListClick);
    if (auto *send = m_statusPage->findChild<QPushButton *>(QStringLiteral("btnSendPassword")))
        connect(send, &QPushButton::clicked, this,
                [this] { Requests::SendLoginPassword(m_core.Link, Session().ModulePassword); });
    connect(m_paramPage, &TParamPage::showRequested, this, [this] {
        m_pcMain->setCurrentWidget(m_paramPage);
        raise();
        activateWindow();
    });
    connect(m_paramPage, &TParamPage::changePasswordRequested, this, [this] {
        if (m_windows.NewPW) {
            m_windows.NewPW->show();
            m_windows.NewPW->raise();
        }
    });
    if (m_windows.OnOffMode)
        m_paramPage->Editor()->SetOnOffModeForm(m_windows.OnOffMode);
    connect(m_paramPage->Editor(), &TParamEditor::testNowClicked, this,
            [this] { Requests::SendTestReport(m_core.Link); });

    // Memo writer targets of this window; the details window adds its own.
    m_statusPage->AttachMemoWriter(m_core.Memos);
    m_statusPage->SetEventInfoForm(m_windows.EListInfo);
    m_core.Memos.SetMemo(MemoTarget::GPRS, m_connectionPage->MemoGPRS(), m_connectionPage->MemoGPRS());
    if (m_windows.Details) {
        m_windows.Details->SetVersionSource([this] { return ModuleVersion(); });
        connect(m_windows.Details, &TFormDetails::hidden, this, [this] {
            m_relay->SetDetailsVisible(false);
            if (IsIpMode())
                Guarded("announce view change", [this] { AnnounceViewChange(); });
        });
    }
    if (m_windows.Message)
        m_windows.Message->SetCentreOver(this);

    observeSession();
    SetupLanguageSource();

    // Creation steps.
    Session().ParameterTransferActive = false;
    Session().ModulePassword = QString::fromLatin1(Morvo3Config::DefaultModulePassword);
    m_startupPending = true;
    m_core.Link.PasswordAcceptedFlag = false;
    Guarded("default Contact ID codes", [this] { m_paramPage->Editor()->SetDefaultEventCodes(); });
}

TMainForm::~TMainForm()
{
    Guarded("save settings", [this] { SaveSettings(); });
    // A window destroyed without the close sequence still leaves no language files behind.
    Guarded("delete temporary files", [this] { DeleteTemporaryFiles(); });
}

TModuleSession &TMainForm::Session()
{
    return m_core.Session;
}

void TMainForm::observeSession()
{
    TModuleSession &session = Session();
    connect(&session, &TModuleSession::message, this, &TMainForm::ShowMessage);
    connect(&session, &TModuleSession::indicatorChanged, this, &TMainForm::SetConnectionIndicator);
    connect(&session, &TModuleSession::modeChanged, this, &TMainForm::ModeChanged);
    const auto showVersion = [this] { m_lbVersion->setText(Session().ModuleVersion()); };
    connect(&session, &TModuleSession::moduleIdentified, this, showVersion);
    connect(&session, &TModuleSession::moduleLost, this, showVersion);
    connect(&session, &TModuleSession::passwordEntryNeeded, this, [this] {
        // Asked on every check while the link is up: the window opens once.
        if (m_windows.PWForm && !m_windows.PWForm->isVisible())
            m_windows.PWForm->ShowModal();
    });
    connect(&session, &TModuleSession::passwordRequired, this, [this] {
        if (m_windows.PWForm)
            m_windows.PWForm->ShowNonModal();
    });
    connect(&session, &TModuleSession::passwordChanged, this, [this] {
        if (m_windows.NewPW)
            m_windows.NewPW->hide();
    });
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

void TMainForm::buildTimersPanel()
{
    // Diagnostics: beyond the right edge of the client area.
    m_timersPanel = new TTimersPanel(this);
    m_timersPanel->setGeometry(WindowWidth + 20, 40, 420, 520);
    WatchTimer = &m_timersPanel->WatchTimer;
    const auto session = [this](QTimer TModuleSession::*timer) -> TTimersPanel::Getter {
        return [this, timer] { return &(Session().*timer); };
    };
    m_timersPanel->AddGroup(QStringLiteral("MainForm"),
                            {{"TimerConnectStatus", session(&TModuleSession::TimerConnectStatus)},
                             {"GetVersionTimer", session(&TModuleSession::GetVersionTimer)},
                             {"Time100msTimer", [this] { return &m_core.Wait.Time100msTimer; }},
                             {"PWShowFormTimer", session(&TModuleSession::PWShowFormTimer)},
                             {"PWTimer", session(&TModuleSession::PWTimer)},
                             {"WatchTimer", [this] { return WatchTimer; }}});
    m_timersPanel->AddGroup(QStringLiteral("GPRSSocket"),
                            {{"RemoteConnTimer", TTimersPanel::ChildOf(m_relay, "RemoteConnTimer")},
                             {"DecreaseTimer", TTimersPanel::ChildOf(m_relay, "DecreaseTimer")}});
    m_timersPanel->AddGroup(QStringLiteral("Communication"),
                            {{"IdentificationTimer", [this] { return &Session().Identification.IdentificationTimer; }}});
    // The reader's search timer; the reader comes and goes with the device.
    m_timersPanel->AddGroup(QStringLiteral("USBCommunicator"),
                            {{"RefreshTimer", TTimersPanel::ChildOf(&Session(), "USBRefreshTimer")}});
    m_timersPanel->AddGroup(QStringLiteral("MemoWriter"), {{"MemoTimer", [this] { return &m_core.Memos.MemoTimer; }}});
    m_timersPanel->AddGroup(QStringLiteral("PasswordChange"), {{"pwtimer", session(&TModuleSession::pwtimer)}});
}

void TMainForm::SetDiagnosticTimer(const QString &name, QTimer *timer)
{
    m_timersPanel->SetTimer(name, timer);
}

// ===========================================================================
// What the frame shows

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

TParamEditor *TMainForm::ParamEditor() const
{
    return m_paramPage->Editor();
}

TParamPageCommands *TMainForm::ParamCommands() const
{
    return m_paramPage->Commands();
}

void TMainForm::EnableModuleCommands()
{
    m_paramPage->EnableModuleCommands();
}

void TMainForm::DisableModuleCommands()
{
    m_paramPage->DisableModuleCommands();
}

void TMainForm::ResetStatusDisplay()
{
    m_statusPage->ResetStatusDisplay();
}

void TMainForm::SetProgressColor(const QColor &color)
{
    m_paramPage->SetProgressColor(color);
}

QColor TMainForm::ProgressColor() const
{
    return m_paramPage->ProgressColor();
}

void TMainForm::ShowMessage(const QString &text)
{
    if (m_windows.Message)
        m_windows.Message->ShowMessage(text);
}

bool TMainForm::IsUsbMode() const
{
    return m_core.Session.IsUsbMode();
}

bool TMainForm::IsIpMode() const
{
    return m_core.Session.IsIpMode();
}

QString TMainForm::ModuleVersion() const
{
    return m_core.Session.ModuleVersion();
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
    if (port >= 1 && port <= 65535) {
        SetServerPort(QString::number(port));
        m_relay->SetServerPort(quint16(port));
    }
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
    Guarded("read settings", [this] { m_settings = Settings::LoadSettings(m_core.SettingsPath); });

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

    if (auto *savePwd = findChild<QCheckBox *>(QStringLiteral("cbSavePWD")))
        savePwd->setChecked(ReadSetting(QStringLiteral("GPRS"), QStringLiteral("PWD_STORE"), QStringLiteral("False"))
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

void TMainForm::ModeChanged(TConnectionMode mode, TModeSwitch how)
{
    const bool ip = mode == TConnectionMode::IP;
    SetTransportIcon(ip ? TTransportKind::INTERNET : TTransportKind::USB);
    if (ip || how == TModeSwitch::User)
        ResetStatusDisplay();
    m_lbVersion->setText(ModuleVersion());
}

void TMainForm::btDetailsClick()
{
    FocusDummy();
    if (m_windows.Details) {
        m_windows.Details->show();
        m_windows.Details->raise();
        m_relay->SetDetailsVisible(true);
    }
    Guarded("announce view change", [this] { AnnounceViewChange(); });
}

void TMainForm::pcMainChange(int index)
{
    m_relay->SetStatusPageShown(m_pcMain->widget(index) == m_statusPage);
    if (IsIpMode() && index == 1)
        Guarded("announce view change", [this] { AnnounceViewChange(); });
}

void TMainForm::FocusDummy()
{
    m_btnFocusDummy->setFocus();
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
    Guarded("relay disconnect", [this] { RelayDisconnect(); });
    Guarded("timers", [this] {
        m_core.Wait.Time100msTimer.stop();
        m_core.Memos.MemoTimer.stop();
        WatchTimer->stop();
    });
    Guarded("hide", [this] {
        repaint();
        hide();
    });
    // Timers stopped and the cable let go.
    Guarded("session", [this] { Session().Shutdown(); });
    Guarded("close windows", [this] {
        if (m_windows.Message)
            m_windows.Message->close();
        if (m_windows.Welcome)
            m_windows.Welcome->close();
        if (m_eventList)
            m_eventList->close();
    });
    Guarded("delete temporary files", [this] { DeleteTemporaryFiles(); });
}

// ===========================================================================
// Hooks, filled by the subsystems they belong to.

void TMainForm::RelayDisconnect()
{
    Session().DisconnectRelay();
}

void TMainForm::AnnounceViewChange()
{
    // Refreshes only mean something to a relay session that is up.
    if (m_relay->Connected)
        m_relay->AnnounceViewChange();
}

QString TMainForm::ReadSetting(const QString &section, const QString &key, const QString &defaultValue) const
{
    if (section == QLatin1String("LANGUAGE") && key == QLatin1String("LNG_CODE"))
        return m_settings.LanguageCode;
    if (section == QLatin1String("GPRS") && key == QLatin1String("PWD_STORE"))
        return m_settings.SavePassword ? QStringLiteral("True") : QStringLiteral("False");
    if (section == QLatin1String("VERSION_CHECK") && key == QLatin1String("ALLOWED"))
        return m_settings.UpdateCheckAllowed ? QStringLiteral("True") : QStringLiteral("False");
    return defaultValue;
}

void TMainForm::LoadRelaySettings()
{
    TConnectionPage::RelayInputs inputs;
    inputs.serverAddress = m_settings.ServerIP;
    inputs.serialNr = m_settings.SerialNr;
    inputs.password = m_settings.Password;
    m_connectionPage->LoadInputs(inputs);
}

void TMainForm::SaveSettings()
{
    // Nothing read yet, nothing to keep: a window that never showed leaves the file alone.
    if (!m_firstShowDone)
        return;
    const TConnectionPage::RelayInputs inputs = m_connectionPage->Inputs();
    TSettingsValues values = m_settings;
    values.ServerIP = inputs.serverAddress;
    values.SerialNr = inputs.serialNr;
    values.Password = inputs.password;
    values.SavePassword = inputs.savePassword;
    values.LanguageCode = Settings::LanguageCodeForIndex(m_languageIndex);
    if (m_windows.Update) {
        if (auto *cb = m_windows.Update->findChild<QCheckBox *>(QStringLiteral("cbAllowDownloadQuery")))
            values.UpdateCheckAllowed = cb->isChecked();
    }
    if (Settings::SaveSettings(m_core.SettingsPath, values))
        m_settings = values;
    else
        qCWarning(lcApp) << "settings file not written:" << m_core.SettingsPath;
}


TEventList *TMainForm::EventList() const
{
    return m_eventList.data();
}

void TMainForm::btLongEventListClick()
{
    FocusDummy();
    if (!m_eventList) {
        // Destroyed on close: the next click makes a fresh one (count 50, empty grid).
        m_eventList = new TEventList(*m_statusPage, m_core.Link, m_core.Texts);
        EventListCreated = true;
        connect(m_eventList, &QObject::destroyed, this, [this] { EventListCreated = false; });
        connect(m_eventList, &TEventList::showMessage, this, &TMainForm::ShowMessage);
        connect(&Session(), &TModuleSession::moduleLost, m_eventList, &TEventList::ConnectionLost);
        // The grid keeps its column titles in its first row, as on the status page.
        if (auto *grid = m_eventList->findChild<QTableWidget *>(QStringLiteral("cgEvents")))
            grid->setProperty("headerRow", true);
        // A window registered late takes the active language at once.
        if (m_languageSource)
            m_languageSource->AddWindow(m_eventList, QStringLiteral("EventList"),
                                        {QStringLiteral("Caption"), QStringLiteral("Hint"),
                                         QStringLiteral("ColumnHeaders")});
    }
    m_eventList->show();
    m_eventList->raise();
    m_eventList->activateWindow();
}

void TMainForm::SetupUpdateCheck(bool periodic)
{
    if (!m_updater) {
        m_updater = new TUpdater(QCoreApplication::applicationFilePath(), Update::DefaultBaseUrl(), this);
        if (!Update::EnvironmentBaseUrl().isEmpty())
            m_updater->UseOnly(Update::EnvironmentBaseUrl());
        m_updater->RestartCallback = [this](const QString &) { onRestart(); };
        if (m_windows.Update) {
            m_windows.Update->Attach(m_updater, &m_core.Texts);
            m_windows.Update->SetCentreOver(this);
            m_windows.Update->SetHungarian(m_languageIndex == -1);
        }
    }
    m_updater->Setup(QStringLiteral("GPRS_Morvo"), QStringLiteral("1.15"), periodic);
}

void TMainForm::StartUpdateCheck(bool quiet)
{
    if (m_updater)
        m_updater->StartCheck(!quiet);
}

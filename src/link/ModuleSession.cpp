#include "link/ModuleSession.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/ModuleTransport.h"
#include "link/Requests.h"

#include "Morvo3Config.h"

TModuleSession::TModuleSession(Morvo3Texts &texts, TWaitContext &wait, QObject *parent)
    : QObject(parent)
    , Link(texts, Morvo3Config::LinkKey)
    , Identification(Link, texts)
    , ModulePassword(QString::fromLatin1(Morvo3Config::DefaultModulePassword))
    , m_texts(texts)
    , m_wait(wait)
{
    setObjectName(QStringLiteral("TModuleSession"));
    // Children, so the diagnostic timers panel finds each by name.
    Identification.setParent(this);
    const auto setUp = [this](QTimer &timer, const char *name, int intervalMs) {
        timer.setParent(this);
        timer.setObjectName(QLatin1String(name));
        timer.setInterval(intervalMs);
    };
    setUp(TimerConnectStatus, "TimerConnectStatus", ConnectStatusIntervalMs);
    setUp(GetVersionTimer, "GetVersionTimer", GetVersionIntervalMs);
    setUp(PWTimer, "PWTimer", LoginFirstDelayMs);
    setUp(PWShowFormTimer, "PWShowFormTimer", PWShowFormIntervalMs);
    setUp(pwtimer, "pwtimer", ChangeNewPasswordDelayMs);
    connect(&TimerConnectStatus, &QTimer::timeout, this, &TModuleSession::TimerConnectStatusTimer);
    connect(&GetVersionTimer, &QTimer::timeout, this, &TModuleSession::GetVersionTimerTimer);
    connect(&PWTimer, &QTimer::timeout, this, &TModuleSession::PWTimerTimer);
    connect(&pwtimer, &QTimer::timeout, this, &TModuleSession::pwtimerTimer);

    Link.setTransmitter([this](const QByteArray &frame) { return TransmitWireFrame(frame); });
    connect(&Link, &TLink::showMessage, this, &TModuleSession::message);
    connect(&Link, &TLink::statusComplete, this, &TModuleSession::statusReport);
    connect(&Link, &TLink::eventRecordComplete, this, &TModuleSession::eventRecord);
    connect(&Link, &TLink::passwordRequired, this, [this] {
        // The module wants the password (again): the entry window's "OK" restarts the logins.
        PWTimer.stop();
        emit passwordRequired();
    });
    connect(&Link, &TLink::passwordAccepted, this, &TModuleSession::passwordAccepted);
    connect(&Link, &TLink::passwordChanged, this, &TModuleSession::passwordChanged);

    connect(&Identification, &TIdentification::identified, this, [this](const QString &version) {
        SetVersion(version);
        SetIndicator(TConnectionIndicator::OK);
        emit moduleIdentified(version);
    });
    connect(&Identification, &TIdentification::rejected, this, [this](const QString &text) {
        // Not a module this program may configure: polling stops and the cable is let go.
        emit message(text);
        GetVersionTimer.stop();
        if (m_usb)
            m_usb->ReleaseModule();
        SetIndicator(TConnectionIndicator::NONE);
        emit moduleRejected(text);
    });
}

TModuleSession::~TModuleSession()
{
    Link.setTransmitter({});
}

// ===========================================================================
// Mode and transport

void TModuleSession::EnterUsbMode(TModeSwitch how)
{
    const bool byUser = how == TModeSwitch::User;
    m_mode = TConnectionMode::USB;
    SetIndicator(TConnectionIndicator::NONE);
    if (byUser)
        StopLinkTimers();
    if (m_usb)
        m_usb->Close();
    DisconnectRelay();
    if (byUser)
        Link.PasswordAcceptedFlag = false;
    SetVersion(QString());
    if (!m_usb && m_usbFactory) {
        m_usb = m_usbFactory(this);
        if (m_usb)
            ConnectTransport(m_usb);
    }
    emit modeChanged(m_mode, how);
    if (m_usb)
        m_usb->Open();
    if (how != TModeSwitch::Tool)
        TimerConnectStatus.start();
}

void TModuleSession::EnterIpMode()
{
    m_mode = TConnectionMode::IP;
    if (m_usb)
        m_usb->Close();
    StopLinkTimers();
    SetIndicator(TConnectionIndicator::NONE);
    SetVersion(QString());
    TimerConnectStatus.stop();
    Link.PasswordAcceptedFlag = false;
    emit modeChanged(m_mode, TModeSwitch::User);
}

void TModuleSession::ConnectTransport(TModuleTransport *transport)
{
    connect(transport, &TModuleTransport::bytesReceived, this, [this, transport](const QByteArray &bytes) {
        // Only the transport of the selected mode speaks for the module.
        if (transport != ActiveTransport())
            return;
        BytesIn += bytes.size();
        Link.ReceiveLinkBytes(bytes);
    });
    connect(transport, &TModuleTransport::message, this, &TModuleSession::message);
    connect(transport, &TModuleTransport::up, this, &TModuleSession::transportUp);
    connect(transport, &TModuleTransport::lost, this, [this, transport] {
        if (transport == ActiveTransport())
            TransportLost();
    });
    connect(transport, &TModuleTransport::restarted, this, [this] {
        if (!m_shutdown)
            TimerConnectStatus.start();
    });
}

void TModuleSession::SetRelayTransport(TModuleTransport *relay, const IpSteps &steps)
{
    if (m_relay)
        m_relay->disconnect(this);
    m_relay = relay;
    m_ipSteps = steps;
    if (!m_relay)
        return;
    ConnectTransport(m_relay);
    // A relay session that comes up starts the link-state check, as the cable does.
    connect(m_relay, &TModuleTransport::up, this, [this] {
        if (IsIpMode() && !m_shutdown)
            TimerConnectStatus.start();
    });
}

void TModuleSession::DisconnectRelay()
{
    if (m_relay)
        m_relay->Disconnect();
}

void TModuleSession::ForgetModule()
{
    SetVersion(QString());
    Link.PasswordAcceptedFlag = false;
    emit moduleLost();
}

void TModuleSession::TransportLost()
{
    if (m_shutdown)
        return;
    SetVersion(QString());
    SetIndicator(TConnectionIndicator::NONE);
    emit transportDown();
    emit moduleLost();
}

TModuleTransport *TModuleSession::ActiveTransport() const
{
    return IsUsbMode() ? m_usb.data() : m_relay.data();
}

bool TModuleSession::TransportUp() const
{
    const TModuleTransport *t = ActiveTransport();
    return t && t->IsUp();
}

bool TModuleSession::RelayConnected() const
{
    return m_relay && m_relay->IsUp();
}

bool TModuleSession::TransmitWireFrame(const QByteArray &wireFrame)
{
    TModuleTransport *t = ActiveTransport();
    if (!t || !t->IsUp())
        return false;
    BytesOut += wireFrame.size();
    return t->Write(wireFrame);
}

bool TModuleSession::PingAndWait(int activityFlags)
{
    return m_ipSteps.pingAndWait && m_ipSteps.pingAndWait(activityFlags);
}

void TModuleSession::RefreshAndWait()
{
    if (m_ipSteps.refreshAndWait)
        m_ipSteps.refreshAndWait();
}

int TModuleSession::ActivityFlags() const
{
    return m_ipSteps.activityFlags ? m_ipSteps.activityFlags() : 0;
}

// ===========================================================================
// Link state

void TModuleSession::SetIndicator(TConnectionIndicator indicator)
{
    m_indicator = indicator;
    emit indicatorChanged(indicator);
}

void TModuleSession::SetVersion(const QString &version)
{
    m_version = version;
}

void TModuleSession::StopLinkTimers()
{
    TimerConnectStatus.stop();
    GetVersionTimer.stop();
    PWTimer.stop();
}

void TModuleSession::Shutdown()
{
    m_shutdown = true;
    PWShowFormTimer.stop();
    StopLinkTimers();
    pwtimer.stop();
    if (m_usb)
        m_usb->Close();
    DisconnectRelay();
}

void TModuleSession::TimerConnectStatusTimer()
{
    if (!TransportUp()) {
        SetIndicator(TConnectionIndicator::NONE);
        return;
    }
    if (IsUsbMode() && ModulePassword.isEmpty()) {
        // The timer keeps running; the entry window opens once while it is up.
        emit passwordEntryNeeded();
        return;
    }
    SetIndicator(TConnectionIndicator::SEARCH);
    if (m_version.isEmpty()) {
        PWTimer.start();
        GetVersionTimer.start();
    } else {
        GetVersionTimer.stop();
    }
    TimerConnectStatus.stop();
}

void TModuleSession::GetVersionTimerTimer()
{
    // Asks for the version block until a version is known; the identification
    // handler acts on the answer.
    if (VersionPollTick(Link, !m_version.isEmpty())) {
        GetVersionTimer.stop();
        SetIndicator(TConnectionIndicator::OK);
    }
}

// ===========================================================================
// Password

void TModuleSession::PWTimerTimer()
{
    PWTimer.setInterval(LoginRepeatMs);
    Requests::SendLoginPassword(Link, ModulePassword);
}

void TModuleSession::SubmitLoginPassword(const QString &password)
{
    ModulePassword = password;
    PWTimer.setInterval(LoginFirstDelayMs);
    PWTimer.start();
}

void TModuleSession::LoginNow()
{
    PWTimerTimer();
    PWTimer.start();
}

bool TModuleSession::StartPasswordChange(const QString &oldPassword, const QString &newPassword)
{
    if (oldPassword != ModulePassword)
        return false;
    ModulePassword = oldPassword;
    m_pendingNewPassword = newPassword;
    PWTimer.setInterval(ChangeLoginWithOldDelayMs);
    PWTimer.start();
    pwtimer.start();
    Link.PasswordAcceptedFlag = false;
    return true;
}

void TModuleSession::pwtimerTimer()
{
    pwtimer.stop();
    PWTimer.stop();
    Requests::SendNewPassword(Link, m_pendingNewPassword);
    // From here on the new password is the module password, confirmed or not.
    ModulePassword = m_pendingNewPassword;
    PWTimer.setInterval(ChangeLoginWithNewDelayMs);
    PWTimer.start();
    emit newPasswordSent();
}

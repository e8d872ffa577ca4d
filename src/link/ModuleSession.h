#pragma once
// The module session: everything about the one module the program talks to,
// without a window. It owns the connection mode, the active transport (USB
// cable or IP relay), the routing of wire frames, the link-state check, the
// identification poll and the module's version, the password timers and the
// module password. Pages, windows and the command-line tool observe it through
// its signals and never keep a copy of its state.

#include "link/Communication.h"
#include "link/Identification.h"
#include "link/ModuleTransport.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

class Morvo3Texts;
class TWaitContext;

enum class TConnectionMode { USB, IP };
enum class TConnectionIndicator { NONE, SEARCH, OK, INVALID };

// How a switch to USB mode came about.
enum class TModeSwitch {
    Startup,   // the program's own switch at start-up
    User,      // the user chose the mode
    Tool,      // a command-line run: no periodic link-state check, the tool logs in itself
};

class TModuleSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int ConnectStatusIntervalMs = 1000;
    static constexpr int GetVersionIntervalMs = Identification::VersionPollIntervalMs;
    static constexpr int PWShowFormIntervalMs = 1000;
    // The password timeline: the first login a second after the password is
    // given, then every 3 s; a change logs in with the old password after 1 s,
    // sends the new one at 2 s and logs in with it from 6 s on.
    static constexpr int LoginFirstDelayMs = 1000;
    static constexpr int LoginRepeatMs = 3000;
    static constexpr int ChangeLoginWithOldDelayMs = 1000;
    static constexpr int ChangeNewPasswordDelayMs = 2000;
    static constexpr int ChangeLoginWithNewDelayMs = 4000;

    using TransportFactory = std::function<TModuleTransport *(QObject *parent)>;

    // The IP-mode steps of the module procedures; the relay connection gives them.
    struct IpSteps
    {
        std::function<bool(int activityFlags)> pingAndWait;
        std::function<void()> refreshAndWait;
        std::function<int()> activityFlags;
    };

    TModuleSession(Morvo3Texts &texts, TWaitContext &wait, QObject *parent = nullptr);
    ~TModuleSession() override;

    Morvo3Texts &Texts() const { return m_texts; }
    TWaitContext &Wait() const { return m_wait; }

    TLink Link;
    TIdentification Identification;
    QTimer TimerConnectStatus;
    QTimer GetVersionTimer;
    QTimer PWTimer;
    QTimer PWShowFormTimer;   // never started; kept for the timers panel
    QTimer pwtimer;           // the delay before a new password goes out

    // Password sent to the module; the build's default until the user types one.
    QString ModulePassword;
    // True while a parameter read, write or compare runs.
    bool ParameterTransferActive = false;
    // Link bytes exchanged with the module through any transport.
    qint64 BytesOut = 0;
    qint64 BytesIn = 0;

    // ---- mode and transport
    // Makes the USB transport when USB mode is entered the first time.
    void SetUsbTransportFactory(TransportFactory factory) { m_usbFactory = std::move(factory); }
    TConnectionMode Mode() const { return m_mode; }
    bool IsUsbMode() const { return m_mode == TConnectionMode::USB; }
    bool IsIpMode() const { return m_mode == TConnectionMode::IP; }
    void EnterUsbMode(TModeSwitch how);
    void EnterIpMode();
    // The relay connection carries the frames in IP mode once it is up; it is
    // set once by the owner, with the IP-mode steps it gives the procedures.
    void SetRelayTransport(TModuleTransport *relay, const IpSteps &steps);
    TModuleTransport *RelayTransport() const { return m_relay; }
    // Ends the relay session the polite way when there is one.
    void DisconnectRelay();
    // The user ended the relay session: the module is forgotten.
    void ForgetModule();
    // The transport of the selected mode is up.
    bool TransportUp() const;
    bool RelayConnected() const;
    TModuleTransport *UsbTransport() const { return m_usb; }
    TModuleTransport *ActiveTransport() const;
    // Hands a wire frame to the transport of the selected mode.
    bool TransmitWireFrame(const QByteArray &wireFrame);

    // ---- IP-mode steps (no-ops without a relay)
    bool PingAndWait(int activityFlags);
    void RefreshAndWait();
    int ActivityFlags() const;
    bool HasIpSteps() const { return bool(m_ipSteps.activityFlags); }

    // ---- link state
    QString ModuleVersion() const { return m_version; }
    TConnectionIndicator Indicator() const { return m_indicator; }
    // The indicator as a transport sees it while it connects.
    void ShowIndicator(TConnectionIndicator indicator) { SetIndicator(indicator); }
    void StopLinkTimers();
    // Ends everything for good: timers stopped, transports closed. The window's close.
    void Shutdown();
    bool ShuttingDown() const { return m_shutdown; }

    // ---- password
    // The password entry's "OK": the first login a second later.
    void SubmitLoginPassword(const QString &password);
    // The password change's "OK". false (and nothing changes) when oldPassword
    // is not the module password.
    bool StartPasswordChange(const QString &oldPassword, const QString &newPassword);
    // A login now, and again every 3 s (tools and the hidden send button).
    void LoginNow();
    bool PasswordAccepted() const { return Link.PasswordAcceptedFlag; }

signals:
    void modeChanged(TConnectionMode mode, TModeSwitch how);
    void indicatorChanged(TConnectionIndicator indicator);
    void transportUp();
    void transportDown();
    void moduleIdentified(const QString &version);
    void moduleRejected(const QString &message);
    // The module is gone (cable pulled, relay closed): its version is cleared.
    void moduleLost();
    // No module password is known while the link is up: ask for one (modal).
    void passwordEntryNeeded();
    void passwordRequired();
    void passwordAccepted();
    void passwordChanged();
    // The new password went out (the change window closes).
    void newPasswordSent();
    void statusReport();
    void eventRecord();
    // For the message window.
    void message(const QString &text);

private:
    void SetIndicator(TConnectionIndicator indicator);
    void SetVersion(const QString &version);
    void ConnectTransport(TModuleTransport *transport);
    void TransportLost();
    void TimerConnectStatusTimer();
    void GetVersionTimerTimer();
    void PWTimerTimer();
    void pwtimerTimer();

    Morvo3Texts &m_texts;
    TWaitContext &m_wait;
    TConnectionMode m_mode = TConnectionMode::USB;
    TConnectionIndicator m_indicator = TConnectionIndicator::NONE;
    QString m_version;
    QString m_pendingNewPassword;
    TransportFactory m_usbFactory;
    QPointer<TModuleTransport> m_usb;
    QPointer<TModuleTransport> m_relay;
    IpSteps m_ipSteps;
    bool m_shutdown = false;
};

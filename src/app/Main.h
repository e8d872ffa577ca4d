#pragma once
// The main window: three pages (connection, module status, parameters), the
// connection mode switch, the module commands' visible state, the link-state
// check, the message window, the STOP request and the orderly close.

#include <QByteArray>
#include <QColor>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

class TAppCore;
class TWelcomeForm;
class TFormDetails;
class TGPRS;
class TPWForm;
class TFormDialog;
class TFormUpdate;
class TMessageForm;
class TNewPW;
class TEListInfoForm;
class TFormOnOffMode;
class TFormProgress;
class TTextContainer;
class TParamEditor;
class TParamPageCommands;
class TMemoControl;
class QAbstractButton;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QToolButton;
class TCommunicator;
class TDeviceWatcher;
class TIdentification;

// The windows created before the main window; the main window uses them but
// does not own them.
struct TAppWindows
{
    TWelcomeForm *Welcome = nullptr;
    TFormDetails *Details = nullptr;
    TGPRS *GPRS = nullptr;
    TPWForm *PWForm = nullptr;
    TFormDialog *Dialog = nullptr;
    TFormUpdate *Update = nullptr;
    TMessageForm *Message = nullptr;
    TNewPW *NewPW = nullptr;
    TEListInfoForm *EListInfo = nullptr;
    TFormOnOffMode *OnOffMode = nullptr;
    TFormProgress *Progress = nullptr;
    TTextContainer *TextContainer = nullptr;
};

enum class TConnectionIndicator { NONE, SEARCH, OK, INVALID };
enum class TTransportKind { USB, INTERNET };

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int WindowWidth = 1110;
    static constexpr int WindowHeight = 700;
    static constexpr int EditorWidth = 1000;
    static constexpr int EditorHeight = 560;
    static constexpr int ConnectStatusIntervalMs = 1000;
    static constexpr int GetVersionIntervalMs = 4000;
    static constexpr int PWTimerIntervalMs = 1000;
    static constexpr int PWShowFormIntervalMs = 1000;
    static constexpr int WatchIntervalMs = 1000;
    static constexpr int ProgressMaximum = 44;
    static constexpr int GsmLevelMaximum = 31;
    static constexpr int EventGridRows = 9;
    static constexpr int EventGridColumns = 17;
    static constexpr int EventGridRowHeight = 18;
    static constexpr int RefreshEventCount = 8;
    static constexpr const char *DefaultServerPort = "3333";
    static constexpr const char *Caption = "GPRS Morvo3 v1.15";

    static const QColor Red;
    static const QColor Green;
    static const QColor Blue;
    static const QColor Black;

    // arguments: the command line without the program name.
    TMainForm(TAppCore &core, const TAppWindows &windows, const QStringList &arguments,
              QWidget *parent = nullptr);
    ~TMainForm() override;

    TAppCore &Core() { return m_core; }
    const TAppWindows &Windows() const { return m_windows; }
    TParamEditor *ParamEditor() const { return m_paramEditor; }
    // The parameter page's read / write / compare / open / save procedures.
    TParamPageCommands *ParamCommands() const { return m_paramCommands; }

    // ---- operations used by the other subsystems
    void SetConnectionIndicator(TConnectionIndicator state);
    TConnectionIndicator ConnectionIndicator() const { return m_indicator; }
    void SetTransportIcon(TTransportKind kind);
    void EnableModuleCommands();
    void DisableModuleCommands();
    void ResetStatusDisplay();
    void StopLinkTimers();
    void SetProgressColor(const QColor &color);
    QColor ProgressColor() const;
    void ShowMessage(const QString &text);
    void paramProc(const QStringList &arguments);
    // Names the timer the diagnostic panel shows on the line called name
    // (RemoteConnTimer, DecreaseTimer, IdentificationTimer, QueueTimer,
    // RefreshTimer, pwtimer ...). Unset lines look the timer up by name among
    // the owner's children and show "Unknown" when there is none.
    void SetDiagnosticTimer(const QString &name, QTimer *timer);

    bool IsUsbMode() const;
    bool IsIpMode() const;
    // The identification text of the connected module (lbVersion), empty while none.
    QString ModuleVersion() const;
    void SetModuleVersion(const QString &version);
    // The relay server's TCP port as text ("3333" unless the command line gives another).
    QString ServerPort() const { return m_serverPort; }
    void SetServerPort(const QString &port) { m_serverPort = port; }
    bool StartupPending() const { return m_startupPending; }
    bool FirstShowDone() const { return m_firstShowDone; }
    // Counter of the password window's display timer (the password logic keeps it).
    int PWShowFormCounter = 0;
    bool EventListCreated = false;

    QTimer *TimerConnectStatus = nullptr;
    QTimer *GetVersionTimer = nullptr;
    QTimer *PWTimer = nullptr;
    QTimer *PWShowFormTimer = nullptr;
    QTimer *WatchTimer = nullptr;

public slots:
    // A compatible module identified itself.
    void ModuleIdentified(const QString &version);
    // The module is not compatible: polling stops and the USB device is released.
    void ModuleRejected();
    // Restart request of the update check: close the main window.
    void onRestart();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // ---- building the window
    void buildTopStrip();
    void buildConnectionPage(QWidget *page);
    void buildStatusPage(QWidget *page);
    void buildParameterPage(QWidget *page);
    void buildTimersPanel();
    QToolButton *makeCommandButton(QWidget *page, const QString &name, const QString &text,
                                   const QString &hint, int y, bool withTwin);

    // ---- event handlers
    void FirstShow();
    void btnUSBConnectClick();  // USB mode, start-up variant
    void rbUSBClick();          // USB mode chosen by the user
    void rbIPmodeClick();
    void EnterUsbMode(bool chosenByUser);
    void btGPRS_DisconnectClick();
    void btDetailsClick();
    void btnSTOPClick();
    void btClearMsgClick();
    void pcMainChange(int index);
    void TimerConnectStatusTimer();
    void GetVersionTimerTimer();
    void btnTimerCheckerClick();
    void WatchTimerTimer();
    void ResetTimersPanel();
    void FocusDummy();
    // Answer of the controls whose function this version does not carry.
    void ShowNotAvailable();
    bool TransmitFrame(const QByteArray &wireFrame);
    void FormClose();

    // ---- hooks of the frame: filled by the transports, the relay, the settings,
    // the language files and the update check. Until then they do nothing and
    // the frame still starts, switches modes and closes.
    bool CreateUsbTransport();
    void ReleaseUsbTransport();
    bool UsbTransportOpen() const;
    bool UsbWrite(const QByteArray &wireFrame);
    void RelayDisconnect();
    bool RelayConnected() const;
    bool RelayWrite(const QByteArray &wireFrame);
    void AnnounceViewChange();
    QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue) const;
    void LoadRelaySettings();
    void SaveSettings();
    void ExtractLanguageFiles();
    void SelectLanguage(const QString &code);
    void DeleteTemporaryFiles();
    void SetupUpdateCheck(bool periodic);
    void StartUpdateCheck(bool quiet);
    void FillDefaultContactIdCodes();
    void PWTimerTimer();
    void PWShowFormTimerTimer();

    // ---- USB reader, device changes, identification and password windows
    void WireUsbAndPassword();
    void UsbDeviceArrived();
    void UsbDeviceRemoved();
    // The open reader's port is still there: a change concerns another device.
    bool UsbDeviceStillPresent() const;

    // Runs one step of a teardown or check; an error is traced and skipped.
    template <typename F> void Guarded(const char *step, F &&f);

    struct TimerLine
    {
        QString name;
        std::function<QTimer *()> timer;
        QPointer<QTimer> assigned;
        QLabel *interval = nullptr;
        QLabel *state = nullptr;
    };

    TAppCore &m_core;
    TAppWindows m_windows;
    QStringList m_arguments;
    QString m_serverPort;
    TConnectionIndicator m_indicator = TConnectionIndicator::NONE;
    bool m_startupPending = true;
    bool m_firstShowDone = false;
    bool m_closing = false;

    QTabWidget *m_pcMain = nullptr;
    QLabel *m_lbVersion = nullptr;
    QLabel *m_imgNone = nullptr;
    QLabel *m_imgOk = nullptr;
    QLabel *m_imgSearch = nullptr;
    QLabel *m_imgInvalid = nullptr;
    QLabel *m_imgUSB = nullptr;
    QLabel *m_imgInternet = nullptr;
    QLabel *m_statusPanel = nullptr;
    QRadioButton *m_rbUSB = nullptr;
    QRadioButton *m_rbIPmode = nullptr;
    QLineEdit *m_edServerIP = nullptr;
    QLineEdit *m_edSerialNr = nullptr;
    QLineEdit *m_edPWD = nullptr;
    QCheckBox *m_cbSavePWD = nullptr;
    QPushButton *m_btGPRS_Connect = nullptr;
    QPushButton *m_btGPRS_Disconnect = nullptr;
    QPushButton *m_btClearMemoGPRS = nullptr;
    TMemoControl *m_memoGPRS = nullptr;
    TMemoControl *m_memoState = nullptr;
    QProgressBar *m_pbTerero = nullptr;
    QLabel *m_lbGSMpowVal = nullptr;
    QLabel *m_panClock = nullptr;
    QTableWidget *m_cgEvents = nullptr;
    QProgressBar *m_progress = nullptr;
    TParamEditor *m_paramEditor = nullptr;
    TParamPageCommands *m_paramCommands = nullptr; // owned by the core, outlives the window
    QPushButton *m_btnUSBConnect = nullptr;
    QPushButton *m_btnFocusDummy = nullptr;
    QPushButton *m_btnTimerChecker = nullptr;
    QToolButton *m_commands[4] = {};
    QToolButton *m_twins[4] = {};
    QList<QLabel *> m_statusLabels;
    QList<TimerLine> m_timerLines;

    QPointer<TCommunicator> m_usb;
    TDeviceWatcher *m_deviceWatcher = nullptr;
    TIdentification *m_identification = nullptr;
};

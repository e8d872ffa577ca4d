#pragma once
// The main window: a frame around three pages (connection, module status,
// parameters). It holds the caption, the module's version, the link indicator,
// the language buttons, the diagnostic timers panel, start-up and the orderly
// close. The module's state lives in the session (TModuleSession); the frame and
// its pages only show it.

#include "app/Settings.h"
#include "link/ModuleSession.h"

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
class TUpdater;
class TMessageForm;
class TNewPW;
class TEListInfoForm;
class TFormOnOffMode;
class TFormProgress;
class TTextContainer;
class TEventList;
class TParamEditor;
class TParamPage;
class TParamPageCommands;
class TStatusPage;
class TConnectionPage;
class TTimersPanel;
class TRelayConnection;
class TLanguageSource;
class QLabel;
class QPushButton;
class QTabWidget;

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

enum class TTransportKind { USB, INTERNET };

class TMainForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int WindowWidth = 1110;
    static constexpr int WindowHeight = 700;
    static constexpr const char *DefaultServerPort = "3333";
    static constexpr const char *Caption = "GPRS Morvo3 v1.15";

    static const QColor Red;
    static const QColor Green;

    // arguments: the command line without the program name.
    TMainForm(TAppCore &core, const TAppWindows &windows, const QStringList &arguments,
              QWidget *parent = nullptr);
    ~TMainForm() override;

    TAppCore &Core() { return m_core; }
    TModuleSession &Session();
    const TAppWindows &Windows() const { return m_windows; }
    TConnectionPage *ConnectionPage() const { return m_connectionPage; }
    TStatusPage *StatusPage() const { return m_statusPage; }
    TParamPage *ParamPage() const { return m_paramPage; }
    TParamEditor *ParamEditor() const;
    TRelayConnection *Relay() const { return m_relay; }
    // The parameter page's read / write / compare / open / save procedures.
    TParamPageCommands *ParamCommands() const;

    // ---- what the frame shows
    void SetConnectionIndicator(TConnectionIndicator state);
    TConnectionIndicator ConnectionIndicator() const { return m_indicator; }
    void SetTransportIcon(TTransportKind kind);
    void EnableModuleCommands();
    void DisableModuleCommands();
    void ResetStatusDisplay();
    void SetProgressColor(const QColor &color);
    QColor ProgressColor() const;
    void ShowMessage(const QString &text);
    void paramProc(const QStringList &arguments);
    // Names the timer the diagnostic panel shows on the line called name
    // (RemoteConnTimer, DecreaseTimer, IdentificationTimer, RefreshTimer,
    // pwtimer ...). Unset lines look the timer up by name among its owner's
    // children and show "Unknown" when there is none.
    void SetDiagnosticTimer(const QString &name, QTimer *timer);

    bool IsUsbMode() const;
    bool IsIpMode() const;
    // The identification text of the connected module, empty while none.
    QString ModuleVersion() const;
    // The relay server's TCP port as text ("3333" unless the command line gives another).
    QString ServerPort() const { return m_serverPort; }
    void SetServerPort(const QString &port) { m_serverPort = port; }
    bool StartupPending() const { return m_startupPending; }
    bool FirstShowDone() const { return m_firstShowDone; }
    bool EventListCreated = false;
    // btLongEventList: creates the long event list window when none exists, and shows it.
    void btLongEventListClick();
    TEventList *EventList() const;

    QTimer *WatchTimer = nullptr;

    // ---- languages
    // Applies language index (-1 Hungarian, 0 English, 1 Slovak, 2 Romanian)
    // to every localized window, as the language buttons do.
    bool SetLanguage(int index);
    int LanguageIndex() const { return m_languageIndex; }
    // The windows localized through it; a window created later (the long event
    // list) registers itself here and takes the active language at once.
    TLanguageSource *LanguageSource() const { return m_languageSource; }
    // The language files written next to the executable (empty until the first show).
    QStringList ExtractedLanguageFiles() const { return m_extractedFiles; }

public slots:
    // Restart request of the update check: close the main window.
    void onRestart();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildTopStrip();
    void buildTimersPanel();
    void observeSession();

    void FirstShow();
    void btDetailsClick();
    void pcMainChange(int index);
    void ModeChanged(TConnectionMode mode, TModeSwitch how);
    void FocusDummy();
    void FormClose();

    // ---- hooks of the frame: filled by the relay, the settings, the language
    // files and the update check. Until then they do nothing and the frame
    // still starts, switches modes and closes.
    void RelayDisconnect();
    void AnnounceViewChange();
    QString ReadSetting(const QString &section, const QString &key, const QString &defaultValue) const;
    void LoadRelaySettings();
    void SaveSettings();
    void ExtractLanguageFiles();
    void SelectLanguage(const QString &code);
    void DeleteTemporaryFiles();
    void SetupUpdateCheck(bool periodic);
    void StartUpdateCheck(bool quiet);

public:
    // The update check, once the first show has set it up (null before).
    TUpdater *Updater() const { return m_updater; }

private:

    // Runs one step of a teardown or check; an error is traced and skipped.
    template <typename F> void Guarded(const char *step, F &&f);

    TAppCore &m_core;
    TUpdater *m_updater = nullptr;
    TAppWindows m_windows;
    QStringList m_arguments;
    QString m_serverPort;
    TConnectionIndicator m_indicator = TConnectionIndicator::NONE;
    bool m_startupPending = true;
    bool m_firstShowDone = false;
    bool m_closing = false;

    QTabWidget *m_pcMain = nullptr;
    TConnectionPage *m_connectionPage = nullptr;
    TStatusPage *m_statusPage = nullptr;
    TParamPage *m_paramPage = nullptr;
    QPointer<TEventList> m_eventList;
    QLabel *m_lbVersion = nullptr;
    QLabel *m_imgNone = nullptr;
    QLabel *m_imgOk = nullptr;
    QLabel *m_imgSearch = nullptr;
    QLabel *m_imgInvalid = nullptr;
    QLabel *m_imgUSB = nullptr;
    QLabel *m_imgInternet = nullptr;
    QLabel *m_statusPanel = nullptr;
    QPushButton *m_btnUSBConnect = nullptr;
    QPushButton *m_btnFocusDummy = nullptr;
    TTimersPanel *m_timersPanel = nullptr;
    TRelayConnection *m_relay = nullptr;
    // The settings file as read at the first show.
    TSettingsValues m_settings;
    // The active language: -1 the built-in one.
    int m_languageIndex = -1;
    TLanguageSource *m_languageSource = nullptr;
    QStringList m_extractedFiles;
    void SetupLanguageSource();
};

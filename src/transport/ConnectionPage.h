#pragma once
// The connection page: the choice between the USB cable and the IP relay, the
// relay's server, serial number and password, its log (MemoGPRS) and the link to
// the update check. It switches the session's mode and follows it.

#include <QWidget>
#include <functional>

class TModuleSession;
class TRelayConnection;
class TMemoControl;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TConnectionPage : public QWidget
{
    Q_OBJECT
public:
    TConnectionPage(TModuleSession &session, TRelayConnection &relay, QWidget *parent = nullptr);

    TMemoControl *MemoGPRS() const { return m_memoGPRS; }

    // The relay inputs as the settings file keeps them.
    struct RelayInputs
    {
        QString serverAddress;
        QString serialNr;
        QString password;
        bool savePassword = false;
    };
    RelayInputs Inputs() const;
    // Fills the fields; the password becomes the stored server password.
    void LoadInputs(const RelayInputs &inputs);
    void SetSavePassword(bool save);
    QString StoredServerPassword() const { return m_storedPassword; }
    // The question before a typed password replaces the stored one; true for Yes.
    void SetOverwriteQuestion(std::function<bool()> ask) { m_askOverwrite = std::move(ask); }

    void btGPRS_ConnectClick();
    void btGPRS_DisconnectClick();

signals:
    // A control was used: the frame moves the focus to its dummy button.
    void focusAway();
    void updateCheckRequested();
    // The user confirmed a new server password: the settings are written now.
    void saveSettingsRequested();
    // The user ended the relay session (the status display is reset).
    void relayDisconnected();

private:
    void ApplyMode(bool ipMode, bool byUser);
    void ShowRelayIdle();

    TModuleSession &m_session;
    TRelayConnection &m_relay;
    QString m_storedPassword;
    std::function<bool()> m_askOverwrite;
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
};

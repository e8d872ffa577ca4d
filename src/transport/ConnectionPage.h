#pragma once
// The connection page: the choice between the USB cable and the IP relay, the
// relay's server, serial number and password, its log (MemoGPRS) and the link to
// the update check. It switches the session's mode and follows it.

#include <QWidget>

class TModuleSession;
class TMemoControl;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TConnectionPage : public QWidget
{
    Q_OBJECT
public:
    explicit TConnectionPage(TModuleSession &session, QWidget *parent = nullptr);

    TMemoControl *MemoGPRS() const { return m_memoGPRS; }

signals:
    // A control was used: the frame moves the focus to its dummy button.
    void focusAway();
    void connectRequested();
    void disconnectRequested();
    void updateCheckRequested();

private:
    void ApplyMode(bool ipMode, bool byUser);

    TModuleSession &m_session;
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

#pragma once
// The module password entry window. Shown modally by the link-state check when no
// module password is known, and without modality when the module asks for the
// password. "OK" takes the typed text as the module password and starts sending it.

#include <QDialog>
#include <QPointer>

#include "link/ModuleSession.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class TPWForm : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 356;
    static constexpr int ClientHeight = 98;
    static constexpr int MaxPasswordLength = 10;
    static constexpr int FirstSendDelayMs = TModuleSession::LoginFirstDelayMs;   // PWTimer interval after "OK"
    static constexpr int RepeatIntervalMs = TModuleSession::LoginRepeatMs;      // PWTimer interval once it has sent

    explicit TPWForm(TModuleSession &session, QWidget *parent = nullptr);

    // Modal for the link-state check (the user must answer before going on); a
    // window already on screen is only raised, never shown twice.
    void ShowModal();
    void ShowNonModal();
    bool Closing() const { return m_closing; }

    QLabel *lbPW;
    QLineEdit *PasswordIN;
    QPushButton *Button1;
    QPushButton *btnFocusDummy;

public slots:
    void reject() override;   // Escape does not dismiss it: the password must be answered

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void Button1Click();
    void ApplyTexts();
    void ShowWith(Qt::WindowModality modality);

    TModuleSession &m_session;
    bool m_closing = false;
};

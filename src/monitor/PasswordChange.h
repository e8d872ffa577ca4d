#pragma once
// The password change window: the old password, the new one twice (digits only).
// "OK" logs in with the old password first, sends the new one two seconds later
// and from then on logs in with the new one.

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include "link/ModuleSession.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TNewPW : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 300;
    static constexpr int ClientHeight = 144;
    static constexpr int MaxPasswordLength = 8;
    static constexpr int NewPasswordDelayMs = TModuleSession::ChangeNewPasswordDelayMs;     // pwtimer
    static constexpr int LoginWithOldDelayMs = TModuleSession::ChangeLoginWithOldDelayMs;   // PWTimer right after "OK"
    static constexpr int LoginWithNewDelayMs = TModuleSession::ChangeLoginWithNewDelayMs;   // PWTimer after the new password went out

    explicit TNewPW(TModuleSession &session, QWidget *parent = nullptr);

    QLabel *lbPWo;
    QLabel *lbPWn1;
    QLabel *lbPWn2;
    QLineEdit *edOldpw;
    QLineEdit *PasswordChange1;
    QLineEdit *PasswordChange;
    QLineEdit *edMasterCode;
    QPushButton *btNewPW;
    QPushButton *btnFocusDummy;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void ApplyTexts();
    bool InputComplete() const;
    void UpdateOkButton();
    void btNewPWClick();

    TModuleSession &m_session;
};

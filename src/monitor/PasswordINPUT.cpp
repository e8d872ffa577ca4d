#include "monitor/PasswordINPUT.h"

#include "common/FocusKeeping.h"
#include "common/Morvo3Texts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QScreen>
#include <QTimer>


TPWForm::TPWForm(TModuleSession &session, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , lbPW(new QLabel(this))
    , PasswordIN(new QLineEdit(this))
    , Button1(new QPushButton(QStringLiteral("OK"), this))
    , btnFocusDummy(new QPushButton(this))
    , m_session(session)
{
    setObjectName(QStringLiteral("TPWForm"));
    setWindowTitle(QStringLiteral("Jelszó"));
    setFixedSize(ClientWidth, ClientHeight);
    lbPW->setObjectName(QStringLiteral("lbPW"));
    lbPW->setGeometry(16, 12, 324, 18);
    PasswordIN->setObjectName(QStringLiteral("PasswordIN"));
    PasswordIN->setGeometry(16, 36, 230, 24);
    PasswordIN->setMaxLength(MaxPasswordLength);
    PasswordIN->setEchoMode(QLineEdit::Password);
    PasswordIN->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));   // '*'
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(260, 34, 80, 28);
    Button1->setDefault(true);
    btnFocusDummy->setObjectName(QStringLiteral("btnFocusDummy"));
    btnFocusDummy->setGeometry(0, 0, 0, 0);
    btnFocusDummy->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TPWForm::Button1Click);
    FocusKeeping::Mark(this);
}

void TPWForm::ApplyTexts()
{
    lbPW->setText(m_session.Texts().text(QStringLiteral("lbTXT_PW_CAPTION1")));
    setWindowTitle(m_session.Texts().text(QStringLiteral("lbTXT_PASSWORD")));
}

void TPWForm::ShowWith(Qt::WindowModality modality)
{
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    setWindowModality(modality);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

void TPWForm::ShowModal()
{
    ShowWith(Qt::ApplicationModal);
}

void TPWForm::ShowNonModal()
{
    ShowWith(Qt::NonModal);
}

void TPWForm::showEvent(QShowEvent *event)
{
    m_closing = false;
    ApplyTexts();
    QDialog::showEvent(event);
    btnFocusDummy->setFocus();
}

void TPWForm::closeEvent(QCloseEvent *event)
{
    // The window has no close box; a close from the window system is refused, a
    // close by the program (shutting down) goes through.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    m_closing = true;
    event->accept();
}

void TPWForm::reject()
{
    // No close box and no Escape: the only way out is "OK".
}

void TPWForm::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() != QEvent::ActivationChange)
        return;
    if (isActiveWindow()) {
        ApplyTexts();
        return;
    }
    // Lost to another window: take the focus back at once, every time, so the
    // password is answered. The shared rule keeps it from fighting the other
    // must-answer windows (the message window) and modal dialogs.
    QTimer::singleShot(0, this, [this] {
        if (!m_closing && FocusKeeping::MayReclaim(this)) {
            raise();
            activateWindow();
        }
    });
}

void TPWForm::Button1Click()
{
    btnFocusDummy->setFocus();
    // The first login a second from now, then every 3 s.
    m_session.SubmitLoginPassword(PasswordIN->text());
    m_closing = true;
    hide();
    setWindowModality(Qt::NonModal);
    FocusKeeping::HandBack(this);
}

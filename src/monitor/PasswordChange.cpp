#include "monitor/PasswordChange.h"

#include "common/Morvo3Texts.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace {
// Letters become capitals as they are typed; everything is accepted.
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

// Room for the longest caption, "Új jelszó még egyszer:", and its translations.
constexpr int EditLeft = 176;

QLineEdit *makePasswordEdit(QWidget *parent, const char *name, int y)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(EditLeft, y, 112, 22);
    edit->setMaxLength(TNewPW::MaxPasswordLength);
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));   // '*'
    return edit;
}

QLabel *makeLabel(QWidget *parent, const char *name, int y)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(12, y, EditLeft - 16, 22);
    return label;
}
}

TNewPW::TNewPW(TModuleSession &session, QWidget *parent)
    : QDialog(parent)
    , lbPWo(makeLabel(this, "lbPWo", 12))
    , lbPWn1(makeLabel(this, "lbPWn1", 40))
    , lbPWn2(makeLabel(this, "lbPWn2", 68))
    , edOldpw(makePasswordEdit(this, "edOldpw", 12))
    , PasswordChange1(makePasswordEdit(this, "PasswordChange1", 40))
    , PasswordChange(makePasswordEdit(this, "PasswordChange", 68))
    , edMasterCode(new QLineEdit(this))
    , btNewPW(new QPushButton(QStringLiteral("OK"), this))
    , btnFocusDummy(new QPushButton(this))
    , m_session(session)
{
    setObjectName(QStringLiteral("TNewPW"));
    setWindowTitle(QStringLiteral("Jelszó módosítása"));
    setFixedSize(ClientWidth, ClientHeight);
    lbPWo->setText(QStringLiteral("Régi jelszó:"));
    lbPWn1->setText(QStringLiteral("Új jelszó:"));
    lbPWn2->setText(QStringLiteral("Új jelszó még egyszer:"));

    edOldpw->setValidator(new UpperCaseValidator(edOldpw));
    // Only the keys 0 to 9 (and Backspace) change the new-password edits.
    const QRegularExpression digits(QStringLiteral("[0-9]*"));
    PasswordChange1->setValidator(new QRegularExpressionValidator(digits, PasswordChange1));
    PasswordChange->setValidator(new QRegularExpressionValidator(digits, PasswordChange));

    edMasterCode->setObjectName(QStringLiteral("edMasterCode"));
    edMasterCode->setMaxLength(MaxPasswordLength);
    edMasterCode->setVisible(false);

    btNewPW->setObjectName(QStringLiteral("btNewPW"));
    btNewPW->setGeometry((ClientWidth - 80) / 2, 104, 80, 28);
    btNewPW->setDefault(true);
    btNewPW->setEnabled(false);
    btnFocusDummy->setObjectName(QStringLiteral("btnFocusDummy"));
    btnFocusDummy->setGeometry(0, 0, 0, 0);
    btnFocusDummy->setAutoDefault(false);

    // A child, so that the diagnostic timers panel finds it by name.
    // The session sends the new password two seconds after "OK"; the window
    // shows what went out and closes.
    connect(&m_session, &TModuleSession::newPasswordSent, this, [this] {
        edMasterCode->setText(PasswordChange->text());
        close();
    });

    for (QLineEdit *edit : {edOldpw, PasswordChange1, PasswordChange})
        connect(edit, &QLineEdit::textChanged, this, &TNewPW::UpdateOkButton);
    connect(btNewPW, &QPushButton::clicked, this, &TNewPW::btNewPWClick);
}

void TNewPW::ApplyTexts()
{
    setWindowTitle(m_session.Texts().text(QStringLiteral("lbTXT_NEW_PW_Form_CAPTION")));
    lbPWo->setText(m_session.Texts().text(QStringLiteral("lbTXT_PW_CAPTION2")));
    lbPWn1->setText(m_session.Texts().text(QStringLiteral("lbTXT_PW_CAPTION3")));
    lbPWn2->setText(m_session.Texts().text(QStringLiteral("lbTXT_PW_CAPTION4")));
}

bool TNewPW::InputComplete() const
{
    return PasswordChange1->text() == PasswordChange->text() && !edOldpw->text().isEmpty()
        && !PasswordChange1->text().isEmpty();
}

void TNewPW::UpdateOkButton()
{
    btNewPW->setEnabled(InputComplete());
}

void TNewPW::showEvent(QShowEvent *event)
{
    ApplyTexts();
    if (InputComplete())
        btNewPW->setEnabled(true);
    QDialog::showEvent(event);
    btnFocusDummy->setFocus();
}

void TNewPW::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        ApplyTexts();
        if (InputComplete())
            btNewPW->setEnabled(true);
    }
}

void TNewPW::btNewPWClick()
{
    btnFocusDummy->setFocus();
    if (!m_session.StartPasswordChange(edOldpw->text(), PasswordChange->text())) {
        auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(),
                                    m_session.Texts().text(QStringLiteral("lbTXT_GIVEN_PWD_NOT_CORRECT")),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("msgGivenPasswordNotCorrect"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    btNewPW->setEnabled(false);
}

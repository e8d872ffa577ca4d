#include "monitor/PasswordINPUT.h"

TPWForm::TPWForm(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TPWForm"));
    setWindowTitle(QStringLiteral("Jelszó"));
}

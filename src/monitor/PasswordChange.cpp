#include "monitor/PasswordChange.h"

TNewPW::TNewPW(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TNewPW"));
    setWindowTitle(QStringLiteral("Password Change"));
}

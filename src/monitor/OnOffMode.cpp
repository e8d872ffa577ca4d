#include "monitor/OnOffMode.h"

TFormOnOffMode::TFormOnOffMode(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFormOnOffMode"));
    setWindowTitle(QStringLiteral("Élesítés / Kikapcsolás módja"));
}

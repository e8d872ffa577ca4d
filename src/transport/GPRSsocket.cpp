#include "transport/GPRSsocket.h"

TGPRS::TGPRS(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("TGPRS"));
    setWindowTitle(QStringLiteral("GPRS Server Socket "));
}

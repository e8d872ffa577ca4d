#include "monitor/ElistInfo.h"

TEListInfoForm::TEListInfoForm(QWidget *parent)
    : QWidget(parent, Qt::ToolTip)
{
    setObjectName(QStringLiteral("TEListInfoForm"));
}

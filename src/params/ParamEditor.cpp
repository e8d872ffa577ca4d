#include "params/ParamEditor.h"

TParamEditor::TParamEditor(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("ParamEditor"));
}

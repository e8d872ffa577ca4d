#pragma once
// The parameter editor of the parameter page: five tabs of controls that are the
// working copy of the module's parameters.

#include <QWidget>

class TParamEditor : public QWidget
{
    Q_OBJECT
public:
    explicit TParamEditor(QWidget *parent = nullptr);
};

#pragma once

#include <QDialog>

class TFormOnOffMode : public QDialog
{
    Q_OBJECT
public:
    explicit TFormOnOffMode(QWidget *parent = nullptr);
};

#pragma once

#include <QDialog>

class TNewPW : public QDialog
{
    Q_OBJECT
public:
    explicit TNewPW(QWidget *parent = nullptr);
};

#pragma once

#include <QDialog>

class TPWForm : public QDialog
{
    Q_OBJECT
public:
    explicit TPWForm(QWidget *parent = nullptr);
};

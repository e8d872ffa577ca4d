#pragma once
// The update dialog. The update check itself is added later; the dialog already
// carries the controls the start-up reads and sets.

#include <QDialog>

class TFormUpdate : public QDialog
{
    Q_OBJECT
public:
    explicit TFormUpdate(QWidget *parent = nullptr);
};

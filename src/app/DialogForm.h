#pragma once
// The yes/no warning dialog: Yes ends it with 1 (OK), No with 2 (Cancel).

#include <QDialog>

class QLabel;

class TFormDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ResultYes = 1;
    static constexpr int ResultNo = 2;

    explicit TFormDialog(QWidget *parent = nullptr);
    void SetText(const QString &text);
    QString Text() const;

private:
    QLabel *m_label = nullptr;
};

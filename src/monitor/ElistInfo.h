#pragma once
// The event info window (details of one event of an event grid). Filled later.

#include <QWidget>

class TEListInfoForm : public QWidget
{
    Q_OBJECT
public:
    explicit TEListInfoForm(QWidget *parent = nullptr);
};

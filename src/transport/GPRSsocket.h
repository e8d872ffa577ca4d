#pragma once
// Owner of the relay connection's socket, ciphers and timers. Never shown to the
// user; the relay itself is added later.

#include <QWidget>

class TGPRS : public QWidget
{
    Q_OBJECT
public:
    explicit TGPRS(QWidget *parent = nullptr);
};

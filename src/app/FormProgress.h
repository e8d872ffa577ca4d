#pragma once
// A progress window with a STOP speed button. Created at start-up; no procedure
// shows it. Its STOP asks the running procedure to stop, like btnSTOP.

#include <QWidget>

class TWaitContext;

class TFormProgress : public QWidget
{
    Q_OBJECT
public:
    explicit TFormProgress(TWaitContext &wait, QWidget *parent = nullptr);
};

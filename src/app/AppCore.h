#pragma once
// The program's working state without any window: the waiting helper, the text
// catalogue, the parameter image, the module link, the memo writer and the
// module password. The main window and the command-line tool each build one.

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/MemoWriter.h"
#include "params/EE_Struct.h"

#include <QObject>
#include <QString>

class TAppCore : public QObject
{
    Q_OBJECT
public:
    explicit TAppCore(QObject *parent = nullptr);
    ~TAppCore() override;

    TWaitContext Wait;
    Morvo3Texts Texts;
    TParamImage Image;
    TLink Link;
    TMemoWriter Memos;

    // Password sent to the module; the build's default until the user types one.
    QString ModulePassword;
    // True while a parameter read, write or compare runs.
    bool ParameterTransferActive = false;
};

#pragma once
// The program's working state without any window: the waiting helper, the text
// catalogue, the parameter image, the memo writer and the module session (which
// owns the link). The main window and the command-line tool each build one.

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/MemoWriter.h"
#include "link/ModuleSession.h"
#include "params/EE_Struct.h"

#include <QObject>

class TAppCore : public QObject
{
    Q_OBJECT
public:
    explicit TAppCore(QObject *parent = nullptr);
    ~TAppCore() override;

    TWaitContext Wait;
    Morvo3Texts Texts;
    TParamImage Image;
    TMemoWriter Memos;
    TModuleSession Session;
    // The session's link, named here because nearly every procedure needs it.
    TLink &Link;
    // The settings file (next to the executable, or in the user's configuration
    // folder when installed, unless a test names another).
    QString SettingsPath;
};

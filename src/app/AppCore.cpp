#include "app/AppCore.h"

#include "Morvo3Config.h"

TAppCore::TAppCore(QObject *parent)
    : QObject(parent)
    , Link(Texts, Morvo3Config::LinkKey)
    , ModulePassword(QString::fromLatin1(Morvo3Config::DefaultModulePassword))
{
    // Module texts and link traces all go through the queued memo writer.
    connect(&Link, &TLink::memoText, &Memos, &TMemoWriter::QueueMemoText);
}

TAppCore::~TAppCore()
{
    // A procedure still waiting must see that its owner is going away.
    Wait.Closing = true;
}

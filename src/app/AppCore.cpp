#include "app/AppCore.h"

#include "app/Settings.h"

TAppCore::TAppCore(QObject *parent)
    : QObject(parent)
    , Session(Texts, Wait)
    , Link(Session.Link)
    , SettingsPath(Settings::SettingsFilePath())
{
    // Module texts and link traces all go through the queued memo writer.
    connect(&Link, &TLink::memoText, &Memos, &TMemoWriter::QueueMemoText);
}

TAppCore::~TAppCore()
{
    // A procedure still waiting must see that its owner is going away.
    Wait.Closing = true;
}

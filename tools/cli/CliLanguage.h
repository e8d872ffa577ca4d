#pragma once
// morvo3-cli speaks the program's language: the one the settings file names
// (LANGUAGE/LNG_CODE of "morvo3.INI" beside the tool), or the one --lang
// hu|en|sk|ro gives. Messages come from the text catalogue in that language,
// and so does the tool's own word in "morvo3-cli: error: ...".

#include <QString>
#include <QStringList>

class Morvo3Texts;

namespace CliLanguage {

// Picks the language from the command line (--lang X or --lang=X) or else from
// settingsPath; an unknown --lang value is an error (returns false, error set)
// and leaves Hungarian.
bool Select(const QStringList &arguments, const QString &settingsPath, QString *error);
// The language index picked (-1 Hungarian, 0 English, 1 Slovak, 2 Romanian).
int Index();
// Puts the picked language into a text catalogue.
void Apply(Morvo3Texts &texts);
// "error:" in the picked language ("error:" when no language was named at
// all, the tool's documented framing).
QString ErrorWord();
// The settings file the tool reads: the program's, beside the tool.
QString DefaultSettingsPath();

} // namespace CliLanguage

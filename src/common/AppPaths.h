#pragma once
// Where the program keeps the files it writes beside itself: the settings file,
// the temporary language files and the folder the communication log is saved to.
//
// A build folder or a portable copy keeps them next to the executable, as always.
// An installed program (its folder cannot be written, or it is the folder the
// package installs to) keeps them in the user's folders instead:
//   settings file   the application configuration folder (~/.config/<app>)
//   language files  the runtime folder (/run/user/<uid>/<app>), or the cache
//                   folder (~/.cache/<app>) when there is no runtime folder
//   log folder      the application data folder (~/.local/share/<app>/logs)
// Every folder returned in the user's folders is created when missing.

#include <QString>

namespace AppPaths {
// The folder of the running executable.
QString ProgramFolder();

// True when a file can really be created in folder (a probe file is written and
// removed), so a read-only mount or a folder owned by another user counts as
// not writable, whatever the permission bits claim.
bool FolderWritable(const QString &folder);

// True when the program keeps its files next to itself: the folder can be
// written and it is not the folder the package installs the program to (running
// the installed program as root must not litter /usr/bin).
bool ProgramFolderWritable();
bool ProgramFolderWritable(const QString &programFolder);

// The settings file: the executable's base name with the extension ".INI".
QString SettingsFile();
QString SettingsFile(const QString &programFolder, const QString &baseName);

// The folder the temporary language files are written to (and deleted from).
QString LanguageFileFolder();
QString LanguageFileFolder(const QString &programFolder);

// The folder the communication details window offers for saving its log.
QString LogFolder();
QString LogFolder(const QString &programFolder);
}

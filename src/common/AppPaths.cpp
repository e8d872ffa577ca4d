#include "common/AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef MORVO3_INSTALL_BINDIR
#define MORVO3_INSTALL_BINDIR "/usr/bin"
#endif

namespace {

// Folders a package puts programs in. Root can write them, but an installed
// program must still keep its files in the user's folders there.
bool IsInstallFolder(const QString &folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return false;
    for (const char *candidate : {MORVO3_INSTALL_BINDIR, "/usr/bin", "/usr/local/bin", "/bin"}) {
        const QString installed = QFileInfo(QString::fromUtf8(candidate)).canonicalFilePath();
        if (!installed.isEmpty() && installed == canonical)
            return true;
    }
    return false;
}

// The folder, created when missing; the path is returned even if that fails, so
// that the caller's own write reports the error.
QString Ensured(const QString &folder)
{
    QDir().mkpath(folder);
    return QDir::cleanPath(folder);
}

QString ExecutableBaseName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString UserSubfolder(QStandardPaths::StandardLocation location)
{
    // The runtime folder is shared by every program of the user; the other
    // locations used here already end in the application's name.
    const QString base = QStandardPaths::writableLocation(location);
    if (location == QStandardPaths::RuntimeLocation)
        return base + QLatin1Char('/') + QCoreApplication::applicationName();
    return base;
}

} // namespace

QString AppPaths::ProgramFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool AppPaths::FolderWritable(const QString &folder)
{
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".morvo3-write-probe-XXXXXX")));
    return probe.open();   // removed again when probe goes out of scope
}

bool AppPaths::ProgramFolderWritable()
{
    return ProgramFolderWritable(ProgramFolder());
}

bool AppPaths::ProgramFolderWritable(const QString &programFolder)
{
    return !IsInstallFolder(programFolder) && FolderWritable(programFolder);
}

QString AppPaths::SettingsFile()
{
    return SettingsFile(ProgramFolder(), ExecutableBaseName());
}

QString AppPaths::SettingsFile(const QString &programFolder, const QString &baseName)
{
    const QString name = baseName + QStringLiteral(".INI");
    if (ProgramFolderWritable(programFolder))
        return QDir(programFolder).filePath(name);
    return QDir(Ensured(UserSubfolder(QStandardPaths::AppConfigLocation))).filePath(name);
}

QString AppPaths::LanguageFileFolder()
{
    return LanguageFileFolder(ProgramFolder());
}

QString AppPaths::LanguageFileFolder(const QString &programFolder)
{
    if (ProgramFolderWritable(programFolder))
        return QDir::cleanPath(programFolder);
    // The runtime folder is the user's own, emptied at logout: the right home for
    // files that live only while the program runs. Qt falls back to a folder of
    // its own (with a warning) when XDG_RUNTIME_DIR is not set; take the cache
    // folder then.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return Ensured(UserSubfolder(QStandardPaths::RuntimeLocation));
    return Ensured(UserSubfolder(QStandardPaths::CacheLocation));
}

QString AppPaths::LogFolder()
{
    return LogFolder(ProgramFolder());
}

QString AppPaths::LogFolder(const QString &programFolder)
{
    if (ProgramFolderWritable(programFolder))
        return QDir::cleanPath(programFolder);
    return Ensured(UserSubfolder(QStandardPaths::AppLocalDataLocation) + QStringLiteral("/logs"));
}

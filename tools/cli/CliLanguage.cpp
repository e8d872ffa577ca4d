#include "CliLanguage.h"

#include "app/Settings.h"
#include "common/LanguageFile.h"
#include "common/Morvo3Texts.h"

#include <QCoreApplication>
#include <QDir>

namespace {
int g_index = -1;
// Without a language named anywhere the tool keeps its documented framing.
const QString NeutralErrorWord = QStringLiteral("error:");
QString g_errorWord = NeutralErrorWord;
} // namespace

namespace CliLanguage {

bool Select(const QStringList &arguments, const QString &settingsPath, QString *error)
{
    QString code;
    bool given = false;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        if (a == QLatin1String("--lang") || a == QLatin1String("-lang")) {
            given = true;
            code = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
            ++i;
        } else if (a.startsWith(QLatin1String("--lang="))) {
            given = true;
            code = a.mid(7);
        }
    }
    int index = -1;
    bool named = given;
    if (given) {
        index = Languages::IndexForShortCode(code);
        if (index < -1) {
            if (error)
                *error = QStringLiteral("--lang takes hu, en, sk or ro");
            g_index = -1;
            g_errorWord = NeutralErrorWord;
            return false;
        }
    } else {
        const QString stored = Settings::LoadSettings(settingsPath).LanguageCode;
        index = Settings::LanguageIndexForCode(stored);
        named = index >= 0 || stored == Settings::LanguageCodeForIndex(-1);
    }
    g_index = index;
    // Hungarian, when asked for, has its own word; the others come from their files.
    g_errorWord = named ? QStringLiteral("hiba:") : NeutralErrorWord;
    if (index >= 0) {
        for (const TLanguageFile::Line &line : Languages::LoadBuiltInFile(index).Section(QStringLiteral("TextContainer")))
            if (line.first == QLatin1String("lbTXT_CLI_ERROR.Caption"))
                g_errorWord = line.second;
    }
    return true;
}

int Index()
{
    return g_index;
}

void Apply(Morvo3Texts &texts)
{
    if (g_index >= 0)
        Languages::LoadBuiltInFile(g_index).ApplyToCatalogue(texts);
}

QString ErrorWord()
{
    return g_errorWord;
}

QString DefaultSettingsPath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("morvo3.INI"));
}

} // namespace CliLanguage

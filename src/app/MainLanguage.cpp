// The main window's part in the languages: the language files written next to
// the executable at the first show and deleted at close, the four language
// buttons, and the list of localized windows.

#include "app/DialogForm.h"
#include "app/FormMessage.h"
#include "app/LanguageSource.h"
#include "app/Main.h"
#include "app/AppCore.h"
#include "app/UpdaterForm.h"
#include "common/AppPaths.h"
#include "link/SerialDetails.h"
#include "monitor/OnOffMode.h"
#include "monitor/PasswordChange.h"
#include "monitor/PasswordINPUT.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QToolButton>

Q_LOGGING_CATEGORY(lcLanguage, "morvo3.language")

namespace {
const QStringList WindowProperties{QStringLiteral("Caption"), QStringLiteral("Hint")};
const char *const ButtonForIndex[] = {"spbHU", "spbENG", "spbSK", "spbRO"};
const char *const TempSuffix[] = {"_EN_TMP.lng", "_SK_TMP.lng", "_RO_TMP.lng"};
} // namespace

void TMainForm::SetupLanguageSource()
{
    m_languageSource = new TLanguageSource(this);
    // Until the files are written, the resources themselves serve.
    m_languageSource->SetFiles({Languages::ResourcePath(0), Languages::ResourcePath(1), Languages::ResourcePath(2)});
    m_languageSource->AddWindow(this, QStringLiteral("MainForm"),
                                {QStringLiteral("Caption"), QStringLiteral("Hint"), QStringLiteral("Items"),
                                 QStringLiteral("Columns.Header")});
    m_languageSource->AddCatalogue(&m_core.Texts);
    m_languageSource->AddWindow(m_windows.Details, QStringLiteral("FormDetails"), WindowProperties);
    m_languageSource->AddWindow(m_windows.OnOffMode, QStringLiteral("FormOnOffMode"),
                                {QStringLiteral("Caption"), QStringLiteral("Hint"), QStringLiteral("Items")});
    m_languageSource->AddWindow(m_windows.Dialog, QStringLiteral("FormDialog"), WindowProperties);
    m_languageSource->AddWindow(m_windows.Update, QStringLiteral("FormUpdate"), WindowProperties);
    m_languageSource->AddWindow(m_windows.Message, QStringLiteral("MessageForm"), WindowProperties);
    m_languageSource->AddWindow(m_windows.PWForm, QStringLiteral("PWForm"), WindowProperties);
}

void TMainForm::ExtractLanguageFiles()
{
    // Next to the executable where that folder can be written, in the user's
    // runtime (or cache) folder when the program is installed.
    const QString dir = AppPaths::LanguageFileFolder();
    QDir().mkpath(dir);
    const QString prefix = QStringLiteral("GPRS_Morvo_v1.15");
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        const QString path = QDir(dir).filePath(prefix + QLatin1String(TempSuffix[i]));
        QFile resource(Languages::ResourcePath(i));
        QSaveFile out(path);
        if (resource.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly) && out.write(resource.readAll()) >= 0
            && out.commit()) {
            m_extractedFiles << path;
            files << path;
        } else {
            // A folder we may not write to: the language comes from the
            // program's own copy instead, so every button still works.
            qCWarning(lcLanguage) << "language file not written:" << path;
            files << Languages::ResourcePath(i);
        }
    }
    // The user's own English replacement: beside the program, or, when the
    // program is installed, beside the settings file.
    for (const QString &folder : {AppPaths::ProgramFolder(), QFileInfo(m_core.SettingsPath).absolutePath()}) {
        const QString own = QDir(folder).filePath(QStringLiteral("my.lng"));
        if (QFileInfo::exists(own)) {
            files[0] = own;
            break;
        }
    }
    m_languageSource->SetFiles(files);
}

void TMainForm::SelectLanguage(const QString &code)
{
    SetLanguage(Settings::LanguageIndexForCode(code));
}

bool TMainForm::SetLanguage(int index)
{
    if (!m_languageSource)
        return false;
    if (m_statusPanel)
        m_statusPanel->setText(QStringLiteral("   -   "));
    QString error;
    QStringList problems;
    const bool ok = m_languageSource->SetActiveLanguage(index, &error, &problems);
    for (const QString &p : std::as_const(problems))
        qCWarning(lcLanguage) << p;
    if (!ok) {
        qCWarning(lcLanguage) << error;
        return false;
    }
    m_languageIndex = index;
    if (index >= -1 && index <= 2) {
        if (auto *b = findChild<QToolButton *>(QLatin1String(ButtonForIndex[index + 1])))
            b->setChecked(true);
    }
    ResetStatusDisplay();
    update();
    return true;
}

void TMainForm::DeleteTemporaryFiles()
{
    for (const QString &path : std::as_const(m_extractedFiles))
        QFile::remove(path);
    m_extractedFiles.clear();
}

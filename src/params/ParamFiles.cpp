#include "params/ParamFiles.h"

#include "common/Morvo3Texts.h"
#include "common/WaitContext.h"
#include "link/ModuleSession.h"
#include "params/ParamEditor.h"
#include "params/ParamPage.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressBar>

namespace {
QString dialogTitle(const QWidget *parent)
{
    if (parent && !parent->window()->windowTitle().isEmpty())
        return parent->window()->windowTitle();
    return QStringLiteral("GPRS Morvo3");
}
}

TParamFiles::TParamFiles(Morvo3Texts &texts, TParamImage &image, ITransferHost &host, QWidget *dialogParent)
    : m_texts(texts)
    , m_image(image)
    , m_host(host)
    , m_parent(dialogParent)
{
}

void TParamFiles::setDialogs(const Dialogs &dialogs)
{
    if (dialogs.saveFileName)
        m_dialogs.saveFileName = dialogs.saveFileName;
    if (dialogs.openFileName)
        m_dialogs.openFileName = dialogs.openFileName;
    if (dialogs.askYesNo)
        m_dialogs.askYesNo = dialogs.askYesNo;
    if (dialogs.warning)
        m_dialogs.warning = dialogs.warning;
}

QString TParamFiles::defaultFileName(bool save) const
{
    QFileDialog dialog(m_parent);
    dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromLatin1(FileFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(DefaultSuffix));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

bool TParamFiles::defaultAskYesNo(const QString &text) const
{
    return QMessageBox::warning(m_parent, dialogTitle(m_parent), text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void TParamFiles::defaultWarning(const QString &text) const
{
    QMessageBox::warning(m_parent, dialogTitle(m_parent), text, QMessageBox::Ok);
}

TFileOutcome TParamFiles::spbSaveClick()
{
    m_host.BuildImageFromEditor(m_image);
    if (!m_image.IsImageValid()) {
        m_host.ShowMessage(m_texts.text(QStringLiteral("lbTXT_CANNOT_SAVE_DATA")));
        return TFileOutcome::InvalidImage;
    }
    const QString name = m_dialogs.saveFileName ? m_dialogs.saveFileName() : defaultFileName(true);
    if (name.isEmpty())
        return TFileOutcome::Cancelled;
    m_lastFileName = name;

    QString error;
    if (!WriteParamFile(name, m_image, &error)) {
        // Written through a temporary file: the target is either complete or untouched.
        const QString text = QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(name), error);
        if (m_dialogs.warning)
            m_dialogs.warning(text);
        else
            defaultWarning(text);
        return TFileOutcome::WriteFailed;
    }
    return TFileOutcome::Saved;
}

TFileOutcome TParamFiles::spbOpenClick()
{
    m_host.SetProgressColor(TProgressColor::Green);
    m_host.SetProgressMaximum(ParamFile::OpenProgressMaximum);
    m_host.SetProgressPosition(0);

    const QString name = m_dialogs.openFileName ? m_dialogs.openFileName() : defaultFileName(false);
    if (name.isEmpty())
        return TFileOutcome::Cancelled;
    m_lastFileName = name;
    const auto warn = [this](const QString &text) {
        if (m_dialogs.warning)
            m_dialogs.warning(text);
        else
            defaultWarning(text);
    };

    QByteArray data;
    QString error;
    switch (ReadParamFile(name, &data, &error)) {
    case TParamFileRead::CannotOpen:
        warn(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(name), error));
        return TFileOutcome::CannotOpen;
    case TParamFileRead::Unreadable:
        // Nothing was loaded: the editor keeps what the user has in it.
        warn(m_texts.text(QStringLiteral("lbTXT_FAILED_TO_READ_FILE")));
        return TFileOutcome::ReadFailed;
    case TParamFileRead::Ok:
        break;
    }

    if (!TParamImage::IsKvdHeader(data)) {
        const QString text = m_texts.text(QStringLiteral("lbTXT_INCOMPATIBLE_FILE")) + QStringLiteral(" :  ")
            + QString::fromLatin1(ParamImage::IdentificationString) + QStringLiteral("  <-->  ")
            + QString::fromLatin1(TParamImage::KvdHeaderText(data)) + QStringLiteral("   ")
            + m_texts.text(QStringLiteral("lbTXT_READ_DATA_ANYHOW"));
        const bool anyway = m_dialogs.askYesNo ? m_dialogs.askYesNo(text) : defaultAskYesNo(text);
        if (!anyway)
            return TFileOutcome::NotLoaded;
    }
    m_image.LoadFileBytes(data);
    m_host.LoadEditorFromImage(m_image);
    m_host.SetProgressPosition(ParamFile::OpenProgressMaximum);
    return TFileOutcome::Loaded;
}

TParamPageCommands::TParamPageCommands(TModuleSession &session, TParamImage &image, TParamPage &page,
                                       QObject *parent)
    : QObject(parent)
    , Transfer(session.Wait(), session.Texts(), image, session.Link, session.ParameterTransferActive, *this)
    , Files(session.Texts(), image, *this, &page)
    , m_session(session)
    , m_page(&page)
{
    // A page that goes away ends every wait of a running procedure; the
    // procedure then returns without reaching for the page again.
    connect(&page, &QObject::destroyed, this, [this] {
        if (Transfer.isRunning())
            m_session.Wait().Closing = true;
    });
}

bool TParamPageCommands::TransportUp()
{
    return m_page && m_session.TransportUp();
}

bool TParamPageCommands::IpMode()
{
    return m_page && m_session.IsIpMode();
}

bool TParamPageCommands::RelayConnected()
{
    return m_page && m_session.RelayConnected();
}

bool TParamPageCommands::PingAndWait(int activityFlags)
{
    return m_page && m_session.PingAndWait(activityFlags);
}

void TParamPageCommands::RefreshAndWait()
{
    if (m_page)
        m_session.RefreshAndWait();
}

int TParamPageCommands::ActivityFlags()
{
    if (m_page && m_session.HasIpSteps())
        return m_session.ActivityFlags();
    return ITransferHost::ActivityFlags();
}

void TParamPageCommands::SetProgressMaximum(int maximum)
{
    if (m_page)
        m_page->Progress()->setMaximum(maximum);
}

void TParamPageCommands::SetProgressPosition(int position)
{
    if (m_page)
        m_page->Progress()->setValue(position);
}

void TParamPageCommands::SetProgressColor(TProgressColor color)
{
    if (m_page)
        m_page->SetProgressColor(color == TProgressColor::Red ? TParamPage::Red : TParamPage::Green);
}

void TParamPageCommands::ShowMessage(const QString &text)
{
    if (m_page)
        emit m_session.message(text);
}

bool TParamPageCommands::AskYesCancel(const QString &text)
{
    if (!m_page)
        return false;
    if (askYesCancel)
        return askYesCancel(text);
    return QMessageBox::warning(m_page, dialogTitle(m_page), text, QMessageBox::Yes | QMessageBox::Cancel,
                                QMessageBox::Cancel) == QMessageBox::Yes;
}

void TParamPageCommands::EnableModuleCommands()
{
    if (m_page)
        m_page->EnableModuleCommands();
}

void TParamPageCommands::DisableModuleCommands()
{
    if (m_page)
        m_page->DisableModuleCommands();
}

void TParamPageCommands::BuildImageFromEditor(TParamImage &image)
{
    if (m_page)
        m_page->Editor()->BuildImageFromEditor(image);
}

void TParamPageCommands::LoadEditorFromImage(const TParamImage &image)
{
    if (m_page)
        m_page->Editor()->LoadEditorFromImage(image);
}

void TParamPageCommands::spbReadModuleClick()
{
    emit transferFinished(Transfer.spbReadModuleClick());
}

void TParamPageCommands::spbWriteModuleClick()
{
    emit transferFinished(Transfer.spbWriteModuleClick());
}

void TParamPageCommands::spbCompareDataClick()
{
    emit transferFinished(Transfer.spbCompareDataClick());
}

void TParamPageCommands::btShowDifferencesClick()
{
    const TTransferOutcome outcome = Transfer.ReadRestAfterCompare();
    emit transferFinished(outcome);
    if (outcome == TTransferOutcome::Success)
        emit differencesReady(FieldCatalogue::ListFieldDifferences(Transfer.TransferBuffer(),
                                                                    Transfer.ComparedEditorImage()));
}

void TParamPageCommands::spbSaveClick()
{
    emit fileFinished(Files.spbSaveClick());
}

void TParamPageCommands::spbOpenClick()
{
    emit fileFinished(Files.spbOpenClick());
}

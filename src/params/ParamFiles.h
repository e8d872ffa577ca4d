#pragma once
// The parameter page's commands: save the editor's
// parameters to a .KVD file and load one (TParamFiles), and the module
// procedures behind the page's buttons (TParamPageCommands). The dialogs are
// functions so that tests (and other front ends) can answer them.

#include "params/FieldCatalogue.h"
#include "params/ModuleTransfer.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class Morvo3Texts;
class TModuleSession;
class TParamPage;

enum class TFileOutcome {
    Saved,
    Loaded,         // the file's bytes are in the image
    NotLoaded,      // foreign header and the user said No
    Cancelled,      // the dialog was cancelled
    InvalidImage,   // save: the editor does not give a valid image
    WriteFailed,    // save: nothing was written, an existing file is untouched
    CannotOpen,     // open: the file could not be opened
    ReadFailed,     // open: shorter than its header, or a read error
};

class TParamFiles
{
public:
    struct Dialogs
    {
        // Chosen file name, or empty when cancelled.
        std::function<QString()> saveFileName;
        std::function<QString()> openFileName;
        // A modal warning with Yes and No; true for Yes.
        std::function<bool(const QString &text)> askYesNo;
        // A modal warning with one OK button.
        std::function<void(const QString &text)> warning;
    };

    static constexpr const char *FileFilter = "GPRS Morvo3 Data (*.KVD)";
    static constexpr const char *DefaultSuffix = "KVD";

    // The host gives the progress bar, the message window and the editor.
    // dialogParent owns the default dialogs (may be null).
    TParamFiles(Morvo3Texts &texts, TParamImage &image, ITransferHost &host, QWidget *dialogParent = nullptr);

    // Replaces the dialogs; an empty function keeps the standard one.
    void setDialogs(const Dialogs &dialogs);

    TFileOutcome spbSaveClick();
    TFileOutcome spbOpenClick();

    // The file name of the last save or open that got as far as the dialog.
    QString lastFileName() const { return m_lastFileName; }

private:
    QString defaultFileName(bool save) const;
    bool defaultAskYesNo(const QString &text) const;
    void defaultWarning(const QString &text) const;

    Morvo3Texts &m_texts;
    TParamImage &m_image;
    ITransferHost &m_host;
    QPointer<QWidget> m_parent;
    Dialogs m_dialogs;
    QString m_lastFileName;
};

class TParamPageCommands : public QObject, public ITransferHost
{
    Q_OBJECT
public:
    TParamPageCommands(TModuleSession &session, TParamImage &image, TParamPage &page, QObject *parent);

    TModuleTransfer Transfer;
    TParamFiles Files;
    // The Yes/Cancel warning of a read from a foreign module; replaceable in tests.
    std::function<bool(const QString &text)> askYesCancel;

    // ITransferHost
    bool TransportUp() override;
    bool IpMode() override;
    bool RelayConnected() override;
    bool PingAndWait(int activityFlags) override;
    void RefreshAndWait() override;
    int ActivityFlags() override;
    void SetProgressMaximum(int maximum) override;
    void SetProgressPosition(int position) override;
    void SetProgressColor(TProgressColor color) override;
    void ShowMessage(const QString &text) override;
    bool AskYesCancel(const QString &text) override;
    void EnableModuleCommands() override;
    void DisableModuleCommands() override;
    void BuildImageFromEditor(TParamImage &image) override;
    void LoadEditorFromImage(const TParamImage &image) override;

public slots:
    void spbReadModuleClick();
    void spbWriteModuleClick();
    void spbCompareDataClick();
    void spbSaveClick();
    void spbOpenClick();
    // After a compare stopped on a difference: reads the rest of the module
    // and, on success, the differences are ready (differencesReady).
    void btShowDifferencesClick();

signals:
    // After each procedure, with its outcome (tests and traces).
    void transferFinished(TTransferOutcome outcome);
    void fileFinished(TFileOutcome outcome);
    void differencesReady(const QList<FieldCatalogue::TFieldDifference> &differences);

private:
    TModuleSession &m_session;
    QPointer<TParamPage> m_page;
};

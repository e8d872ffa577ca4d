#pragma once
// The communication details window: the module's comments, state messages,
// modem commands and DTMF lines plus the program's send log, with pause and
// resume and a text log file. Also the memo control that all queued memo text
// goes into.

#include "link/MemoWriter.h"

#include <QPlainTextEdit>
#include <QWidget>
#include <functional>

class QPushButton;

// A read-only memo control whose lines the memo writer edits.
class TMemoControl : public QPlainTextEdit, public TMemoLines
{
public:
    explicit TMemoControl(const QString &name, QWidget *parent = nullptr);

    int LineCount() const override;
    QString LastLine() const override;
    void SetLastLine(const QString &line) override;
    void AddLine(const QString &line) override;
    void DeleteFirstLines(int count) override;

    QStringList Lines() const;
};

class TFormDetails : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ShownWidth = 600; // Memo2 lies beyond it
    static constexpr int WindowHeight = 520;

    explicit TFormDetails(TMemoWriter &writer, QWidget *parent = nullptr);

    // Where the saved log takes the module's version text from (lbVersion).
    void SetVersionSource(std::function<QString()> source) { m_versionSource = std::move(source); }
    // Asks for the log file name; empty = cancelled. Defaults to a save dialog.
    void SetFileChooser(std::function<QString()> chooser) { m_chooseFile = std::move(chooser); }
    // Reports a file that cannot be written. Defaults to the standard error box.
    void SetErrorReporter(std::function<void(const QString &)> reporter) { m_reportError = std::move(reporter); }

    bool Paused() const { return m_paused; }
    // Writes the log file; false (and the error reported) when it cannot be written.
    bool SaveLog(const QString &fileName);
    // The log's text, lines ended by CR LF.
    QString LogText() const;

signals:
    // The window was hidden (the relay learns of it in IP mode).
    void hidden();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void btStartClick();
    void btClearClick();
    void btSaveClick();

    TMemoWriter &m_writer;
    TMemoControl *m_memo2 = nullptr;
    TMemoControl *m_memo3 = nullptr;
    TMemoControl *m_memo4 = nullptr;
    TMemoControl *m_memo5 = nullptr;
    TMemoControl *m_memoDTMF = nullptr;
    QPushButton *m_btStart = nullptr;
    QPushButton *m_focusDummy = nullptr;
    bool m_paused = false;
    std::function<QString()> m_versionSource;
    std::function<QString()> m_chooseFile;
    std::function<void(const QString &)> m_reportError;
};

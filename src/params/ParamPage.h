#pragma once
// The parameter page: the editor, the progress bar, the file and module command
// buttons with their inert twins, and STOP. It observes the module session: the
// module commands are usable only while an identified module is connected.

#include <QColor>
#include <QWidget>

class TModuleSession;
class TParamEditor;
class TParamImage;
class TParamPageCommands;
class TDiffListForm;
class QPushButton;
class QProgressBar;
class QToolButton;

class TParamPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr int EditorWidth = 1000;
    static constexpr int EditorHeight = 560;
    static constexpr int ProgressMaximum = 44;
    static const QColor Red;
    static const QColor Green;

    // commandsParent owns the procedures behind the buttons: it outlives the
    // page, so a procedure still waiting when the window goes can unwind.
    TParamPage(TModuleSession &session, TParamImage &image, QObject *commandsParent, QWidget *parent = nullptr);

    TParamEditor *Editor() const { return m_editor; }
    TParamPageCommands *Commands() const { return m_commands; }

    void EnableModuleCommands();
    void DisableModuleCommands();
    // Only the password command (the module accepted the password).
    void EnablePasswordCommand();
    bool ModuleCommandsEnabled() const;
    void SetProgressColor(const QColor &color);
    QColor ProgressColor() const;
    QProgressBar *Progress() const { return m_progress; }
    TDiffListForm *DiffList() const { return m_diffList; }

signals:
    void changePasswordRequested();
    // A field of the difference list was chosen: the page should be on top.
    void showRequested();
    // A button was used: the frame moves the focus to its dummy button.
    void focusAway();

private:
    // "Show differences" is offered while a stopped compare can be continued.
    void UpdateShowDifferences();
    QToolButton *makeCommandButton(const QString &name, const QString &text, const QString &hint, int y,
                                   bool withTwin);

    TModuleSession &m_session;
    TParamEditor *m_editor = nullptr;
    QProgressBar *m_progress = nullptr;
    TParamPageCommands *m_commands = nullptr;
    QToolButton *m_moduleCommands[4] = {};
    QToolButton *m_twins[4] = {};
    QPushButton *m_btShowDifferences = nullptr;
    TDiffListForm *m_diffList = nullptr;
    bool m_offerDifferences = false;
};

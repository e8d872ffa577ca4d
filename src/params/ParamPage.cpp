#include "params/ParamPage.h"

#include "common/WaitContext.h"
#include "link/ModuleSession.h"
#include "params/DiffList.h"
#include "params/ParamEditor.h"
#include "params/ParamFiles.h"

#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

const QColor TParamPage::Red(255, 0, 0);
const QColor TParamPage::Green(0, 128, 0);

namespace {
constexpr int CommandButtonWidth = 84;
constexpr int CommandButtonHeight = 48;
}

TParamPage::TParamPage(TModuleSession &session, TParamImage &image, QObject *commandsParent, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
{
    setObjectName(QStringLiteral("tsParameterSettings"));
    m_editor = new TParamEditor(this);
    m_editor->setGeometry(4, 4, EditorWidth, EditorHeight);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("Progress"));
    m_progress->setRange(0, ProgressMaximum);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    m_progress->setGeometry(4, EditorHeight + 10, EditorWidth, 18);

    auto *open = makeCommandButton(QStringLiteral("spbOpen"), QStringLiteral("Megnyitás"),
                                   QStringLiteral("Adatok beolvasása fájlból"), 4, false);
    auto *save = makeCommandButton(QStringLiteral("spbSave"), QStringLiteral("Mentés"),
                                   QStringLiteral("Adatok mentése fájlba"), 58, false);
    // Never shown, kept for the language files.
    for (const char *name : {"spbOpenDisabled", "spbSaveDisabled"}) {
        auto *twin = new QToolButton(this);
        twin->setObjectName(QLatin1String(name));
        twin->setEnabled(false);
        twin->hide();
    }
    m_moduleCommands[0] = makeCommandButton(QStringLiteral("spbReadModule"), QStringLiteral("Olvasás"),
                                            QStringLiteral("Adatok kiolvasása a modulból"), 124, true);
    m_moduleCommands[1] = makeCommandButton(QStringLiteral("spbWriteModule"), QStringLiteral("Írás"),
                                            QStringLiteral("Adatok beírása a modulba"), 178, true);
    // Split at the prefix: the whole word is wider than the button column.
    m_moduleCommands[2] = makeCommandButton(QStringLiteral("spbCompareData"), QStringLiteral("Össze-\nhasonlítás"),
                                            QStringLiteral("Paraméterek összehasonlítása a modullal"), 232, true);
    m_moduleCommands[3] = makeCommandButton(QStringLiteral("spbChangePW"), QStringLiteral("Jelszó"),
                                            QStringLiteral("Jelszó módosítása"), 296, true);
    for (int i = 0; i < 4; ++i)
        m_twins[i] = findChild<QToolButton *>(m_moduleCommands[i]->objectName() + QStringLiteral("Disabled"));

    auto *stop = new QPushButton(QStringLiteral("Leállítás"), this);
    stop->setObjectName(QStringLiteral("btnSTOP"));
    stop->setGeometry(EditorWidth + 12, EditorHeight - 40, CommandButtonWidth, 40);
    QFont f = stop->font();
    f.setBold(true);
    stop->setFont(f);
    QPalette pal = stop->palette();
    pal.setColor(QPalette::ButtonText, Red);
    stop->setPalette(pal);
    connect(stop, &QPushButton::clicked, this, [this] {
        m_session.Wait().StopRequested = true;
        emit focusAway();
    });

    m_commands = new TParamPageCommands(session, image, *this, commandsParent);
    // A module lost while a procedure waited (cable pulled, relay gone) has
    // already been forgotten by the session; the procedure's last step must not
    // make its commands usable again.
    connect(m_commands, &TParamPageCommands::transferFinished, this, [this](TTransferOutcome outcome) {
        // Offered after a compare stopped on a difference, until the list was
        // read in full or another procedure succeeded; a stopped list read may
        // be tried again.
        if (outcome == TTransferOutcome::Different)
            m_offerDifferences = true;
        else if (outcome == TTransferOutcome::Success)
            m_offerDifferences = false;
        if (m_session.ModuleVersion().isEmpty())
            DisableModuleCommands();
        UpdateShowDifferences();
    });

    // Beside the compare, which stops at the first differing block: read the
    // rest of the module and name every differing field element.
    m_btShowDifferences = new QPushButton(QStringLiteral("Eltérések"), this);
    m_btShowDifferences->setObjectName(QStringLiteral("btShowDifferences"));
    m_btShowDifferences->setToolTip(QStringLiteral("A modul és a szerkesztő összes eltérésének listája"));
    m_btShowDifferences->setGeometry(EditorWidth + 12, 356, CommandButtonWidth, 30);
    m_btShowDifferences->hide();
    m_diffList = new TDiffListForm(this);
    m_diffList->setWindowFlag(Qt::Window);
    connect(m_btShowDifferences, &QPushButton::clicked, this, [this] {
        emit focusAway();
        m_btShowDifferences->hide();
        m_commands->btShowDifferencesClick();
    });
    connect(m_commands, &TParamPageCommands::differencesReady, this,
            [this](const QList<FieldCatalogue::TFieldDifference> &differences) {
                m_diffList->SetDifferences(differences);
                m_diffList->show();
                m_diffList->raise();
            });
    connect(m_diffList, &TDiffListForm::fieldActivated, this, [this](const QString &field) {
        if (m_editor->ShowFieldTab(field))
            emit showRequested();
    });
    const auto wire = [this](QToolButton *button, void (TParamPageCommands::*slot)()) {
        connect(button, &QToolButton::clicked, this, &TParamPage::focusAway);
        connect(button, &QToolButton::clicked, m_commands, slot);
    };
    wire(m_moduleCommands[0], &TParamPageCommands::spbReadModuleClick);
    wire(m_moduleCommands[1], &TParamPageCommands::spbWriteModuleClick);
    wire(m_moduleCommands[2], &TParamPageCommands::spbCompareDataClick);
    wire(open, &TParamPageCommands::spbOpenClick);
    wire(save, &TParamPageCommands::spbSaveClick);
    connect(m_moduleCommands[3], &QToolButton::clicked, this, &TParamPage::changePasswordRequested);

    connect(&session, &TModuleSession::moduleIdentified, this, &TParamPage::EnableModuleCommands);
    connect(&session, &TModuleSession::moduleRejected, this, &TParamPage::DisableModuleCommands);
    connect(&session, &TModuleSession::moduleLost, this, &TParamPage::DisableModuleCommands);
    connect(&session, &TModuleSession::passwordAccepted, this, &TParamPage::EnablePasswordCommand);
    connect(&session, &TModuleSession::modeChanged, this, [this](TConnectionMode mode, TModeSwitch how) {
        if (mode == TConnectionMode::IP || how == TModeSwitch::User)
            DisableModuleCommands();
    });
}

QToolButton *TParamPage::makeCommandButton(const QString &name, const QString &text, const QString &hint, int y,
                                           bool withTwin)
{
    const int x = EditorWidth + 12;
    auto *b = new QToolButton(this);
    b->setObjectName(name);
    b->setText(text);
    b->setToolTip(hint);
    b->setGeometry(x, y, CommandButtonWidth, CommandButtonHeight);
    // Speed buttons never take the keyboard focus: Tab passes them by and Space
    // cannot start a procedure, so the mouse on a visible button is the only way.
    b->setFocusPolicy(Qt::NoFocus);
    if (withTwin) {
        // The inert twin lies over the active button until the commands are enabled.
        auto *twin = new QToolButton(this);
        twin->setObjectName(name + QStringLiteral("Disabled"));
        twin->setText(text);
        twin->setToolTip(hint);
        twin->setEnabled(false);
        twin->setFocusPolicy(Qt::NoFocus);
        twin->setGeometry(b->geometry());
        twin->raise();
    }
    return b;
}

void TParamPage::EnableModuleCommands()
{
    for (int i = 0; i < 4; ++i) {
        m_moduleCommands[i]->setVisible(true);
        m_twins[i]->setVisible(false);
    }
    UpdateShowDifferences();
}

void TParamPage::DisableModuleCommands()
{
    for (int i = 0; i < 4; ++i) {
        m_moduleCommands[i]->setVisible(false);
        m_twins[i]->setVisible(true);
        m_twins[i]->raise();
    }
    UpdateShowDifferences();
}

void TParamPage::UpdateShowDifferences()
{
    if (!m_btShowDifferences)
        return;
    m_btShowDifferences->setVisible(m_offerDifferences && ModuleCommandsEnabled()
                                    && m_commands->Transfer.CanReadRestAfterCompare());
}

void TParamPage::EnablePasswordCommand()
{
    m_twins[3]->setVisible(false);
    m_moduleCommands[3]->setVisible(true);
}

bool TParamPage::ModuleCommandsEnabled() const
{
    return !m_moduleCommands[0]->isHidden() && m_twins[0]->isHidden();
}

void TParamPage::SetProgressColor(const QColor &color)
{
    QPalette pal = m_progress->palette();
    pal.setColor(QPalette::Highlight, color);
    m_progress->setPalette(pal);
}

QColor TParamPage::ProgressColor() const
{
    return m_progress->palette().color(QPalette::Highlight);
}

#include "link/SerialDetails.h"

#include "common/AppPaths.h"
#include "common/CodePage1250.h"

#include <QFileDialog>
#include <QLabel>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

Q_LOGGING_CATEGORY(lcDetails, "morvo3.details", QtWarningMsg)

namespace {
const QColor Red(255, 0, 0);
const QColor Green(0, 128, 0);
const QString SectionRule = QStringLiteral("//-------------------------------//");
const QString LineEnd = QStringLiteral("\r\n");
} // namespace

// ---------------------------------------------------------------------------

TMemoControl::TMemoControl(const QString &name, QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(name);
    setReadOnly(true);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

int TMemoControl::LineCount() const
{
    // An empty control has no lines, although the document keeps one empty block.
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QString TMemoControl::LastLine() const
{
    return document()->lastBlock().text();
}

void TMemoControl::SetLastLine(const QString &line)
{
    QTextCursor c(document()->lastBlock());
    c.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    c.insertText(line);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void TMemoControl::AddLine(const QString &line)
{
    QTextCursor c(document());
    c.movePosition(QTextCursor::End);
    if (LineCount() > 0)
        c.insertBlock();
    c.insertText(line);
}

void TMemoControl::DeleteFirstLines(int count)
{
    if (count <= 0)
        return;
    if (count >= document()->blockCount()) {
        clear();
        return;
    }
    QTextCursor c(document());
    c.movePosition(QTextCursor::Start);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
    c.removeSelectedText();
}

QStringList TMemoControl::Lines() const
{
    QStringList lines;
    if (LineCount() == 0)
        return lines;
    for (QTextBlock b = document()->begin(); b.isValid(); b = b.next())
        lines.append(b.text());
    return lines;
}

// ---------------------------------------------------------------------------

TFormDetails::TFormDetails(TMemoWriter &writer, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_writer(writer)
{
    setObjectName(QStringLiteral("TFormDetails"));
    setWindowTitle(QStringLiteral("Kommunikáció részletei"));

    struct Pane { TMemoControl **memo; const char *name; const char *caption; MemoTarget target; int x; int y; };
    const Pane panes[] = {
        {&m_memo5, "Memo5", "AT parancsok", MemoTarget::AtCommands, 8, 8},
        {&m_memo3, "Memo3", "Megjegyzések", MemoTarget::Comments, 304, 8},
        {&m_memo4, "Memo4", "Állapot", MemoTarget::StateLog, 8, 232},
        {&m_memoDTMF, "MemoDTMF", "DTMF", MemoTarget::DTMF, 304, 232},
        // The send log is kept but never visible: it lies beyond the shown width.
        {&m_memo2, "Memo2", "Küldés", MemoTarget::SendLog, ShownWidth + 20, 8},
    };
    for (const Pane &p : panes) {
        auto *caption = new QLabel(QString::fromUtf8(p.caption), this);
        caption->setObjectName(QLatin1String(p.name) + QStringLiteral("Head"));
        caption->setGeometry(p.x, p.y, 288, 18);
        *p.memo = new TMemoControl(QString::fromLatin1(p.name), this);
        (*p.memo)->setGeometry(p.x, p.y + 20, 288, 196);
        m_writer.SetMemo(p.target, *p.memo, *p.memo);
    }

    auto *btClose = new QPushButton(QStringLiteral("Bezárás"), this);
    btClose->setObjectName(QStringLiteral("btClose"));
    auto *btClear = new QPushButton(QStringLiteral("Ablakok törlése"), this);
    btClear->setObjectName(QStringLiteral("btClear"));
    // The pause button's captions are set by the code, not by the language: they
    // stay "Stop" and "Start" in every language.
    m_btStart = new QPushButton(QStringLiteral("Stop"), this);
    m_btStart->setObjectName(QStringLiteral("btStart"));
    auto *btSave = new QPushButton(QStringLiteral("Mentés fájlba"), this);
    btSave->setObjectName(QStringLiteral("btSave"));
    int x = 8;
    for (QPushButton *b : {m_btStart, btClear, btSave, btClose}) {
        b->setGeometry(x, 468, 136, 30);
        x += 148;
    }
    QPalette pal = m_btStart->palette();
    pal.setColor(QPalette::ButtonText, Red);
    m_btStart->setPalette(pal);

    m_focusDummy = new QPushButton(this);
    m_focusDummy->setObjectName(QStringLiteral("btnFocusDummy"));
    m_focusDummy->setGeometry(0, 0, 0, 0);

    connect(btClose, &QPushButton::clicked, this, &QWidget::hide);
    connect(btClear, &QPushButton::clicked, this, &TFormDetails::btClearClick);
    connect(m_btStart, &QPushButton::clicked, this, &TFormDetails::btStartClick);
    connect(btSave, &QPushButton::clicked, this, &TFormDetails::btSaveClick);

    m_chooseFile = [this] {
        // The dialog opens in the log folder: next to the executable, or the
        // user's own folder when the program is installed.
        QFileDialog dialog(this, QString(), AppPaths::LogFolder(), QStringLiteral("Szövegfájl (*.TXT)"));
        dialog.setObjectName(QStringLiteral("SaveDialog1"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("TXT"));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    m_reportError = [this](const QString &message) {
        QMessageBox::critical(this, QStringLiteral("Hiba"), message);
    };
    resize(ShownWidth, WindowHeight);
}

void TFormDetails::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_memo2->hide();
    resize(ShownWidth, height());
    m_focusDummy->setFocus();
    m_writer.SetDetailsShown(true);
}

void TFormDetails::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    // A minimised window is still "shown" for the writer.
    if (!isMinimized()) {
        m_writer.SetDetailsShown(false);
        emit hidden();
    }
}

void TFormDetails::btStartClick()
{
    m_paused = !m_paused;
    m_writer.SetDetailsPaused(m_paused);
    QFont f = m_btStart->font();
    f.setBold(m_paused);
    m_btStart->setFont(f);
    QPalette pal = m_btStart->palette();
    pal.setColor(QPalette::ButtonText, m_paused ? Green : Red);
    m_btStart->setPalette(pal);
    m_btStart->setText(m_paused ? QStringLiteral("Start") : QStringLiteral("Stop"));
}

void TFormDetails::btClearClick()
{
    for (TMemoControl *m : {m_memo2, m_memo3, m_memo4, m_memo5, m_memoDTMF})
        m->clear();
}

void TFormDetails::btSaveClick()
{
    const QString fileName = m_chooseFile ? m_chooseFile() : QString();
    if (fileName.isEmpty())
        return;
    SaveLog(fileName);
}

QString TFormDetails::LogText() const
{
    QString out;
    auto line = [&out](const QString &text) { out += text + LineEnd; };
    line(QStringLiteral("GPRS Morvo Log File"));
    line(QStringLiteral("Vantrel Version : v1.15"));
    line(QStringLiteral("Modul Version :  ") + (m_versionSource ? m_versionSource() : QString()));
    const std::pair<const TMemoControl *, const char *> sections[] = {
        {m_memo5, "AT-Commands"}, {m_memo3, "Comments"}, {m_memo4, "State"}, {m_memoDTMF, "DTMF"}};
    for (const auto &[memo, name] : sections) {
        line(SectionRule);
        line(QStringLiteral("//---- ") + QLatin1String(name));
        line(SectionRule);
        for (const QString &l : memo->Lines())
            line(l);
        line(QString());
    }
    return out;
}

bool TFormDetails::SaveLog(const QString &fileName)
{
    QSaveFile file(fileName);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        const QByteArray bytes = ToCp1250(LogText());
        ok = file.write(bytes) == bytes.size();
        if (ok)
            ok = file.commit();
        else
            file.cancelWriting();
    }
    if (!ok) {
        const QString message = QStringLiteral("Fájlírási hiba: %1\n%2").arg(file.errorString(), fileName);
        qCDebug(lcDetails) << "log file not written:" << file.errorString();
        if (m_reportError)
            m_reportError(message);
    }
    return ok;
}

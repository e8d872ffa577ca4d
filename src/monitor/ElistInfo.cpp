#include "monitor/ElistInfo.h"

#include "common/Morvo3Texts.h"
#include "monitor/EventDecode.h"

#include <QPlainTextEdit>
#include <QHeaderView>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

TEListInfoForm::TEListInfoForm(QWidget *parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TEListInfoForm"));
    // It only informs: showing it must not take the focus from the grid.
    setAttribute(Qt::WA_ShowWithoutActivating);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("MessMemo"));
    m_memo->setReadOnly(true);
    m_memo->setFixedSize(MemoWidth, MemoHeight);
    m_memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_memo->setFocusPolicy(Qt::NoFocus);
    QFont bold = m_memo->font();
    bold.setBold(true);
    m_memo->setFont(bold);
    QPalette pal = m_memo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::Button));   // the scroll bar's colour
    m_memo->setPalette(pal);
    layout->addWidget(m_memo);
    setFixedSize(MemoWidth, MemoHeight);
}

void TEListInfoForm::SetTexts(const Morvo3Texts *texts)
{
    m_texts = texts;
}

const Morvo3Texts &TEListInfoForm::texts() const
{
    static const Morvo3Texts builtIn;
    return m_texts ? *m_texts : builtIn;
}

QStringList TEListInfoForm::Lines() const
{
    const QString text = m_memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

int TEListInfoForm::ColumnAt(const QTableWidget *grid, TGridKind kind, int x)
{
    const int lineWidth = kind == TGridKind::LongList ? 1 : 0;
    int rightEdge = grid->columnWidth(0) + lineWidth;   // e(0)
    for (int k = 1; k < grid->columnCount(); ++k) {
        const int next = rightEdge + grid->columnWidth(k) + lineWidth;
        if (rightEdge < x && x <= next)
            return k;
        rightEdge = next;
    }
    return 0;
}

int TEListInfoForm::RowAt(const QTableWidget *grid, int y)
{
    const int rowHeight = grid->verticalHeader()->defaultSectionSize();
    // The first visible row below the header row is the top row.
    const int first = std::max(grid->rowAt(0), 0);
    const int topRow = first + 1;
    return y / std::max(rowHeight, 1) + topRow - 1;
}

void TEListInfoForm::ShowEventHint(QTableWidget *grid, TGridKind kind, Qt::KeyboardModifiers keys,
                                   Qt::MouseButtons buttons, int x, int y)
{
    if (!grid)
        return;
    if (keys == Qt::ControlModifier && buttons == Qt::NoButton)
        return;
    const int row = RowAt(grid, y);
    const int col = ColumnAt(grid, kind, x);
    m_memo->clear();
    if (col < Monitor::ColFirstMark || col > Monitor::ColLastMark || row <= 0 || col >= grid->columnCount()
        || row >= grid->rowCount()) {
        hide();
        return;
    }
    auto cell = [grid, row](int c) {
        const QTableWidgetItem *item = grid->item(row, c);
        return item ? item->text() : QString();
    };
    const QString mark = cell(col);
    m_memo->setPlainText(Monitor::EventHintLines(texts(), col, cell(Monitor::ColEvent), cell(Monitor::ColTime), mark,
                                                 cell(Monitor::ColContactId))
                             .join(QLatin1Char('\n')));

    QWidget *owner = grid->window();
    const QPoint ownerTopLeft = owner->frameGeometry().topLeft();
    // The grid's place inside the window that holds it.
    const QPoint gridPos = grid->mapTo(owner, QPoint(0, 0));
    if (kind == TGridKind::Main)
        move(ownerTopLeft.x() + x + gridPos.x() + MainGridOffsetX, ownerTopLeft.y() + y + gridPos.y() + MainGridOffsetY);
    else
        move(ownerTopLeft.x() + gridPos.x() + x + ListGridOffsetX, ownerTopLeft.y() + gridPos.y() + y);
    if (isHidden() && !mark.isEmpty())
        show();
}

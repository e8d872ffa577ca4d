#include "params/EditorWidgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int ArrowWidth = 17;
constexpr int ArrowHeight = 11;
} // namespace

// ---------------------------------------------------------------- TCharGrid

TCharGrid::TCharGrid(int cellCount, const QString &name, QWidget *parent)
    : QTableWidget(1, cellCount, parent)
{
    setObjectName(name);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(CellWidth);
    horizontalHeader()->setDefaultSectionSize(CellWidth);
    verticalHeader()->setMinimumSectionSize(CellHeight);
    verticalHeader()->setDefaultSectionSize(CellHeight);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < cellCount; ++i) {
        auto *item = new QTableWidgetItem;
        item->setTextAlignment(Qt::AlignCenter);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        setItem(0, i, item);
    }
    SetCursorCell(0);
    setFixedSize(sizeHint());
}

QString TCharGrid::Cell(int i) const
{
    const QTableWidgetItem *it = (i >= 0 && i < columnCount()) ? item(0, i) : nullptr;
    return it ? it->text() : QString();
}

void TCharGrid::SetCell(int i, const QString &text)
{
    if (i < 0 || i >= columnCount())
        return;
    if (QTableWidgetItem *it = item(0, i))
        it->setText(text);
}

QStringList TCharGrid::Cells() const
{
    QStringList cells;
    for (int i = 0; i < columnCount(); ++i)
        cells << Cell(i);
    return cells;
}

void TCharGrid::SetCells(const QStringList &cells)
{
    for (int i = 0; i < columnCount(); ++i)
        SetCell(i, i < cells.size() ? cells.at(i) : QString());
}

void TCharGrid::SetAllCells(const QString &text)
{
    for (int i = 0; i < columnCount(); ++i)
        SetCell(i, text);
}

int TCharGrid::CursorCell() const
{
    return std::max(0, currentColumn());
}

void TCharGrid::SetCursorCell(int i)
{
    const QModelIndex index = model()->index(0, std::clamp(i, 0, columnCount() - 1));
    // Only the grid with the focus shows its cursor cell.
    selectionModel()->setCurrentIndex(index, hasFocus() ? QItemSelectionModel::ClearAndSelect
                                                        : QItemSelectionModel::Clear);
}

QSize TCharGrid::sizeHint() const
{
    const int f = 2 * frameWidth();
    return QSize(columnCount() * CellWidth + f, CellHeight + f);
}

QSize TCharGrid::minimumSizeHint() const
{
    return sizeHint();
}

void TCharGrid::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
        QTableWidget::keyPressEvent(event);
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        event->ignore();
        return;
    default:
        break;
    }
    if (event->matches(QKeySequence::Paste)) {
        const QString text = QApplication::clipboard()->text();
        emit cellCommitted(CursorCell(), text);
        event->accept();
        return;
    }
    emit keyPressed(event);
    event->accept();
}

void TCharGrid::keyReleaseEvent(QKeyEvent *event)
{
    emit keyReleased(event);
    QTableWidget::keyReleaseEvent(event);
}

void TCharGrid::focusInEvent(QFocusEvent *event)
{
    QTableWidget::focusInEvent(event);
    SetCursorCell(CursorCell());
}

void TCharGrid::focusOutEvent(QFocusEvent *event)
{
    QTableWidget::focusOutEvent(event);
    clearSelection();
    emit focusLeft();
}

// ---------------------------------------------------------------- TRadioGroup

TRadioGroup::TRadioGroup(const QString &name, const QString &title, const QStringList &items, QWidget *parent)
    : QGroupBox(title, parent)
    , m_buttons(new QButtonGroup(this))
{
    setObjectName(name);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(0);
    SetItems(items);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            emit itemIndexChanged(id);
    });
}

void TRadioGroup::SetItems(const QStringList &items)
{
    const QList<QAbstractButton *> old = m_buttons->buttons();
    for (int i = 0; i < items.size() && i < old.size(); ++i)
        old.at(i)->setText(items.at(i));
    for (int i = int(old.size()); i < items.size(); ++i) {
        auto *button = new QRadioButton(items.at(i), this);
        button->setObjectName(objectName() + QStringLiteral("_item%1").arg(i));
        m_buttons->addButton(button, i);
        layout()->addWidget(button);
    }
}

QStringList TRadioGroup::Items() const
{
    QStringList items;
    for (const QAbstractButton *b : m_buttons->buttons())
        items << b->text();
    return items;
}

int TRadioGroup::ItemIndex() const
{
    return m_buttons->checkedId();
}

int TRadioGroup::Count() const
{
    return int(m_buttons->buttons().size());
}

void TRadioGroup::SetItemIndex(int index)
{
    if (QAbstractButton *b = m_buttons->button(index)) {
        b->setChecked(true);
        return;
    }
    // Clearing an exclusive group needs exclusivity off for a moment.
    m_buttons->setExclusive(false);
    for (QAbstractButton *b : m_buttons->buttons())
        b->setChecked(false);
    m_buttons->setExclusive(true);
}

// ---------------------------------------------------------------- TUpDown

TUpDown::TUpDown(const QString &name, int minimum, int maximum, QWidget *parent)
    : QWidget(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_position(minimum)
    , m_up(new QToolButton(this))
    , m_down(new QToolButton(this))
{
    setObjectName(name);
    setFocusPolicy(Qt::StrongFocus);
    m_up->setObjectName(name + QStringLiteral("Up"));
    m_down->setObjectName(name + QStringLiteral("Down"));
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {m_up, m_down}) {
        b->setAutoRepeat(true);
        b->setFixedSize(ArrowWidth, ArrowHeight);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setFixedSize(ArrowWidth, 2 * ArrowHeight);
    connect(m_up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void TUpDown::SetPosition(int value)
{
    emit changingEx(value);
    m_position = std::clamp(value, m_minimum, m_maximum);
}

void TUpDown::StepBy(int steps)
{
    SetPosition(m_position + steps);
}

void TUpDown::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up) {
        StepBy(1);
    } else if (event->key() == Qt::Key_Down) {
        StepBy(-1);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

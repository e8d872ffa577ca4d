#pragma once
// Small controls of the parameter editor: the one-row character grid, the
// radio group with an item index, and the up-down that reports the value it
// is about to take.

#include <QGroupBox>
#include <QStringList>
#include <QTableWidget>
#include <QWidget>

class QButtonGroup;
class QToolButton;

// One row of cells, one character per cell. Typing does not edit the cells in
// place: every key press other than navigation goes to keyPressed(), whose
// handler decides what the cell receives.
class TCharGrid : public QTableWidget
{
    Q_OBJECT
    Q_PROPERTY(QStringList cells READ Cells WRITE SetCells)
public:
    static constexpr int CellWidth = 18;
    static constexpr int CellHeight = 20;

    TCharGrid(int cellCount, const QString &name, QWidget *parent = nullptr);

    int CellCount() const { return columnCount(); }
    QString Cell(int i) const;
    void SetCell(int i, const QString &text);
    QStringList Cells() const;
    void SetCells(const QStringList &cells);
    void SetAllCells(const QString &text);

    int CursorCell() const;
    void SetCursorCell(int i);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void keyPressed(QKeyEvent *event);
    void keyReleased(QKeyEvent *event);
    void focusLeft();
    // Content offered for a cell from outside the key handlers (paste).
    void cellCommitted(int cell, const QString &text);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
};

// A titled group of exclusive radio buttons addressed by item index
// (-1 = nothing selected).
class TRadioGroup : public QGroupBox
{
    Q_OBJECT
    Q_PROPERTY(int itemIndex READ ItemIndex WRITE SetItemIndex NOTIFY itemIndexChanged)
    Q_PROPERTY(QStringList items READ Items WRITE SetItems)
public:
    TRadioGroup(const QString &name, const QString &title, const QStringList &items, QWidget *parent = nullptr);

    int ItemIndex() const;
    // An index outside the items clears the selection.
    void SetItemIndex(int index);
    int Count() const;
    QStringList Items() const;
    // Renames the items in place (a language switch); extra items are added.
    void SetItems(const QStringList &items);

signals:
    void itemIndexChanged(int index);

private:
    QButtonGroup *m_buttons;
};

// Up-down arrows over an integer position. Every change, by click, key or
// program, is first reported through changingEx() with the proposed value,
// which may lie one step outside the range; the position itself then stays
// inside the range.
class TUpDown : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int position READ Position WRITE SetPosition)
public:
    TUpDown(const QString &name, int minimum, int maximum, QWidget *parent = nullptr);

    int Position() const { return m_position; }
    void SetPosition(int value);
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    void StepBy(int steps);

    QToolButton *UpButton() const { return m_up; }
    QToolButton *DownButton() const { return m_down; }

signals:
    void changingEx(int proposed);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_minimum;
    int m_maximum;
    int m_position;
    QToolButton *m_up;
    QToolButton *m_down;
};

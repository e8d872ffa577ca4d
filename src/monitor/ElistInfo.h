#pragma once
// The event info window: a small borderless window that explains the report
// mark under the mouse in an event grid (the status page's cgEvents and the
// long event list), with the event's name, time and the Contact ID meaning.

#include <QWidget>

class Morvo3Texts;
class QPlainTextEdit;
class QTableWidget;

class TEListInfoForm : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MemoWidth = 281;
    static constexpr int MemoHeight = 145;
    // Offsets of the window from the mouse position, as the grids place it.
    static constexpr int MainGridOffsetX = 20;
    static constexpr int MainGridOffsetY = 50;
    static constexpr int ListGridOffsetX = 20;

    // Which grid the mouse moves over: the long list draws a one-pixel grid
    // line per column and places the window differently.
    enum class TGridKind { Main, LongList };

    explicit TEListInfoForm(QWidget *parent = nullptr);

    // The catalogue the window's texts come from; without one the built-in texts.
    void SetTexts(const Morvo3Texts *texts);

    // Mouse-move handler of an event grid: x and y in the grid's cell area. With
    // only Ctrl held (no other key, no mouse button) nothing changes, so the
    // user can move to the window and read it.
    void ShowEventHint(QTableWidget *grid, TGridKind kind, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons,
                       int x, int y);

    // Column under x as the grids count it (0 when left of column 1's start).
    static int ColumnAt(const QTableWidget *grid, TGridKind kind, int x);
    static int RowAt(const QTableWidget *grid, int y);

    QPlainTextEdit *MessMemo() const { return m_memo; }
    QStringList Lines() const;

private:
    const Morvo3Texts &texts() const;

    QPlainTextEdit *m_memo = nullptr;
    const Morvo3Texts *m_texts = nullptr;
};

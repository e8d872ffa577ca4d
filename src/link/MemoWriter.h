#pragma once
// The queued memo writer: producers (the reply dispatcher, the link traces, the
// relay) only append to a ring queue; a 500 ms timer moves the queued text into
// the memo controls, splitting lines and time-stamping each new line. Keeps the
// drawing of memo controls out of frame handling and keeps the memos small.

#include "link/MemoTarget.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>

// What the writer needs from a memo control: a list of lines it can edit at
// the end and trim at the start.
class TMemoLines
{
public:
    virtual ~TMemoLines() = default;
    virtual int LineCount() const = 0;
    // Only called while LineCount() > 0.
    virtual QString LastLine() const = 0;
    virtual void SetLastLine(const QString &line) = 0;
    virtual void AddLine(const QString &line) = 0;
    virtual void DeleteFirstLines(int count) = 0;
};

// A memo without a window (command-line tool, tests).
class TStringListMemo : public TMemoLines
{
public:
    QStringList Lines;

    int LineCount() const override { return int(Lines.size()); }
    QString LastLine() const override { return Lines.isEmpty() ? QString() : Lines.last(); }
    void SetLastLine(const QString &line) override;
    void AddLine(const QString &line) override { Lines.append(line); }
    void DeleteFirstLines(int count) override;
};

// One queue entry.
struct MSGQ_TYPE
{
    QString text;
    QDateTime time;
    MemoTarget memo = MemoTarget::State;
};

class TMemoWriter : public QObject
{
    Q_OBJECT
public:
    static constexpr int QueueSlots = 1000;      // ring indices 0..999, so at most 999 entries
    static constexpr int FlushIntervalMs = 500;
    static constexpr int MaxMemoLines = 4000;
    static constexpr int TrimLineCount = 100;
    static constexpr int MemoTargetCount = 7;
    static constexpr const char *StampFormat = "hh:mm:ss";
    static constexpr const char *StampGap = "   ";

    explicit TMemoWriter(QObject *parent = nullptr);

    // Attaches (or with nullptr detaches) the control behind a memo id. When
    // lifetime is given, the memo is detached as soon as that object is destroyed.
    void SetMemo(MemoTarget target, TMemoLines *memo, QObject *lifetime = nullptr);
    TMemoLines *Memo(MemoTarget target) const;

    // The details window reports whether it is shown and whether it is paused:
    // unforced text is queued only while it is shown and running.
    void SetDetailsShown(bool shown) { m_detailsShown = shown; }
    void SetDetailsPaused(bool paused) { m_detailsPaused = paused; }
    bool DetailsShown() const { return m_detailsShown; }
    bool DetailsPaused() const { return m_detailsPaused; }

    // Time source for the stamps (tests pin it).
    void SetClock(std::function<QDateTime()> clock);

    int QueuedCount() const;
    bool NewLinePending(MemoTarget target) const;
    void ResetQueue();

    QTimer MemoTimer;

public slots:
    // Producers' entry point. Nothing happens for an empty text or a memo id
    // without a control; otherwise the text is queued when force is set or the
    // details window is shown and not paused.
    void QueueMemoText(MemoTarget memo, const QString &text, bool force);
    // Adds the entry at the tail; a full queue drops it (returns false).
    bool EnqueueMemoText(MemoTarget memo, const QString &text);
    // Moves every queued entry into its memo.
    void FlushMemoQueue();

private:
    struct Slot
    {
        TMemoLines *memo = nullptr;
        QPointer<QObject> lifetime;
        bool tracked = false;
        bool newLinePending = false;
    };
    Slot *slotFor(MemoTarget target);
    const Slot *slotFor(MemoTarget target) const;
    void writeEntry(Slot &slot, const MSGQ_TYPE &entry);

    std::array<MSGQ_TYPE, QueueSlots + 1> m_queue; // the last entry is never used
    int m_head = 0;
    int m_tail = 0;
    std::array<Slot, MemoTargetCount> m_slots;
    bool m_detailsShown = false;
    bool m_detailsPaused = false;
    std::function<QDateTime()> m_clock;
};

#include "link/MemoWriter.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcMemo, "morvo3.memo", QtWarningMsg)

static_assert(static_cast<int>(MemoTarget::DTMF) + 1 == TMemoWriter::MemoTargetCount,
              "every memo id needs a slot");

void TStringListMemo::SetLastLine(const QString &line)
{
    if (Lines.isEmpty())
        Lines.append(line);
    else
        Lines.last() = line;
}

void TStringListMemo::DeleteFirstLines(int count)
{
    count = qBound(0, count, int(Lines.size()));
    Lines.erase(Lines.begin(), Lines.begin() + count);
}

TMemoWriter::TMemoWriter(QObject *parent)
    : QObject(parent)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    MemoTimer.setObjectName(QStringLiteral("MemoTimer"));
    MemoTimer.setInterval(FlushIntervalMs);
    connect(&MemoTimer, &QTimer::timeout, this, &TMemoWriter::FlushMemoQueue);
    MemoTimer.start();
}

TMemoWriter::Slot *TMemoWriter::slotFor(MemoTarget target)
{
    const int i = static_cast<int>(target);
    if (i < 0 || i >= MemoTargetCount)
        return nullptr;
    Slot &s = m_slots[size_t(i)];
    // A control that went away is detached, never touched.
    if (s.tracked && !s.lifetime) {
        s.memo = nullptr;
        s.tracked = false;
    }
    return &s;
}

const TMemoWriter::Slot *TMemoWriter::slotFor(MemoTarget target) const
{
    return const_cast<TMemoWriter *>(this)->slotFor(target);
}

void TMemoWriter::SetMemo(MemoTarget target, TMemoLines *memo, QObject *lifetime)
{
    Slot *s = slotFor(target);
    if (!s)
        return;
    s->memo = memo;
    s->lifetime = lifetime;
    s->tracked = memo && lifetime;
}

TMemoLines *TMemoWriter::Memo(MemoTarget target) const
{
    const Slot *s = slotFor(target);
    return s ? s->memo : nullptr;
}

void TMemoWriter::SetClock(std::function<QDateTime()> clock)
{
    if (clock)
        m_clock = std::move(clock);
}

int TMemoWriter::QueuedCount() const
{
    return (m_tail - m_head + QueueSlots) % QueueSlots;
}

bool TMemoWriter::NewLinePending(MemoTarget target) const
{
    const Slot *s = slotFor(target);
    return s && s->newLinePending;
}

void TMemoWriter::ResetQueue()
{
    m_head = m_tail = 0;
    for (auto &entry : m_queue)
        entry = MSGQ_TYPE();
}

void TMemoWriter::QueueMemoText(MemoTarget memo, const QString &text, bool force)
{
    if (text.isEmpty() || !Memo(memo))
        return;
    if (force || (m_detailsShown && !m_detailsPaused))
        EnqueueMemoText(memo, text);
}

bool TMemoWriter::EnqueueMemoText(MemoTarget memo, const QString &text)
{
    const int next = (m_tail + 1) % QueueSlots;
    if (next == m_head) {
        qCDebug(lcMemo) << "memo queue full, text dropped";
        return false;
    }
    MSGQ_TYPE &entry = m_queue[size_t(m_tail)];
    entry.text = text;
    entry.time = m_clock();
    entry.memo = memo;
    m_tail = next;
    return true;
}

void TMemoWriter::FlushMemoQueue()
{
    MemoTimer.stop();
    while (m_head != m_tail) {
        MSGQ_TYPE &entry = m_queue[size_t(m_head)];
        Slot *slot = slotFor(entry.memo);
        if (slot && slot->memo)
            writeEntry(*slot, entry);
        entry.text.clear();
        m_head = (m_head + 1) % QueueSlots;
    }
    MemoTimer.start();
}

void TMemoWriter::writeEntry(Slot &slot, const MSGQ_TYPE &entry)
{
    TMemoLines &memo = *slot.memo;
    if (memo.LineCount() == 0)
        memo.AddLine(QStringLiteral(" "));
    QString cur = memo.LastLine();
    const QString stamp = entry.time.time().toString(QLatin1String(StampFormat)) + QLatin1String(StampGap);

    for (QChar ch : entry.text) {
        const char16_t u = ch.unicode();
        if (u == 0x0D || u == 0x0A) {
            if (slot.newLinePending) {
                memo.SetLastLine(cur);
                memo.AddLine(QStringLiteral(" "));
                cur.clear();
            }
            slot.newLinePending = true;
        } else if (u == 0x00) {
            continue;
        } else {
            if (slot.newLinePending) {
                memo.SetLastLine(cur);
                memo.AddLine(QStringLiteral(" "));
                cur = stamp + ch;
            } else {
                cur += ch;
            }
            slot.newLinePending = false;
        }
    }
    // One entry may carry many lines: keep trimming until the memo is back
    // under its limit, so the limit holds whatever the producers send.
    while (memo.LineCount() > MaxMemoLines)
        memo.DeleteFirstLines(TrimLineCount);
    memo.SetLastLine(cur);
}

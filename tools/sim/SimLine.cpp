#include "SimLine.h"

#include <algorithm>

SimLine::SimLine(bool paced, const SimFaults &faults, quint32 seed, QObject *parent)
    : QObject(parent)
    , m_paced(paced)
    , m_faults(faults)
    , m_random(seed)
    , m_byteTimeNs(paced ? qint64(1000000000LL) * BitsPerByte / DefaultBaud : 0)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SimLine::release);
    m_clock.start();
}

void SimLine::send(const QByteArray &bytes)
{
    for (const char c : bytes) {
        std::uint8_t b = static_cast<std::uint8_t>(c);
        if (m_faults.loseRate > 0 && m_random.generateDouble() < m_faults.loseRate) {
            ++m_lost;
            continue;
        }
        if (m_faults.corruptRate > 0 && m_random.generateDouble() < m_faults.corruptRate) {
            b ^= static_cast<std::uint8_t>(1u << m_random.bounded(8));
            ++m_corrupted;
        }
        int delay = 0;
        if (m_faults.delayRate > 0 && m_random.generateDouble() < m_faults.delayRate)
            delay = m_random.bounded(DelayedByteMinMs, DelayedByteMaxMs + 1);
        m_queue.push_back({b, delay});
    }
    if (m_queue.empty())
        return;
    const qint64 now = m_clock.nsecsElapsed();
    if (!m_timer.isActive() && m_nextDueNs < now)
        m_nextDueNs = now;
    release();
}

void SimLine::clear()
{
    m_queue.clear();
    m_timer.stop();
}

void SimLine::release()
{
    const qint64 now = m_clock.nsecsElapsed();
    QByteArray out;
    while (!m_queue.empty() && m_nextDueNs <= now) {
        Pending &head = m_queue.front();
        if (head.delayBeforeMs > 0) {
            m_nextDueNs += qint64(head.delayBeforeMs) * 1000000;
            head.delayBeforeMs = 0;
            continue;
        }
        out.append(static_cast<char>(head.byte));
        m_queue.pop_front();
        m_nextDueNs += m_byteTimeNs;
    }
    if (!out.isEmpty()) {
        m_sent += out.size();
        if (m_sink)
            m_sink(out);
    }
    if (m_queue.empty()) {
        m_timer.stop();
        return;
    }
    // Wake every tick while much is queued, but exactly when the last byte is
    // due at the end of a burst: a whole tick of lateness per burst would slow
    // every exchange of short frames by a few percent against the wire.
    const qint64 untilLastNs = m_nextDueNs + qint64(m_queue.size() - 1) * m_byteTimeNs - now;
    const qint64 tickNs = qint64(PacingTickMs) * 1000000;
    const qint64 waitNs = untilLastNs < tickNs ? untilLastNs : tickNs;
    m_timer.start(int(std::max<qint64>(0, (waitNs + 999999) / 1000000)));
}

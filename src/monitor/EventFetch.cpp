#include "monitor/EventFetch.h"

#include "common/WaitContext.h"
#include "link/Communication.h"
#include "link/Requests.h"

#include <algorithm>

namespace Monitor {

QStringList EventListHeaders()
{
    return {QString(), QStringLiteral(" Dátum / Idő"), QStringLiteral(" Esemény"), QStringLiteral(" Contact-ID"),
            QStringLiteral("G1"), QStringLiteral("G2"), QStringLiteral("G3"), QStringLiteral("G4"),
            QStringLiteral("G5"), QStringLiteral("G6"), QStringLiteral("S1"), QStringLiteral("S2"),
            QStringLiteral("S3"), QStringLiteral("S4"), QStringLiteral("K1"), QStringLiteral("K2"),
            QStringLiteral(" Állapot")};
}

} // namespace Monitor

TEventFetch::TEventFetch(TLink &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(IdleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] { finish(TState::Silent); });
}

void TEventFetch::Start(int count)
{
    m_requested = std::clamp(count, Monitor::MinEventListCount, Monitor::MaxEventListCount);
    m_received = 0;
    m_records = QVector<QByteArray>(m_requested + 1);
    m_state = TState::Running;
    m_idle.start();
    emit progress(0, m_requested);
    Requests::SendEventsRequest(m_link, std::uint16_t(m_requested));
}

bool TEventFetch::Take(int number, const std::uint8_t *record36)
{
    if (m_state != TState::Running || number < 1 || number > m_requested)
        return false;
    QByteArray &slot = m_records[number];
    const bool fresh = slot.isEmpty();
    slot = QByteArray(reinterpret_cast<const char *>(record36), Monitor::EventRecordSize);
    m_idle.start();
    if (fresh)
        ++m_received;
    emit recordTaken(number);
    emit progress(m_received, m_requested);
    if (m_received == m_requested)
        finish(TState::Complete);
    return true;
}

void TEventFetch::Stop()
{
    if (m_state == TState::Running)
        finish(TState::Stopped);
}

void TEventFetch::LinkLost()
{
    if (m_state == TState::Running)
        finish(TState::Lost);
}

void TEventFetch::finish(TState state)
{
    m_idle.stop();
    m_state = state;
    emit finished(state);
}

QString TEventFetch::ProgressText() const
{
    const QString count = QStringLiteral("%1 of %2 records").arg(m_received).arg(m_requested);
    switch (m_state) {
    case TState::Idle: return QString();
    case TState::Running:
    case TState::Complete: return count;
    case TState::Silent: return count + QStringLiteral(": the module sent no more");
    case TState::Stopped: return count + QStringLiteral(": stopped, the records that arrived are kept");
    case TState::Lost:
        return count + QStringLiteral(": the connection to the module was lost, the records that arrived are kept");
    }
    return count;
}

Monitor::EventTable TEventFetch::Table(const Morvo3Texts &texts, const Monitor::EventCaptionSource &captions) const
{
    Monitor::EventTable rows;
    rows << Monitor::EventListHeaders();
    for (int n = 1; n <= m_requested; ++n) {
        const QByteArray &r = m_records.at(n);
        QStringList row;
        if (r.size() == Monitor::EventRecordSize) {
            const auto cells = Monitor::EventRowTexts(reinterpret_cast<const std::uint8_t *>(r.constData()), n,
                                                      texts, captions);
            for (const QString &cell : cells)
                row << cell;
        } else {
            row << QString::number(n);
            while (row.size() < Monitor::EventGridColumns)
                row << QString();
        }
        rows << row;
    }
    return rows;
}

TEventFetch::TState FetchEventRecords(TLink &link, TWaitContext &wait, TEventFetch &fetch, int count,
                                      const std::function<bool()> &lost)
{
    link.setEventRecordHandler([&link, &fetch] {
        fetch.Take(link.EventNumber, link.EventRecordBuffer);
        link.AcknowledgeEventRecord();
    });
    wait.StopRequested = false;
    fetch.Start(count);
    // The idle timer ends a fetch the module stopped feeding; this bound only
    // guards against a module that keeps resending without end.
    const int ticks = (fetch.Requested() + 30) * 10;
    wait.WaitFor(ticks, [&] { return !fetch.Running() || lost(); });
    if (fetch.Running()) {
        if (lost())
            fetch.LinkLost();
        else
            fetch.Stop();
    }
    link.setEventRecordHandler({});
    return fetch.State();
}

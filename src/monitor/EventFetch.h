#pragma once
// Fetching the module's event log: CMD_EVENTS for n records, then the records
// one by one as the link completes them (each acknowledged by whoever handles
// the link's records). Shared by the long event list window, which feeds it
// from the status page, and morvo3-cli, which runs FetchEventRecords.

#include "monitor/EventDecode.h"
#include "monitor/EventExport.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QVector>
#include <cstdint>

class Morvo3Texts;
class TLink;
class TWaitContext;

namespace Monitor {

inline constexpr int MinEventListCount = 8;
inline constexpr int MaxEventListCount = 1000;
inline constexpr int DefaultEventListCount = 50;

// The header row of an event list (column 0 empty), as the grids show it.
QStringList EventListHeaders();

} // namespace Monitor

class TEventFetch : public QObject
{
    Q_OBJECT
public:
    enum class TState {
        Idle,       // nothing requested yet
        Running,    // records are coming
        Complete,   // every requested record arrived
        Silent,     // the module sent nothing for IdleTimeoutMs: its log holds no more
        Stopped,    // the user stopped it; what arrived is kept
        Lost,       // the connection to the module went away; what arrived is kept
    };
    // The module sends a record again 2 s after an unacknowledged one, three
    // times; a gap longer than that means it has nothing more to send.
    static constexpr int IdleTimeoutMs = 7000;

    explicit TEventFetch(TLink &link, QObject *parent = nullptr);

    // Forgets the records of the last request and asks the module for the
    // count most recent ones (clamped to 8 to 1000).
    void Start(int count);
    // A complete record from the link (the caller acknowledges it). Records
    // numbered outside 1 to the requested count, and any after the fetch ended,
    // are not taken; returns whether this one was.
    bool Take(int number, const std::uint8_t *record36);
    void Stop();
    void LinkLost();

    TState State() const { return m_state; }
    bool Running() const { return m_state == TState::Running; }
    int Requested() const { return m_requested; }
    int Received() const { return m_received; }
    // The record numbered n (1 to Requested()), or empty when it did not come.
    QByteArray Record(int number) const { return m_records.value(number); }
    // The ending's line for the user: "312 of 1000 records" and why it ended.
    QString ProgressText() const;

    // Every row of the list: the header row, then one row per requested number,
    // its cells empty where no record came.
    Monitor::EventTable Table(const Morvo3Texts &texts, const Monitor::EventCaptionSource &captions) const;

    void setIdleTimeoutMs(int ms) { m_idle.setInterval(ms); }

signals:
    void recordTaken(int number);
    void progress(int received, int requested);
    void finished(TEventFetch::TState state);

private:
    void finish(TState state);

    TLink &m_link;
    TState m_state = TState::Idle;
    int m_requested = 0;
    int m_received = 0;
    QVector<QByteArray> m_records;
    QTimer m_idle;
};

// The whole fetch for a caller without the status page (morvo3-cli): takes
// over the link's record handler (taking and acknowledging every record), asks
// for count records and waits until they are in, the module falls silent, the
// wait is stopped or the connection is lost (lost() turns true). The handler
// is given back at the end.
TEventFetch::TState FetchEventRecords(TLink &link, TWaitContext &wait, TEventFetch &fetch, int count,
                                      const std::function<bool()> &lost);

#pragma once
// The module's transmit line: paces bytes at the serial rate (19200 baud 8N1 by
// default, about 0.52 ms per byte) and injects faults (lost, corrupted, delayed
// bytes) before handing them to the device. Pacing is done by a precise timer that
// releases the bytes that are due, never by sleeping.

#include <QElapsedTimer>
#include <QObject>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>

struct SimFaults
{
    double loseRate = 0.0;
    double corruptRate = 0.0;
    double delayRate = 0.0;
};

class SimLine : public QObject
{
    Q_OBJECT
public:
    static constexpr int DefaultBaud = 19200;
    static constexpr int BitsPerByte = 10;              // 8N1: start + 8 data + stop
    static constexpr int PacingTickMs = 2;              // granularity of the release timer
    static constexpr int DelayedByteMinMs = 5;          // a "delayed" byte is held back this long ...
    static constexpr int DelayedByteMaxMs = 40;         // ... up to this long

    using Sink = std::function<void(const QByteArray &)>;

    SimLine(bool paced, const SimFaults &faults, quint32 seed, QObject *parent = nullptr);

    void setSink(Sink sink) { m_sink = std::move(sink); }
    void send(const QByteArray &bytes);
    // Drops everything not yet sent (the device went away).
    void clear();
    bool idle() const { return m_queue.empty(); }

    qint64 bytesSent() const { return m_sent; }
    qint64 bytesLost() const { return m_lost; }
    qint64 bytesCorrupted() const { return m_corrupted; }

private:
    struct Pending
    {
        std::uint8_t byte;
        int delayBeforeMs;
    };
    void release();

    bool m_paced;
    SimFaults m_faults;
    QRandomGenerator m_random;
    Sink m_sink;
    std::deque<Pending> m_queue;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_nextDueNs = 0;
    qint64 m_byteTimeNs;
    qint64 m_sent = 0;
    qint64 m_lost = 0;
    qint64 m_corrupted = 0;
};

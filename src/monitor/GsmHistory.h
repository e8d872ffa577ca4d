#pragma once
// The GSM level over the last minutes, for the status page's small plot. Core:
// the samples and their window; the page draws them.

#include <QVector>
#include <cstdint>

class TGsmHistory
{
public:
    static constexpr qint64 WindowMs = 10 * 60 * 1000;
    // A module reporting every 100 ms fills 6000 samples in the window; more
    // than this are thinned, so a chatty module cannot grow the history.
    static constexpr int MaxSamples = 6000;

    struct Sample
    {
        qint64 timeMs;
        int level;  // 0..31, clamped when added
    };

    // timeMs: a monotonic clock in milliseconds. Older samples than the window
    // before timeMs are dropped. A time earlier than the last sample clears the
    // history (the clock was reset).
    void Add(qint64 timeMs, int level);
    void Clear() { m_samples.clear(); }
    // Samples inside the window ending at nowMs, oldest first.
    QVector<Sample> Samples(qint64 nowMs) const;
    int Count() const { return int(m_samples.size()); }

private:
    void dropBefore(qint64 limitMs);
    QVector<Sample> m_samples;
};

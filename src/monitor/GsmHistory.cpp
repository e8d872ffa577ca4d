#include "monitor/GsmHistory.h"

#include "monitor/StatusDecode.h"

#include <algorithm>

void TGsmHistory::dropBefore(qint64 limitMs)
{
    const auto firstKept = std::find_if(m_samples.begin(), m_samples.end(),
                                        [limitMs](const Sample &s) { return s.timeMs >= limitMs; });
    m_samples.erase(m_samples.begin(), firstKept);
}

void TGsmHistory::Add(qint64 timeMs, int level)
{
    if (!m_samples.isEmpty() && timeMs < m_samples.last().timeMs)
        m_samples.clear();
    dropBefore(timeMs - WindowMs);
    if (m_samples.size() >= MaxSamples) {
        // Keep every second sample: the plot is a few hundred pixels wide anyway.
        QVector<Sample> thinned;
        thinned.reserve(m_samples.size() / 2 + 1);
        for (int i = 0; i < m_samples.size(); i += 2)
            thinned.append(m_samples.at(i));
        m_samples = thinned;
    }
    m_samples.append({timeMs, Monitor::GsmBarPosition(level)});
}

QVector<TGsmHistory::Sample> TGsmHistory::Samples(qint64 nowMs) const
{
    QVector<Sample> out;
    for (const Sample &s : m_samples)
        if (s.timeMs >= nowMs - WindowMs && s.timeMs <= nowMs)
            out.append(s);
    return out;
}

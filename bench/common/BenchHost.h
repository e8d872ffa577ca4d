#pragma once
// What the benchmark hosts share: the module's port opened and logged in as the
// program does it (the login pair at once, then every 3 s), and the probe of
// the user-interface thread's longest stall.

#include "Morvo3Config.h"
#include "link/Communication.h"
#include "link/Requests.h"
#include "transport/USBCommunicator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <functional>

namespace BenchHost {

inline constexpr int ProbeIntervalMs = 10;
inline constexpr int PasswordRepeatMs = 3000;
inline constexpr int OpenWaitMs = 10000;
inline constexpr int LoginWaitMs = 10000;

// Pumps the event loop until done() holds or waitMs have passed.
inline bool WaitUntil(const std::function<bool()> &done, int waitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < waitMs)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    return done();
}

// The password given on the command line, or the build's factory one.
inline QString Password(const QString &given)
{
    return given.isEmpty() ? QString::fromLatin1(Morvo3Config::DefaultModulePassword) : given;
}

// Opens the reader at once and waits for the port.
inline bool OpenPort(TCommunicator &reader)
{
    reader.SearchNow();
    return WaitUntil([&reader] { return reader.opened(); }, OpenWaitMs);
}

// Sends the login pair now and then every 3 s from repeat, as the program does.
inline void StartLogin(TLink &link, const QString &password, QTimer &repeat)
{
    Requests::SendLoginPassword(link, password);
    QObject::connect(&repeat, &QTimer::timeout, &link, [&link, password] { Requests::SendLoginPassword(link, password); });
    repeat.start(PasswordRepeatMs);
}

// A precise 10 ms timer: lateness beyond its interval is time the
// user-interface thread could not react.
class TStallProbe
{
public:
    TStallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last >= 0)
                m_longestGapNs = std::max(m_longestGapNs, now - m_last);
            m_last = now;
        });
    }
    void Start()
    {
        m_clock.start();
        m_timer.start(ProbeIntervalMs);
    }
    void Stop() { m_timer.stop(); }
    double LongestStallMs() const
    {
        return double(std::max<qint64>(0, m_longestGapNs - qint64(ProbeIntervalMs) * 1000000)) / 1e6;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_longestGapNs = 0;
};

} // namespace BenchHost

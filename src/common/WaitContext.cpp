#include "common/WaitContext.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

TWaitContext::TWaitContext(QObject *parent)
    : QObject(parent)
{
    Time100msTimer.setObjectName(QStringLiteral("Time100msTimer"));
    Time100msTimer.setInterval(TickMs);
    connect(&Time100msTimer, &QTimer::timeout, this, &TWaitContext::onTick);
    Time100msTimer.start();
}

void TWaitContext::onTick()
{
    if (WaitTicks > 0)
        --WaitTicks;
}

void TWaitContext::PumpOnce()
{
    // WaitForMoreEvents sleeps in the event dispatcher until something happens;
    // the 100 ms tick timer guarantees that this returns at least every tick.
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
}

bool TWaitContext::WaitFor(int ticks, const std::function<bool()> &done)
{
    WaitTicks = ticks;
    if (!Time100msTimer.isActive())
        Time100msTimer.start();
    while (!done()) {
        if (StopRequested || Closing || WaitTicks <= 0)
            return done();
        PumpOnce();
    }
    return true;
}

void TWaitContext::WaitMs(int ms)
{
    QDeadlineTimer deadline(ms);
    // A single-shot wake-up makes sure the pump returns at the deadline even
    // when nothing else happens.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(ms);
    while (!deadline.hasExpired() && !Closing)
        PumpOnce();
}

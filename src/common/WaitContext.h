#pragma once
// The one place where the program waits for the module: every procedure that
// waits pumps the event loop through TWaitContext, never spins and never sleeps.

#include <QObject>
#include <QTimer>
#include <functional>

class TWaitContext : public QObject
{
    Q_OBJECT
public:
    static constexpr int TickMs = 100; // one WaitTicks step

    explicit TWaitContext(QObject *parent = nullptr);

    // Decremented on every Time100msTimer tick while positive.
    int WaitTicks = 0;
    // The user's cancel request (btnSTOP); long procedures clear it when they start.
    bool StopRequested = false;
    // Set when the owner goes away (main window closing): every wait ends at once
    // and stays ended, so a procedure caught in a wait can unwind.
    bool Closing = false;

    QTimer Time100msTimer;

    // Pump the event loop until done() holds, WaitTicks reaches 0, StopRequested
    // or Closing is set. Sets WaitTicks to ticks first. Returns done() at the end.
    bool WaitFor(int ticks, const std::function<bool()> &done);
    // Pump until ms milliseconds have passed (or Closing). StopRequested does not end it.
    void WaitMs(int ms);
    // Pump once, blocking until at least one event was handled or the tick timer fired.
    void PumpOnce();

private:
    void onTick();
};

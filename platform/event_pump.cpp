#include "platform/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

namespace platform {

void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    // processEvents(flags, maxtime) drops WaitForMoreEvents and returns at once when nothing is
    // pending: the single-argument form blocks instead, and this timer wakes it at the deadline.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return done();
        if (!deadline.isActive())
            deadline.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace platform

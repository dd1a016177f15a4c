#include "platform/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace platform {

void pumpEvents()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool waitFor(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return done();
        // Blocks until an event arrives or the slice is over, so an idle wait uses no CPU.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents,
                                        static_cast<int>(qMin<qint64>(left, 50)));
    }
    return true;
}

} // namespace platform

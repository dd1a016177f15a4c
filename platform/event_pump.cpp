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
    // The slice's timer ends each sleep. (processEvents with a time limit never sleeps: Qt
    // drops WaitForMoreEvents there, which made this wait spin.)
    QTimer slice;
    slice.setSingleShot(true);
    while (!done()) {
        const qint64 left = timeoutMs - clock.elapsed();
        if (left <= 0)
            return done();
        // Blocks until an event arrives or the slice is over, so an idle wait uses no CPU.
        slice.start(static_cast<int>(qMin<qint64>(left, 50)));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace platform

#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// The signals a desktop session ends a program with (SIGTERM at logout or shutdown, SIGHUP when
// its terminal goes), turned into a Qt signal on the event loop, so the program can shut down in
// order instead of dying on the spot. The handler only writes one byte to a pipe; a socket
// notifier on its other end emits received() from the event loop. One instance per process.
class ShutdownSignals : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform

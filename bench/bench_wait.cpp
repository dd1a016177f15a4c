// Measures what a network wait costs while nothing arrives: connects to a server that accepts
// and never answers, waits for its first byte with platform::waitFor, and prints the wall and
// CPU time (user + system) that the wait took.
// Usage: bench_wait PORT [seconds]   (default 30; scripts/bench-wait.sh starts the server)

#include "platform/event_pump.h"
#include "platform/socket_control.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_wait PORT [seconds]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    platform::SocketControl socket;
    bool connected = false;
    bool answered = false;
    QObject::connect(&socket, &platform::SocketControl::connected, [&] { connected = true; });
    QObject::connect(&socket, &platform::SocketControl::dataArrival, [&] { answered = true; });
    socket.connectTo(QStringLiteral("127.0.0.1"), QString::fromLatin1(argv[1]));
    if (!platform::waitFor([&] { return connected; }, 5000)) {
        std::fprintf(stderr, "no connection to 127.0.0.1:%s\n", argv[1]);
        return 1;
    }

    const double cpuBefore = cpuSeconds();
    QElapsedTimer clock;
    clock.start();
    platform::waitFor([&] { return answered; }, seconds * 1000);
    std::printf("wait %.1f s wall, %.3f s CPU%s\n", clock.elapsed() / 1000.0,
                cpuSeconds() - cpuBefore, answered ? " (the server answered)" : "");
    return 0;
}

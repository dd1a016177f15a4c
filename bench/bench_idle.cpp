// What the monitor costs while idle on an X11 desktop, for scripts/bench-idle.sh to measure.
// Usage: bench_idle bare | ticker
//   bare    a plain Qt window, the reference;
//   ticker  the tray display with its ticker docked into the running tray (3 cells), its check
//           timer running as in the program.
// Prints "ready" once the window or the docked ticker is up, then runs until it is ended.

#include "platform/tray_host.h"
#include "weather/shell/tray_display.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    QWidget bare;
    std::unique_ptr<platform::TrayHost> host;
    std::unique_ptr<shell::TrayDisplay> display;
    if (mode == "bare") {
        bare.resize(200, 100);
        bare.show();
    } else if (mode == "ticker") {
        host = platform::createTrayHost();
        if (!host->available()) {
            std::fprintf(stderr, "no tray that docks icons\n");
            return 1;
        }
        display = std::make_unique<shell::TrayDisplay>(*host);
        display->setCellCount(3);
        display->setContent({QStringLiteral("21.0 °C"), true, 3}, 1);
        display->startTrayDisplay();
        if (!display->state().tickerDocked) {
            std::fprintf(stderr, "the ticker did not dock\n");
            return 1;
        }
    } else {
        std::fprintf(stderr, "usage: bench_idle bare | ticker\n");
        return 2;
    }
    QTimer::singleShot(0, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    return QApplication::exec();
}

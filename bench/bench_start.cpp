// The monitor's start-up and memory, for scripts/bench-start.sh (bench_bare is what it is held
// against). Usage: bench_start APPDIR [SCANS]
// Starts the monitor of program folder APPDIR as the program starts it; prints
// "painted <ms since the epoch>" when the docked ticker first paints a value in the tray, then
// scans SCANS times (default 0), one scan right after the other, prints "scanned <n>" after
// each and runs until it is ended.

#include "common/program_folder.h"
#include "weather/app/weather_app.h"
#include "weather/engine/monitor.h"
#include "weather/shell/panel_displays.h"
#include "weather/shell/tray_display.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <functional>

namespace {

void say(const char* what, qint64 number)
{
    std::printf("%s %lld\n", what, static_cast<long long>(number));
    std::fflush(stdout);
}

// Calls `painted` at the first paint of `widget` for which `counts` holds.
class PaintWatch : public QObject
{
public:
    PaintWatch(QWidget* widget, std::function<bool()> counts) : counts_(std::move(counts))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !done_ && counts_()) {
            done_ = true;
            // After the paint itself: the time is the one a user sees it at.
            QTimer::singleShot(0, [] { say("painted", QDateTime::currentMSecsSinceEpoch()); });
        }
        return false;
    }

private:
    std::function<bool()> counts_;
    bool done_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_start APPDIR [SCANS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    common::initProgramFolder(QCoreApplication::arguments());
    QApplication::setQuitOnLastWindowClosed(false);
    const int scans = argc > 2 ? QByteArray(argv[2]).toInt() : 0;
    QString appDir = QString::fromLocal8Bit(argv[1]);
    if (!appDir.endsWith(u'/'))
        appDir += u'/';
    app::WeatherApp monitor(appDir);
    shell::TrayDisplay& tray = monitor.displays().tray();
    const PaintWatch watch(tray.ticker()->textStrip(), [&tray, &monitor] {
        return tray.state().tickerDocked && tray.ticker()->isVisible() &&
               monitor.monitor().lastPassShown() && tray.ticker()->printed() != u"No Data";
    });
    int scanned = 0;
    QObject::connect(
        &monitor.monitor(), &engine::Monitor::scanningChanged, &monitor, [&](bool scanning) {
            if (scanning || scanned > scans)
                return;
            // The first scan is the start's; then SCANS more, each at once.
            if (scanned > 0)
                say("scanned", scanned);
            if (scanned++ < scans)
                QTimer::singleShot(0, &monitor, [&monitor] { monitor.monitor().refresh(); });
        });
    monitor.start();
    return QApplication::exec();
}

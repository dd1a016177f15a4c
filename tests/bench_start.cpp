// Start-up and memory of the monitor against bare Qt programs, for scripts/bench-start.sh.
// Usage: bench_start window | program | monitor APPDIR [SCANS]
//   window   a bare Qt window; prints "painted <ms since the epoch>" at its first paint, then
//            runs until it is ended;
//   program  a bare Qt program as `weather --print` starts one (offscreen, fonts at hand):
//            prints a line and ends;
//   monitor  the monitor of program folder APPDIR, started as the program starts it; prints
//            "painted <ms since the epoch>" when the docked ticker first paints a value in the
//            tray, then scans SCANS times (default 0), one scan right after the other, prints
//            "scanned <n>" and runs until it is ended.

#include "common/program_folder.h"
#include "weather/app/weather_app.h"
#include "weather/engine/monitor.h"
#include "weather/shell/panel_displays.h"
#include "weather/shell/tray_display.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QFontMetrics>
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
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "program") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        std::printf("%d\n", QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Nimbulo")));
        return 0;
    }
    if (mode == "window") {
        QApplication app(argc, argv);
        QWidget bare;
        bare.resize(200, 100);
        const PaintWatch watch(&bare, [] { return true; });
        bare.show();
        return QApplication::exec();
    }
    if (mode != "monitor" || argc < 3) {
        std::fprintf(stderr, "usage: bench_start window | program | monitor APPDIR [SCANS]\n");
        return 2;
    }
    QApplication app(argc, argv);
    common::initProgramFolder(QCoreApplication::arguments());
    QApplication::setQuitOnLastWindowClosed(false);
    const int scans = argc > 3 ? QByteArray(argv[3]).toInt() : 0;
    QString appDir = QString::fromLocal8Bit(argv[2]);
    if (!appDir.endsWith(u'/'))
        appDir += u'/';
    app::WeatherApp monitor(appDir);
    shell::TrayDisplay& tray = monitor.displays().tray();
    const PaintWatch watch(tray.ticker()->picTicker, [&tray, &monitor] {
        return tray.state.tickerDocked && tray.ticker()->isVisible() &&
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

// weather: the Nimbulo monitor.
//   weather [--appdir DIR]                 the monitor with its window
//   weather [--appdir DIR] --print[=feed]  one scan, the feed text on standard output
//   weather [--appdir DIR] --print=ticker  one scan, the one-line display text
//   weather [--appdir DIR] --print=json    one scan, one line for a Waybar custom module
//   weather [--appdir DIR] --print=record [DAYS]  the saved station's record (default 7 days),
//                                          CSV
//   weather [--appdir DIR] --print=forecast  one scan, the town forecast, a line per period

#include "platform/app_dir.h"
#include "platform/shutdown_signals.h"
#include "platform/single_instance.h"
#include "weather/app/weather_app.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <cstring>
#include <optional>

namespace {

std::optional<app::PrintMode> printMode(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--print") || !std::strcmp(argv[i], "--print=feed"))
            return app::PrintMode::Feed;
        if (!std::strcmp(argv[i], "--print=ticker"))
            return app::PrintMode::Ticker;
        if (!std::strcmp(argv[i], "--print=json"))
            return app::PrintMode::Json;
        if (!std::strcmp(argv[i], "--print=forecast"))
            return app::PrintMode::Forecast;
    }
    return std::nullopt;
}

// `--print=record [DAYS]`: the days asked for (7 when not given); nullopt without the switch.
std::optional<int> recordDays(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--print=record") != 0)
            continue;
        bool ok = false;
        const int days = i + 1 < argc ? QByteArray(argv[i + 1]).toInt(&ok) : 0;
        return ok && days > 0 ? days : 7;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    if (const auto days = recordDays(argc, argv)) {
        QCoreApplication app(argc, argv);
        platform::initAppDir(QCoreApplication::arguments());
        QTextStream out(stdout);
        QTextStream err(stderr);
        return app::runPrintRecord(platform::appDir(), *days, out, err);
    }
    if (const auto mode = printMode(argc, argv)) {
        // Headless: no display is needed, fonts still measure the leaders.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        platform::initAppDir(QCoreApplication::arguments());
        QTextStream out(stdout);
        QTextStream err(stderr);
        return app::runPrint(platform::appDir(), *mode, out, err);
    }

    QApplication app(argc, argv);
    platform::initAppDir(QCoreApplication::arguments());
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per settings file, however its folder is reached.
    platform::SingleInstance instance(platform::resolvedAppDir() + QStringLiteral("weather"));
    if (!instance.claim())
        return 0;

    app::WeatherApp monitor(platform::appDir());
    QObject::connect(&instance, &platform::SingleInstance::restoreRequested, &monitor,
                     &app::WeatherApp::restore);
    // The session ends the program with a signal or through the session manager: it shuts
    // down as Close does, saving the selection.
    platform::ShutdownSignals endOfSession;
    QObject::connect(&endOfSession, &platform::ShutdownSignals::received, &monitor,
                     &app::WeatherApp::endSession);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &monitor,
                     &app::WeatherApp::endSession);
    // A checkpoint of a session that goes on: the selection is saved, the program runs on.
    QObject::connect(&app, &QGuiApplication::saveStateRequest, &monitor,
                     [&monitor] { monitor.monitor().saveSelection(); });
    monitor.start();
    return QApplication::exec();
}

// weather (installed as nimbulo): the Nimbulo monitor; kHelp below lists its command lines.

#include "common/info_options.h"
#include "common/program_folder.h"
#include "common/program_identity.h"
#include "platform/app_dir.h"
#include "platform/shutdown_signals.h"
#include "platform/single_instance.h"
#include "weather/app/weather_app.h"
#include "weather/net/curl_transfer.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <cstring>
#include <optional>

namespace {

const char* const kHelp =
    "Usage: %1 [--appdir DIR] [--print[=feed|=ticker|=json|=forecast|=warnings|=record [DAYS]]]\n"
    "Shows live weather observations of the Bureau of Meteorology for a station of your\n"
    "choice: in the panel's tray or on a desk banner, in tooltips and in the main window.\n"
    "\n"
    "  --appdir DIR     use DIR as the program folder (layout file weather.ini, settings\n"
    "                   wsetting.ini, link menus custom1.ini and custom2.ini)\n"
    "  --print          one scan of the saved station without any window; print its values\n"
    "                   (the screen saver's text) and end\n"
    "  --print=ticker   the same, printing the one-line display text (for a status bar)\n"
    "  --print=json     the same, printing one line for Waybar's custom module\n"
    "  --print=forecast the same, printing the town forecast, a line per period\n"
    "  --print=warnings the same, printing the bureau's warnings in force for the station's\n"
    "                   district, a line each (issue time and headline)\n"
    "  --print=record [DAYS]\n"
    "                   print the saved station's own record of the last DAYS days\n"
    "                   (default 7) as CSV, without a scan\n"
    "  --quit           ask the monitor running on the program folder to quit, wait for\n"
    "                   its end (10 s at most) and end; 1 when it still runs\n"
    "  --help           show this help and end\n"
    "  --version        show the version and end\n"
    "\n"
    "Without --appdir the program folder is the program's own folder when it holds the\n"
    "layout file, else $XDG_DATA_HOME/nimbulo (~/.local/share/nimbulo), made at first start.\n"
    "Certificates: the system's CA store and the file named by SSL_CERT_FILE.\n"
    "Exit status: 0; with --print 1 when the scan failed (--print=json prints class \"stale\"\n"
    "and ends with 0; --print=warnings ends with 0 when it printed nothing, there being no\n"
    "warning in force).\n";

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
        if (!std::strcmp(argv[i], "--print=warnings"))
            return app::PrintMode::Warnings;
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
    if (common::answerInfoOption(argc, argv, kHelp))
        return 0;
    if (const auto days = recordDays(argc, argv)) {
        QCoreApplication app(argc, argv);
        common::initProgramFolder(QCoreApplication::arguments());
        QTextStream out(stdout);
        QTextStream err(stderr);
        return app::runPrintRecord(platform::appDir(), *days, out, err);
    }
    if (const auto mode = printMode(argc, argv)) {
        // No window, no font: the leaders count characters, so no display or font database
        // is set up (a platform's font database alone costs time at start and at the end).
        QCoreApplication app(argc, argv);
        common::initProgramFolder(QCoreApplication::arguments());
        // Its libraries load while the run reads its files.
        const net::CurlTransfer::EarlyHelper transferHelper;
        QTextStream out(stdout);
        QTextStream err(stderr);
        return app::runPrint(platform::appDir(), *mode, out, err);
    }

    if (std::any_of(argv + 1, argv + argc,
                    [](const char* a) { return !std::strcmp(a, "--quit"); })) {
        QCoreApplication app(argc, argv);
        common::initProgramFolder(QCoreApplication::arguments());
        platform::SingleInstance instance(platform::resolvedAppDir() + QStringLiteral("weather"));
        return instance.askToQuit(10000) ? 0 : 1;
    }

    QApplication app(argc, argv);
    common::setProgramIdentity();
    common::initProgramFolder(QCoreApplication::arguments());
    QApplication::setQuitOnLastWindowClosed(false);

    // One copy per settings file, however its folder is reached.
    platform::SingleInstance instance(platform::resolvedAppDir() + QStringLiteral("weather"));
    if (!instance.claim())
        return 0;

    app::WeatherApp monitor(platform::appDir());
    QObject::connect(&instance, &platform::SingleInstance::restoreRequested, &monitor,
                     &app::WeatherApp::restore);
    QObject::connect(&instance, &platform::SingleInstance::quitRequested, &monitor,
                     &app::WeatherApp::quit);
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

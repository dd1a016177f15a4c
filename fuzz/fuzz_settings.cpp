// A settings file (wsetting.ini) through the monitor's start-up load with the shipped layout:
// whatever it holds, the scan period, the region, the station and the forecast chosen are ones
// the program can use, and nothing is fetched or shown.

#include "fuzz_support.h"
#include "weather/engine/monitor.h"
#include "weather/net/error_log.h"

#include <QGuiApplication>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString settings = fuzz::asFile(fuzz::bytes(data, size), QStringLiteral("wsetting.ini"));
    net::ErrorLog log;
    engine::Monitor monitor(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"), settings, log,
                            fuzz::textWidth);
    monitor.loadSettings();
    const int minutes = monitor.scanTimer().interval() / 60000;
    fuzz::require(minutes >= 10 && minutes <= 240, "the scan period is 10 to 240 minutes");
    fuzz::require(!monitor.layout().sectionName.isEmpty(), "a region of the layout is chosen");
    fuzz::require(monitor.stations().selected >= -1 &&
                      monitor.stations().selected < monitor.stations().entries.size(),
                  "a station of the list or none");
    fuzz::require(monitor.forecasts().selected >= -1 &&
                      monitor.forecasts().selected < monitor.forecasts().entries.size(),
                  "a forecast of the list or none");
    return 0;
}

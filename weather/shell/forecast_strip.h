#pragma once

#include "weather/engine/town_forecast.h"

#include <QDateTime>
#include <QList>
#include <QWidget>

class QHBoxLayout;
class QLabel;

namespace engine {
class ForecastWatch;
}

namespace shell {

// The main window's strip of the town forecast for the next days: a title naming the town and
// the issue time, then one cell per period ahead (at most seven): the day's name, its icon,
// the lowest and highest temperature, the precis and the chance of rain; each cell's tooltip is
// the whole period (periodLine(), with the rain range). A forecast issued more than 36 hours
// ago is titled out of date and its cells are greyed. Without a forecast the title says why.
class ForecastStrip : public QWidget
{
    Q_OBJECT
public:
    explicit ForecastStrip(QWidget* parent = nullptr);

    void showForecast(const engine::ForecastWatch& watch, const QDateTime& now);
    // The same for `town` (nullptr: none, `missing` says why) issued at `issued`.
    void showTown(const engine::ForecastTown* town, const QDateTime& issued, const QString& missing,
                  const QDateTime& now);

protected:
    // The icons are drawn again for a new palette (a dark theme) or screen scale.
    void changeEvent(QEvent* event) override;

private:
    void fillCells();

    QLabel* lblForecastTitle;
    QHBoxLayout* cells_;
    QList<engine::ForecastPeriod> periods_;
    bool outOfDate_ = false;
};

} // namespace shell

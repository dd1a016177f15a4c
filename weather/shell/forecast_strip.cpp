#include "weather/shell/forecast_strip.h"

#include "weather/engine/forecast_watch.h"
#include "weather/shell/forecast_icons.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QStringBuilder>
#include <QVBoxLayout>

namespace shell {
namespace {

constexpr int kIconSize = 32;
constexpr int kMaxDays = 7;

QString shortTemperatures(const engine::ForecastPeriod& period)
{
    const auto degrees = [](int value) -> QString { return QString::number(value) % u'\u00B0'; };
    if (period.minimum && period.maximum)
        return degrees(*period.minimum) % u'\u2013' % degrees(*period.maximum);
    if (period.maximum)
        return QStringLiteral("max ") % degrees(*period.maximum);
    if (period.minimum)
        return QStringLiteral("min ") % degrees(*period.minimum);
    return QString();
}

QLabel* centred(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    return label;
}

} // namespace

ForecastStrip::ForecastStrip(QWidget* parent)
    : QWidget(parent), lblForecastTitle(new QLabel(this)), cells_(new QHBoxLayout)
{
    setObjectName(QStringLiteral("fraForecast"));
    lblForecastTitle->setObjectName(QStringLiteral("lblForecastTitle"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(lblForecastTitle);
    cells_->setSpacing(4);
    layout->addLayout(cells_);
}

void ForecastStrip::showForecast(const engine::ForecastWatch& watch, const QDateTime& now)
{
    showTown(watch.shown(), watch.issued(), watch.missingText(), now);
}

void ForecastStrip::showTown(const engine::ForecastTown* town, const QDateTime& issued,
                             const QString& missing, const QDateTime& now)
{
    periods_ = town ? engine::periodsAhead(*town, now) : QList<engine::ForecastPeriod>();
    if (periods_.size() > kMaxDays)
        periods_.resize(kMaxDays);
    outOfDate_ = town && engine::forecastOutOfDate(issued, now);
    if (!town) {
        lblForecastTitle->setText(missing);
        lblForecastTitle->setStyleSheet(QString());
    } else if (outOfDate_) {
        lblForecastTitle->setText(QStringLiteral("Forecast for %1 out of date: issued %2")
                                      .arg(town->name, engine::issueTimeText(issued, town)));
        lblForecastTitle->setStyleSheet(QStringLiteral("color: #b00020; font-weight: bold;"));
    } else {
        lblForecastTitle->setText(QStringLiteral("Forecast for %1, issued %2")
                                      .arg(town->name, engine::issueTimeText(issued, town)));
        lblForecastTitle->setStyleSheet(QStringLiteral("font-weight: bold;"));
    }
    fillCells();
}

void ForecastStrip::fillCells()
{
    while (QLayoutItem* item = cells_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QColor ink = palette().color(QPalette::WindowText);
    const qreal ratio = devicePixelRatioF();
    for (qsizetype i = 0; i < periods_.size(); ++i) {
        const engine::ForecastPeriod& period = periods_.at(i);
        auto* cell = new QFrame(this);
        cell->setObjectName(QStringLiteral("forecastDay_%1").arg(i));
        cell->setFrameShape(QFrame::StyledPanel);
        cell->setToolTip(engine::periodLine(period));
        cell->setEnabled(!outOfDate_);
        // Every day as wide as the next, whatever its words.
        cell->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        auto* column = new QVBoxLayout(cell);
        column->setContentsMargins(2, 3, 2, 3);
        column->setSpacing(1);
        auto* day = centred(engine::shortDayName(period.start.date()), cell);
        day->setStyleSheet(QStringLiteral("font-weight: bold;"));
        column->addWidget(day);
        auto* icon = centred(QString(), cell);
        icon->setObjectName(QStringLiteral("icon"));
        icon->setMinimumHeight(kIconSize);
        const QImage picture = drawForecastIcon(period.iconCode, kIconSize, ratio, ink);
        if (!picture.isNull())
            icon->setPixmap(QPixmap::fromImage(picture));
        icon->setAccessibleName(engine::iconName(period.iconCode));
        column->addWidget(icon);
        column->addWidget(centred(shortTemperatures(period), cell));
        auto* precis = centred(period.precis, cell);
        precis->setWordWrap(true);
        // A little smaller, so "thunderstorm." fits a seventh of the window.
        QFont small = precis->font();
        small.setPointSizeF(small.pointSizeF() * 0.9);
        precis->setFont(small);
        column->addWidget(precis, 1);
        column->addWidget(centred(period.rainChance
                                      ? QString::number(*period.rainChance) % QStringLiteral(" %")
                                      : QString(),
                                  cell));
        cells_->addWidget(cell, 1);
    }
    if (periods_.isEmpty())
        cells_->addStretch();
}

void ForecastStrip::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange ||
        event->type() == QEvent::ScreenChangeInternal)
        fillCells();
    QWidget::changeEvent(event);
}

} // namespace shell

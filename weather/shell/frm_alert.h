#pragma once

#include "weather/shell/alarm_scroll.h"

#include <QColor>
#include <QWidget>

#include <functional>

class QLabel;
class QTimer;

namespace shell {

// The alarm window "Alert": a strip at the bottom centre of the work area in which the alarm
// text scrolls, with an optional ding every 4 seconds. A click or a key closes it; a key with
// Shift, Ctrl or Alt held also asks for all alarms to be switched off.
class frmAlert : public QWidget
{
    Q_OBJECT
public:
    struct Options
    {
        bool playSound = false;
        QString soundFile; // the ding; a missing file is skipped silently
        QColor foreColor;  // invalid: the window's own colours
        QColor backColor;
        double twipsPerPixel = 15;
    };

    // `alarmText` is asked on every tick, so a new alarm text shows at once.
    frmAlert(std::function<QString()> alarmText, const Options& options, QWidget* parent = nullptr);

    const AlarmScroll& scroll() const { return scroll_; }
    int soundsPlayed() const { return soundsPlayed_; }

Q_SIGNALS:
    void alarmsOffRequested();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* picTicker;
    QLabel* Image1;
    QTimer* tmrSound;
    QTimer* tmrTicker;

    void tick();
    void ding();
    void paintStrip();

    std::function<QString()> alarmText_;
    Options options_;
    AlarmScroll scroll_;
    int soundsPlayed_ = 0;
};

} // namespace shell

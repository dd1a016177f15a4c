#pragma once

#include "weather/shell/panel_marks.h"

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QTimer;

namespace shell {

// The stats tooltip's text while the ticker has nothing to show.
inline const QString kNoDataTip =
    QStringLiteral("No Data Found, See Error Log if enabled in program About window.");

// The text the ticker prints for `tickerText`, first matching row wins: a text whose first space
// is at position 5 or later gets five trailing spaces with the trend arrow on, else is trimmed
// (and given two spaces with a theme); "Busy....." gets one space; any other text gets six
// spaces with the trend arrow on, else is trimmed (and given two spaces with a theme). The
// trailing spaces leave room for the arrow, which sits at the right end.
QString tickerPrintText(const QString& tickerText, bool showTrend, bool themeActive);

// What the ticker shows at a paint.
struct TickerContent
{
    QString tickerText;
    bool showTrend = false;
    int trendArrow = 4; // the current arrow image (4: none)
    // Stale: the values are older than the last scan, or the observation older than its
    // product; the text is drawn faded, over a dotted line, with the mark after it.
    PanelMarks marks = {};
    // A warning is in force for the station: the warning mark stands before the text.
    bool warning = false;
};

// The ticker `frmTicker`: a small borderless window whose strip `picTicker` prints the chosen
// stat's text, vertically centred, with the trend arrow. The tray display docks it into the
// notification area or pops it up beside the panel; this class only draws and reports the mouse.
class frmTicker : public QWidget
{
    Q_OBJECT
public:
    explicit frmTicker(QWidget* parent = nullptr);

    QWidget* textStrip() const { return picTicker; } // where the stats tip shows
    // The tray display's check while docked: checkDue() every 500 ms (`tmrCheck`) while on.
    void setChecking(bool on);
    bool checking() const;

    void setColors(const QColor& foreground, const QColor& background);
    QColor foreground() const { return foreground_; }
    QColor background() const { return background_; }
    void setTickerFont(const QFont& font);
    // A single-line border (the hover popup) or none (docked). With the border the ticker
    // widens to its text at every paint (it is free, nothing limits its width).
    void setBordered(bool on);
    bool bordered() const { return bordered_; }
    void setThemeActive(bool on) { themeActive_ = on; }

    // Repaints at once with `content`. Returns false when there is nothing to show: "No Data"
    // is printed and the caller sets the stats tooltip to kNoDataTip.
    bool paintTicker(const TickerContent& content);
    // What the last paint printed and whether it drew the arrow.
    const QString& printed() const { return printed_; }
    bool arrowShown() const { return !arrow_.isNull(); }
    // The size `content` needs in this ticker: its printed text and, with the trend arrow, the
    // arrow beside it (at the ticker's present height), border included.
    QSize textSize(const TickerContent& content) const;

    // Draws the strip (picTicker's paint).
    void drawStrip(QWidget* strip);

Q_SIGNALS:
    void clicked();                          // a left click
    void doubleClicked();                    // back to the main window
    void rightButtonReleased(QPoint global); // the popup menu, while docked
    void pointerInside(bool inside);         // the pointer came onto the ticker or left it
    void checkDue();                         // a tick of `tmrCheck`

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* picTicker;
    QTimer* tmrCheck;

    void fitText();
    int arrowSize() const;
    int markSize() const;
    int markWidth(const TickerContent& content) const; // the warning mark and its gap; 0: none

    QColor foreground_;
    QColor background_;
    QString printed_;
    QPixmap arrow_;
    TickerContent content_;
    bool bordered_ = false;
    bool themeActive_ = true;
};

} // namespace shell

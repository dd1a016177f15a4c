#pragma once

#include "platform/work_area.h"
#include "weather/shell/panel_marks.h"

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPushButton;
class QToolButton;

namespace shell {

// The banner's top edge: a bottom banner sits on a panel that keeps its strip at the bottom,
// else on the screen's bottom; a top banner hangs under a panel that keeps its strip at the
// top, else from the screen's top.
int bannerTopFor(bool bannerTop, int height, const platform::DesktopState& desktop);
// The strip the banner reserves, measured from its screen edge: everything from the banner's
// far edge to the screen edge, plus 2 pixels.
int bannerStrip(bool bannerTop, int top, int height, const QRect& screen);
// The cut-off end of `text`: leading characters dropped one at a time until `fits` holds.
QString bannerTail(const QString& text, const std::function<bool(const QString&)>& fits);

// The desk banner `frmDesk`: a thin borderless dock window across the work area at the top or
// bottom of the screen, with the menu button `cmdMenu`, the text strip `picDspl` and, when the
// text does not fit, `cmdMoveLeft` ("<") that shows the text's end for 6 seconds. It reserves
// its strip (a strut: maximised windows stop at it; the strip dies with the window, also when
// the program is killed), follows the panel to another edge (`tmrPos`, every second) and gives
// the strip back in undoDesk(). Text that does not fit ends in "…" before the arrow and the
// marks, which keep the right end.
class frmDesk : public QWidget
{
    Q_OBJECT
public:
    explicit frmDesk(QWidget* parent = nullptr);

    // Tests replace the desktop.
    void setDesktopSource(std::function<platform::DesktopState()> source);

    // The look and content that printBanner hands over.
    void setLook(const QColor& foreground, const QColor& background, const QFont& font);
    void setText(const QString& bannerText, bool showArrow, const QPixmap& arrow,
                 PanelMarks marks = {});
    void setMenuIcon(const QIcon& icon);
    // A warning is in force: the warning mark stands before the text (which keeps its format).
    void setWarning(bool on) { warning_ = on; }
    bool warningShown() const { return warning_; }

    // Places the banner at the top (`banner_pos`) or bottom edge and reserves its strip.
    void initBanner(bool top);
    void showBanner();  // show it as a dock window on every desktop
    void prtBanner();   // lay out the controls and print the text
    void setDeskArea(); // reserve the strip
    void undoDesk();    // give the strip back
    void tmrPosTick();
    void showTaskbar();
    // Stops following the panel, gives the strip back and hides.
    void closeBanner();

    int reservedStrip() const { return reserved_; } // 0: nothing reserved
    const QString& printed() const { return printed_; }
    const QString& drawn() const { return drawn_; } // the printed text as the last paint fit it
    PanelMarks marks() const { return marks_; }
    QWidget* textStrip() const { return picDspl; } // where the stats tip shows
    void drawText(QWidget* strip);

Q_SIGNALS:
    void popupMenuRequested(QPoint global); // the menu button, or a right click on the text
    void restoreRequested();                // a double-click on the text: the main window

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QToolButton* cmdMenu;
    QWidget* picDspl;
    QPushButton* cmdMoveLeft;
    QTimer tmrPos{this};  // 1000 ms: follow the panel
    QTimer tmrLeft{this}; // 6000 ms, one shot: the shifted view ends

    // `banner_pos`: true for the top edge.
    bool bannerTop = false;
    // What the panel looked like at the last read.
    int taskbarEdge = platform::EdgeBottom;
    int lastTaskbarEdge = platform::EdgeBottom;
    bool taskbarOnTop = false;
    QRect taskbarRect;
    // The last work area read, with the reserved edge replaced by the value set here.
    int workLeft = 0;
    int workTop = 0;
    int workRight = 0;
    int workBottom = 0;
    bool areaPending = false;
    bool tailShown = false;

    void readTaskbar(const platform::DesktopState& desktop);
    void readWorkArea(const platform::DesktopState& desktop);
    void placeBanner(const platform::DesktopState& desktop);
    void moveLeftClicked();
    void reprint();
    int menuWidth() const;
    // The side of a mark and the width the arrow and the marks take in a strip this high.
    static int markSide(int stripHeight);
    int endWidth(int stripHeight) const;

    std::function<platform::DesktopState()> desktop_;
    QString bannerText_;
    QString printed_;
    QString drawn_;
    QPixmap arrow_;
    PanelMarks marks_;
    bool warning_ = false;
    int markWidth() const; // the warning mark and its gap in the strip; 0: none
    QColor foreground_;
    QColor background_;
    QRect screen_;
    int reserved_ = 0;
};

} // namespace shell

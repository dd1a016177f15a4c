#pragma once

#include "saver/saver_settings.h"
#include "saver/scroll_logic.h"

#include <QFontMetricsF>
#include <QStringList>
#include <QWidget>

#include <array>
#include <functional>

class QTimer;

namespace platform {
class RegistryStore;
}

namespace saver {

// Where the values of stats lines ("<label> - - >   <value>") start when drawn in `metrics`'
// font so that they line up whatever the font (0 when no line has a leader), and the width the
// lines then take.
struct StatColumns
{
    qreal valueAt = 0;
    qreal width = 0;
};
StatColumns statColumns(const QStringList& lines, const QFontMetricsF& metrics);

// One picture box of the display: draws its lines, top-down from a point, in the ticker's
// colour and font over the window's background, the values of stats lines in one column.
// Mouse input goes through to the window.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent);
    // Draws `lines` with the first one's top at `at` (pixels, may lie outside the box).
    void setContent(const QStringList& lines, QPointF at);
    const QStringList& lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList lines_;
    QPointF at_;
};

// The saver's display: the latest stats of the running main program, scrolled as pairs of
// lines moving left or as a block moving up, full screen (run mode) or inside a host window
// (preview). It reads the feed at load and every 64 s; in run mode a click, a key or a real
// mouse movement ends it (after the password prompt when the desktop asks for one), while the
// pointer is hidden over it.
class frmMain : public QWidget
{
    Q_OBJECT
public:
    enum SaverMode
    {
        RunMode = 1,
        PreviewMode = 4
    };

    // `readFeed` gives the text to show (by default the main program's feed through the window
    // system). The settings and the desktop's password setting come from `store`.
    frmMain(SaverMode mode, const platform::RegistryStore& store, std::function<QString()> readFeed,
            QWidget* parent = nullptr);
    ~frmMain() override;

    // Settings, first feed read, first pair or block, first tick and the initial pause.
    void formLoad();
    // Run mode: full screen above every other window, on no taskbar or pager, pointer hidden;
    // it holds the keyboard and the pointer (asking again while another program holds them),
    // so no other program, the window manager included, sees input until the saver ends.
    void startRun();

    // The timers' ticks (public so a test can step the display).
    void imageTick();
    void tickerTick();
    void holdTick();

    SaverMode saverMode() const { return saverMode_; }
    const SaverSettings& settings() const { return settings_; }
    bool usePassword() const { return usePassword_; }
    const QString& statsText() const { return statsText_; }
    const PairScroller& pairs() const { return pairs_; }
    const BlockScroller& block() const { return block_; }
    // The lines the display shows now: the time line, then the stats.
    QStringList shownLines() const;

Q_SIGNALS:
    void feedRead(); // after every feed read
    void ended();    // the saver is over: the program ends

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::array<PictureBox*, 2> picTicker;
    PictureBox* picScroll;
    QTimer* tmrImage;    // feed read, every 64 s
    QTimer* tmrTicker;   // one step of the scroll, every 60 ms
    QTimer* tmrTickHold; // the pause, imageTime seconds
    QTimer* tmrGrab;     // run mode: asks again for the keyboard and pointer until both are held

    void endSaver();
    void finish();
    void grabTick();
    void layoutBoxes();
    void applyLook();
    double twips() const;

    SaverMode saverMode_;
    const platform::RegistryStore& store_;
    std::function<QString()> readFeed_;
    SaverSettings settings_;
    bool usePassword_ = false;
    QString statsText_;
    PairScroller pairs_;
    BlockScroller block_;
    MouseMoveTest mouse_;
    bool ending_ = false;
    bool keyboardHeld_ = false;
    bool pointerHeld_ = false;
};

} // namespace saver

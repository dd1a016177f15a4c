#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

// The moving parts of the saver's display without any widget: the pairs that scroll left, the
// block that scrolls up, and the mouse-movement rule that ends the saver. Distances are in
// twips (1/1440 inch), the units the steps and thresholds are given in; the display converts
// to pixels with twipsPerPixel().
namespace saver {

// Twips per pixel of a screen with the given logical resolution (15 at 96 dpi).
double twipsPerPixel(double logicalDpi);

// Width in pixels of a text in the ticker's font.
using TextWidth = std::function<int(QStringView)>;

// Horizontal mode: the display lines two at a time on two rows ("pairs") that move left,
// a character at a time, and pause when a new pair comes in.
class PairScroller
{
public:
    static constexpr int kStep = 55;    // twips moved per tick
    static constexpr int kPadUnit = 45; // screen pixels per leading blank of a pair

    struct Metrics
    {
        TextWidth textWidth;
        double twipsPerPixel = 15;
        int screenWidth = 0; // pixels
    };

    explicit PairScroller(Metrics metrics) : metrics_(std::move(metrics)) {}

    // The lines to show from now on; with `fromFirst` the next pair starts with the first.
    void setItems(QStringList items, bool fromFirst);
    const QStringList& items() const { return displayItems_; }
    // The next pair starts with this item.
    int itemIndex() const { return itemIndex_; }
    // The two padded lines now on the rows.
    const std::array<QString, 2>& pair() const { return tickerPair_; }
    // How far the first visible character has moved left, in twips.
    int offset() const { return offset_; }

    // A pause is under way while holding: nothing moves.
    bool holding() const { return holding_; }
    void hold() { holding_ = true; }
    void release() { holding_ = false; }

    // Loads the pair that starts at itemIndex(): both lines get as many leading blanks as fit
    // (screen width - width of the first line) / kPadUnit times, none when the line is wider
    // than the screen, and four trailing ones; the second line is only blanks when the first
    // item is the last. itemIndex() moves on by two, back to 0 past the end.
    void loadTickerPair();

    struct Step
    {
        int row;        // the row to draw again
        QString text;   // its line from the first visible character
        double x;       // where that text starts, in pixels (0 or left of the row's edge)
        bool startHold; // a new pair came in: start the pause
    };
    // One tick of the ticker timer: alternates the rows, moves on unless holding, drops the
    // first visible character once it has moved past its own width and, when the whole first
    // line has gone, loads the next pair and starts a pause.
    Step tick();

private:
    int charWidth(const QString& line, int pos) const;

    Metrics metrics_;
    QStringList displayItems_;
    int itemIndex_ = 0;
    std::array<QString, 2> tickerPair_;
    int charPos_ = 0; // leading characters already scrolled away
    int offset_ = 0;
    bool holding_ = false;
    int row_ = 1; // the row the last tick drew
};

// Vertical mode: one block of lines that moves up from the bottom of its box, pauses at the
// top and starts again from the bottom once it has passed the top.
class BlockScroller
{
public:
    static constexpr int kStep = 20; // twips moved per tick

    // Starts again at the top of the box.
    void toTop() { offset_ = kStep; }
    // A pause is under way while holding: nothing moves.
    bool holding() const { return holding_; }
    void hold() { holding_ = true; }
    void release() { holding_ = false; }

    struct Step
    {
        int y;          // where to draw the block now, in twips
        bool startHold; // the block reached the top: start the pause
    };
    Step tick(int blockHeight, int boxHeight);

private:
    int offset_ = kStep; // top of the block, from the top of its box
    bool holding_ = false;
};

// Ends the saver on real mouse movement but not on jitter: only every fourth movement event
// counts, the first that counts records the position, and a later one more than kThreshold
// away from it on either axis ends the saver.
class MouseMoveTest
{
public:
    static constexpr double kThreshold = 20; // twips

    // A movement event at `pos` (twips); true when the saver should end.
    bool moved(QPointF pos);

private:
    int count_ = 0;
    bool recorded_ = false;
    QPointF at_;
};

} // namespace saver

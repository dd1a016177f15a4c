#pragma once

#include <QColor>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace shell {

// How one tool's tip looks (the settings `AddTool` receives). Invalid colours mean the system's
// tooltip colours. Icon: 0 none, 1 information, 2 warning, 3 error. The tip is about `width`
// pixels wide: longer lines wrap, and a line break in the text (CR LF or LF) always starts a
// new line.
struct TipStyle
{
    QColor foreColor;
    QColor backColor;
    bool balloon = false;
    QString title;
    int icon = 1;
    int showMode = 16;
    int margin = 0;
    bool centered = false;
    bool transparent = true;
    int alignment = 2;
    int width = 150;
};

// Titled, iconed tooltips on any widget (labels and frames included), shown through Qt's tool
// tip as rich text: the icon and the bold title on the first line, then the text. Each tool
// keeps its own text and style; a widget that is destroyed leaves by itself.
class clsTooltip : public QObject
{
    Q_OBJECT
public:
    explicit clsTooltip(QObject* parent = nullptr);
    ~clsTooltip() override;

    // False for a null widget.
    bool addTool(QWidget* tool, const QString& text, const TipStyle& style);
    // Changes an existing tool's text and style; false when `tool` has none.
    bool updateTool(QWidget* tool, const QString& text, const TipStyle& style);
    void removeTool(QWidget* tool);
    bool hasTool(QWidget* tool) const;
    int toolCount() const { return static_cast<int>(tools_.size()); }

    // The rich text the tool's tip shows; empty without a tool.
    QString tipHtml(QWidget* tool) const;

Q_SIGNALS:
    // A tip is about to show: a listener may update the tool's text first.
    void needText(QWidget* tool);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tool
    {
        QString text;
        TipStyle style;
    };
    QHash<QWidget*, Tool> tools_;
};

// One help tip of the controls' table: the control's objectName, the tip's title and lines.
struct HelpTip
{
    QString control;
    QString title;
    QStringList lines;
    int icon = 1;
};

// Every help tip of the main window, the banner's menu button and the options dialog.
const QList<HelpTip>& helpTipTable();

// The main window's tooltip procedures over one clsTooltip: help tips on the listed controls
// (while `tool_tips` is on) and the stats tips on the ticker and the banner strip (always).
class ToolTipHelp
{
public:
    // setToolTips: the help tip of every listed control found (by objectName) in `windows`;
    // running it again for a window created later adds that window's tips.
    void setToolTips(const QList<QWidget*>& windows);
    // Removes every help tip; the stats tips stay.
    void removeToolTips();
    bool helpTipsOn() const { return !helpTools_.isEmpty(); }

    // setStatTips for one display strip (`picDspl`, `picTicker`): "Stats Not Updated".
    void setStatTip(QWidget* strip);
    // updateStatTips: the strip's stats tip shows `text` (the lines of `tickerTip`).
    void updateStatTip(QWidget* strip, const QString& text);

    // closeToolTips at shutdown: every tip removed.
    void closeToolTips();

    clsTooltip& tooltip() { return tooltip_; }

private:
    clsTooltip tooltip_;
    QList<QPointer<QWidget>> helpTools_;
    QList<QPointer<QWidget>> statTools_;
};

} // namespace shell

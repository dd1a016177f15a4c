#include "weather/shell/cls_tooltip.h"

#include <QHelpEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolTip>
#include <QtTest>

using shell::clsTooltip;
using shell::TipStyle;

namespace {

// Asks `widget` for its tip as the mouse resting over it would.
void hover(QWidget* widget)
{
    QHelpEvent event(QEvent::ToolTip, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &event);
}

// The icon picture a tip's html carries.
QString image(const QString& html)
{
    const qsizetype start = html.indexOf(QLatin1String("data:"));
    return start < 0 ? QString() : html.mid(start, html.indexOf(QLatin1Char('"'), start) - start);
}

} // namespace

class TestTooltips : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QToolTip::hideText(); }

    void styleShapesTheTip_data()
    {
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("title");
        QTest::newRow("titled with the usual icon") << 1 << 150 << "Refresh button:";
        QTest::newRow("no icon, no title") << 0 << 300 << "";
        QTest::newRow("warning") << 2 << 150 << "Version:";
    }

    void styleShapesTheTip()
    {
        QFETCH(int, icon);
        QFETCH(int, width);
        QFETCH(QString, title);
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("x"), &window);
        window.show();
        clsTooltip tips;
        TipStyle style;
        style.icon = icon;
        style.width = width;
        style.title = title;
        QVERIFY(tips.addTool(button, QStringLiteral("first & <line>\r\nsecond line"), style));
        const QString html = tips.tipHtml(button);
        QVERIFY(html.contains(QLatin1String("first &amp; &lt;line&gt;<br>second line")));
        QCOMPARE(html.contains(QLatin1String("data:image/png;base64,")), icon != 0);
        QVERIFY(html.contains(QStringLiteral("width=\"%1\"").arg(width)));
        QCOMPARE(html.contains("<b>" + title + "</b>"), !title.isEmpty());
        hover(button);
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), html);
    }

    void coloursApplyToTheirToolOnly()
    {
        QWidget window;
        auto* coloured = new QLabel(QStringLiteral("a"), &window);
        auto* plain = new QLabel(QStringLiteral("b"), &window);
        window.show();
        clsTooltip tips;
        TipStyle red;
        red.backColor = QColor(200, 0, 0);
        red.foreColor = QColor(255, 255, 255);
        tips.addTool(coloured, QStringLiteral("red"), red);
        tips.addTool(plain, QStringLiteral("plain"), TipStyle());
        const QColor system = QToolTip::palette().color(QPalette::ToolTipBase);
        hover(coloured);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), QColor(200, 0, 0));
        hover(plain);
        QCOMPARE(QToolTip::palette().color(QPalette::ToolTipBase), system);
    }

    void updateRemoveAndDestroy()
    {
        qRegisterMetaType<QWidget*>();
        clsTooltip tips;
        QSignalSpy need(&tips, &clsTooltip::needText);
        auto* label = new QLabel;
        QVERIFY(!tips.updateTool(label, QStringLiteral("x"), TipStyle()));
        tips.addTool(label, QStringLiteral("Stats Not Updated"), TipStyle());
        QVERIFY(tips.updateTool(label, QStringLiteral("Alpha\r\nTemp 20"), TipStyle()));
        QVERIFY(tips.tipHtml(label).contains(QLatin1String("Alpha<br>Temp 20")));
        label->show();
        hover(label);
        QCOMPARE(need.size(), 1);
        tips.removeTool(label);
        QVERIFY(!tips.hasTool(label));
        QVERIFY(tips.tipHtml(label).isEmpty());
        QToolTip::hideText();
        QTRY_VERIFY(!QToolTip::isVisible());
        hover(label); // no tip of ours any more
        QVERIFY(!QToolTip::isVisible());

        tips.addTool(label, QStringLiteral("again"), TipStyle());
        delete label;
        QCOMPARE(tips.toolCount(), 0);
        QVERIFY(!tips.addTool(nullptr, QStringLiteral("x"), TipStyle()));
    }

    void helpTipsOnNamedControls()
    {
        QWidget main;
        for (const char* name : {"cmdRefresh", "cmdLinks", "chkAlarm"})
            (new QPushButton(&main))->setObjectName(QLatin1String(name));
        QWidget options;
        auto* frame = new QLabel(&options); // a frame or label has its tip too
        frame->setObjectName(QStringLiteral("Frame1"));
        auto* updates = new QPushButton(&options);
        updates->setObjectName(QStringLiteral("chkUpdates"));
        QWidget banner;
        auto* strip = new QLabel(&banner);
        auto* ticker = new QLabel(&banner);

        shell::ToolTipHelp help;
        help.setStatTip(strip);
        help.setStatTip(ticker);
        help.updateStatTip(ticker, QStringLiteral("Alpha at: 10:00 AM\r\nTemp 20.5 C"));
        help.setToolTips({&main, &options, nullptr});
        QVERIFY(help.helpTipsOn());
        QCOMPARE(help.tooltip().toolCount(), 7);
        const auto tip = [&help](QWidget* w) { return help.tooltip().tipHtml(w); };
        const QString refresh = tip(main.findChild<QWidget*>("cmdRefresh"));
        QVERIFY(refresh.contains(QLatin1String("<b>Refresh button:</b>")));
        QVERIFY(refresh.contains(QLatin1String("This button will Refresh / Update observations")));
        QVERIFY(tip(frame).contains(QLatin1String("Use Scroll to set intervals between updates<br>"
                                                  "Observations stats are hourly<br>")));
        // The version check box is the one with another icon: the warning's.
        QVERIFY(!image(tip(updates)).isEmpty() && image(refresh) != image(tip(updates)));

        const QString stats = tip(ticker);
        QVERIFY(stats.contains(QLatin1String("<b>Nimbulo:</b>")));
        QVERIFY(stats.contains(QLatin1String("Alpha at: 10:00 AM<br>Temp 20.5 C")));
        QVERIFY(stats.contains(QLatin1String("width=\"300\"")));
        QVERIFY(tip(strip).contains(QLatin1String("Stats Not Updated")));

        // Switched off: every help tip goes at once, the stats tips stay.
        help.removeToolTips();
        QVERIFY(!help.helpTipsOn());
        QCOMPARE(help.tooltip().toolCount(), 2);
        QVERIFY(help.tooltip().hasTool(ticker));
        help.setToolTips({&main});
        QCOMPARE(help.tooltip().toolCount(), 5);
        help.closeToolTips();
        QCOMPARE(help.tooltip().toolCount(), 0);

        // Every table entry has a title and text, and each control one entry.
        QSet<QString> controls;
        for (const shell::HelpTip& entry : shell::helpTipTable()) {
            QVERIFY(!entry.title.isEmpty() && !entry.lines.isEmpty());
            controls.insert(entry.control);
        }
        QCOMPARE(controls.size(), shell::helpTipTable().size());
    }
};

QTEST_MAIN(TestTooltips)
#include "tst_tooltips.moc"

// The bare Qt programs scripts/bench-start.sh holds the monitor against: linked with Qt alone.
// Usage: bench_bare window | blank | program
//   window   a bare Qt window that paints one line of text (a value, as the monitor's ticker
//            does); prints "painted <ms since the epoch>" at its first paint, then runs until
//            it is ended;
//   blank    the same window painting nothing: without text no font is ever loaded;
//   program  a bare Qt program (offscreen, a font at hand: more than `weather --print` sets
//            up): prints a line and ends.

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QPainter>
#include <QWidget>

#include <cstdio>

namespace {

class BareWindow : public QWidget
{
public:
    explicit BareWindow(bool text) : text_(text) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (text_)
            QPainter(this).drawText(rect(), Qt::AlignCenter, QStringLiteral("21.4 \u00B0C"));
        if (painted_)
            return;
        painted_ = true;
        std::printf("painted %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        std::fflush(stdout);
    }

private:
    bool text_;
    bool painted_ = false;
};

} // namespace

int main(int argc, char** argv)
{
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "program") {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        std::printf("%d\n", QFontMetrics(QFont()).horizontalAdvance(QStringLiteral("Nimbulo")));
        return 0;
    }
    if (mode != "window" && mode != "blank") {
        std::fprintf(stderr, "usage: bench_bare window | blank | program\n");
        return 2;
    }
    QApplication app(argc, argv);
    BareWindow bare(mode == "window");
    bare.resize(200, 100);
    bare.show();
    return QApplication::exec();
}

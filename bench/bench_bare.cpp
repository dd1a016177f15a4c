// The bare Qt programs scripts/bench-start.sh holds the monitor against: linked with Qt alone.
// Usage: bench_bare window | program
//   window   a bare Qt window; prints "painted <ms since the epoch>" at its first paint, then
//            runs until it is ended;
//   program  a bare Qt program (offscreen, a font at hand: more than `weather --print` sets
//            up): prints a line and ends.

#include <QApplication>
#include <QDateTime>
#include <QFontMetrics>
#include <QWidget>

#include <cstdio>

namespace {

class BareWindow : public QWidget
{
protected:
    void paintEvent(QPaintEvent*) override
    {
        if (painted_)
            return;
        painted_ = true;
        std::printf("painted %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        std::fflush(stdout);
    }

private:
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
    if (mode != "window") {
        std::fprintf(stderr, "usage: bench_bare window | program\n");
        return 2;
    }
    QApplication app(argc, argv);
    BareWindow bare;
    bare.resize(200, 100);
    bare.show();
    return QApplication::exec();
}

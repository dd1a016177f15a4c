#include "find_control.h"
#include "platform/message_box.h"
#include "platform/registry_store.h"
#include "saver/frm_main.h"
#include "saver/frm_password.h"
#include "saver/saver_settings.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using platform::MessageBox;
using platform::RegistryStore;
using saver::frmMain;

namespace {

const QString kFeed =
    QStringLiteral("Alpha at: 10:00 AM\r\nTemp - - - - >   35.5 C\r\nRain > 1.0 mm");
const QString kKey = QLatin1String(saver::kSaverKeyPath);

// Answers the password prompt once it is up.
void whenPrompt(std::function<void(saver::frmPassword*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* prompt = qobject_cast<saver::frmPassword*>(QApplication::activeModalWidget());
        QVERIFY(prompt);
        act(prompt);
    });
}

// A mouse movement without buttons, as the window system reports it.
void moveTo(QWidget* w, QPoint pos)
{
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

// Sends one kind of user input: a click, a key, a far mouse
// movement after seven small ones, or single pixels of jitter on one spot.
void sendInput(QWidget* w, const QString& input)
{
    if (input == QLatin1String("click"))
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(10, 10));
    else if (input == QLatin1String("key"))
        QTest::keyClick(w, Qt::Key_Shift);
    for (int i = 0; input == QLatin1String("move") && i < 8; ++i)
        moveTo(w, i < 7 ? QPoint(100 + i % 2, 100) : QPoint(300, 100));
    for (int i = 0; input == QLatin1String("jitter") && i < 40; ++i)
        moveTo(w, QPoint(200, 200 + (i % 2)));
}

} // namespace

class TestSaverWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<RegistryStore> store_;
    int storeNumber_ = 0;
    QString feed_;

    std::unique_ptr<frmMain> display(frmMain::SaverMode mode)
    {
        auto w = std::make_unique<frmMain>(mode, *store_, [this] { return feed_; });
        w->resize(800, 600);
        return w;
    }

    void write(const QString& key, const QString& name, const char* kind, const QVariant& value)
    {
        QCOMPARE(store_->regWrite(QStringLiteral("HKCU"), key, name, QLatin1String(kind), value),
                 0);
    }

private Q_SLOTS:
    void init()
    {
        store_ = std::make_unique<RegistryStore>(
            dir_.filePath(QStringLiteral("registry%1.ini").arg(++storeNumber_)));
        feed_ = kFeed;
        MessageBox::script({});
    }

    void cleanup() { MessageBox::unscript(); }

    void loadShowsTheFeedAsPairs()
    {
        write(kKey, QStringLiteral("ImageTime"), "D", quint32(7));
        auto w = display(frmMain::RunMode);
        w->formLoad();
        const QStringList items = w->pairs().items();
        QCOMPARE(items.mid(1), kFeed.split(QStringLiteral("\r\n")));
        QCOMPARE(w->shownLines(), items);
        QCOMPARE(w->pairs().pair()[1].trimmed(), QStringLiteral("Alpha at: 10:00 AM"));
        QVERIFY(child<QWidget>(*w, "picScroll")->isHidden());
        // The first pair pauses for the stored time before it moves.
        QVERIFY(w->pairs().holding() && child<QTimer>(*w, "tmrTickHold")->isActive());
        QCOMPARE(child<QTimer>(*w, "tmrTickHold")->interval(), 7000);
        child<QTimer>(*w, "tmrTicker")->stop();
        const int offset = w->pairs().offset();
        w->tickerTick();
        QCOMPARE(w->pairs().offset(), offset);
        w->holdTick();
        QVERIFY(!child<QTimer>(*w, "tmrTickHold")->isActive());
        w->tickerTick();
        QVERIFY(w->pairs().offset() != offset);
        // A changed feed starts the pairs again.
        feed_ = QStringLiteral("Nimbulo\r\nALERT");
        w->imageTick();
        QCOMPARE(w->pairs().items().mid(1), QStringList({"Nimbulo", "ALERT"}));
    }

    void verticalModeShowsTheBlock()
    {
        write(kKey, QStringLiteral("DisplayType"), "D", quint32(1));
        auto w = display(frmMain::RunMode);
        w->formLoad();
        auto* block = child<saver::PictureBox>(*w, "picScroll");
        QVERIFY(!block->isHidden());
        const QStringList lines = block->lines();
        QCOMPARE(lines.value(3), QStringLiteral("Rain > 1.0 mm"));
        // As wide as the widest line, in the middle of the window.
        const QFontMetrics metrics(w->settings().tickerFont);
        QCOMPARE(block->width(), metrics.horizontalAdvance(lines.value(2)));
        QCOMPARE(block->x(), (800 - block->width()) / 2);
        // It pauses for the stored time before it moves up.
        child<QTimer>(*w, "tmrTicker")->stop();
        QVERIFY(w->block().holding() && child<QTimer>(*w, "tmrTickHold")->isActive());
        const QImage still = block->grab().toImage();
        w->tickerTick();
        QCOMPARE(block->grab().toImage(), still);
        w->holdTick();
        QVERIFY(!w->block().holding());
        for (int i = 0; i < 2; ++i)
            w->tickerTick();
        QVERIFY(block->grab().toImage() != still);
    }

    // The values of the block start in one column whatever the font and the leaders: each line
    // ends in the same value, so its ink ends at the same column.
    void blockValuesLineUp_data()
    {
        QTest::addColumn<QString>("family");
        QTest::newRow("proportional") << QStringLiteral("DejaVu Sans");
        QTest::newRow("fixed pitch") << QStringLiteral("DejaVu Sans Mono");
    }
    void blockValuesLineUp()
    {
        QFETCH(QString, family);
        QWidget window;
        saver::PictureBox box(&window);
        QFont font(family);
        font.setPixelSize(20);
        box.setFont(font);
        box.resize(600, 120);
        box.setContent({QStringLiteral("Temp - - - - >   7"), QStringLiteral("Wind Gust - >   7"),
                        QStringLiteral("WWW - >   7")},
                       QPointF(0, 0));
        const QImage image = box.grab().toImage();
        const QColor ground = image.pixelColor(image.width() - 1, image.height() - 1);
        const int spacing = QFontMetrics(font).lineSpacing();
        QList<int> inkEnds;
        for (int line = 0; line < 3; ++line) {
            int end = -1;
            for (int y = line * spacing; y < (line + 1) * spacing; ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixelColor(x, y) != ground)
                        end = qMax(end, x);
            inkEnds.append(end);
        }
        QVERIFY(inkEnds[0] > 0);
        QCOMPARE(inkEnds[1], inkEnds[0]);
        QCOMPARE(inkEnds[2], inkEnds[0]);
    }

    void layoutFollowsTheWindow()
    {
        auto w = display(frmMain::RunMode);
        w->formLoad();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->resize(1000, 700);
        QCOMPARE(child<QWidget>(*w, "picTicker_0")->geometry(), QRect(50, 175, 900, 116));
        QCOMPARE(child<QWidget>(*w, "picScroll")->height(), 630);
    }

    void inputEndsTheRun_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("ends");
        QTest::newRow("click") << "click" << true;
        QTest::newRow("key") << "key" << true;
        QTest::newRow("mouse movement") << "move" << true;
        // 20 twips is little more than a pixel: single pixels of jitter on one spot do not end.
        QTest::newRow("jitter") << "jitter" << false;
    }

    void inputEndsTheRun()
    {
        QFETCH(QString, input);
        QFETCH(bool, ends);
        auto w = display(frmMain::RunMode);
        QSignalSpy ended(w.get(), &frmMain::ended);
        w->formLoad();
        w->startRun();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        sendInput(w.get(), input);
        QCOMPARE(ended.count() > 0, ends);
        QCOMPARE(w->cursor().shape() == Qt::BlankCursor, !ends);
    }

    void previewIgnoresInput()
    {
        auto w = display(frmMain::PreviewMode);
        QSignalSpy ended(w.get(), &frmMain::ended);
        w->formLoad();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        for (const char* input : {"click", "key", "move"})
            sendInput(w.get(), QLatin1String(input));
        QCOMPARE(ended.count(), 0);
        QVERIFY(w->cursor().shape() != Qt::BlankCursor);
    }

    void passwordPrompt()
    {
        write(QStringLiteral("Control Panel\\Desktop"), QStringLiteral("ScreenSaveUsePassword"),
              "D", quint32(1));
        saver::savePassword(*store_, QStringLiteral("Pw"));
        auto w = display(frmMain::RunMode);
        QSignalSpy ended(w.get(), &frmMain::ended);
        w->formLoad();
        w->startRun();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));

        // Cancel: the pointer shows while the prompt is up, then the saver goes on.
        bool pointerShown = false;
        whenPrompt([&](saver::frmPassword* prompt) {
            pointerShown = w->cursor().shape() != Qt::BlankCursor;
            child<QPushButton>(*prompt, "cmdCancel")->click();
        });
        QTest::mouseClick(w.get(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(pointerShown);
        QCOMPARE(ended.count(), 0);
        QCOMPARE(w->cursor().shape(), Qt::BlankCursor);

        // A wrong password, then the right one.
        whenPrompt([&](saver::frmPassword* prompt) {
            child<QLineEdit>(*prompt, "txtPassword")->setText(QStringLiteral("pw"));
            child<QPushButton>(*prompt, "cmdOK")->click();
            child<QLineEdit>(*prompt, "txtPassword")->setText(QStringLiteral("Pw"));
            child<QPushButton>(*prompt, "cmdOK")->click();
        });
        QTest::keyClick(w.get(), Qt::Key_Space);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(MessageBox::shownBoxes().size(), 1);
    }
};

QTEST_MAIN(TestSaverWindow)
#include "tst_saver_window.moc"

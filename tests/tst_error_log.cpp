#include "weather/net/error_log.h"
#include "weather/net/frm_err_msg.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using net::ErrorLog;

class TestErrorLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entriesAndSeparators()
    {
        ErrorLog log;
        log.writeTxt(QStringLiteral("first"), QTime(15, 4, 5));
        QCOMPARE(log.text(), QStringLiteral("03:04:05 PM : first"));
        log.writeTxt(QStringLiteral("line one\r\nline two"), QTime(0, 0, 9));
        QCOMPARE(log.text(), QStringLiteral("03:04:05 PM : first\r\n\r\n"
                                            "12:00:09 AM : line one\r\nline two"));
    }

    void limitKeepsNewestEntries_data()
    {
        QTest::addColumn<int>("entrySize");
        QTest::newRow("small entries") << 90;
        QTest::newRow("entries near the limit") << 6000;
    }

    void limitKeepsNewestEntries()
    {
        QFETCH(int, entrySize);
        ErrorLog log;
        for (int i = 0; i < 400; ++i)
            log.writeTxt(QStringLiteral("entry %1 ").arg(i, 3, 10, QLatin1Char('0')) +
                             QString(entrySize, QLatin1Char('x')),
                         QTime(9, 0));
        QVERIFY(log.text().size() <= ErrorLog::kLimit);
        QVERIFY(log.text().endsWith(QString(entrySize, QLatin1Char('x'))));
        QVERIFY(log.text().contains(QStringLiteral("entry 399")));
        // The log starts with a whole entry, not with a cut one or a separator.
        QVERIFY(log.text().startsWith(QStringLiteral("09:00:00 AM : entry ")));
    }

    void oversizedEntryKeepsItsTail()
    {
        ErrorLog log;
        log.writeTxt(QStringLiteral("old"));
        log.writeTxt(QString(20000, QLatin1Char('y')) + QStringLiteral("END"));
        QCOMPARE(log.text().size(), ErrorLog::kLimit);
        QVERIFY(log.text().endsWith(QStringLiteral("yEND")));
    }

    void windowClearAndHide()
    {
        ErrorLog log;
        QSignalSpy spy(&log, &ErrorLog::changed);
        net::frmErrMsg form(log);
        log.writeTxt(QStringLiteral("Host not found"), QTime(10, 0));
        QCOMPARE(spy.takeLast().at(0).toBool(), true);
        QVERIFY(form.findChild<QPlainTextEdit*>("txtErr")->toPlainText().endsWith(
            QStringLiteral("Host not found")));

        form.show();
        form.findChild<QPushButton*>("Command1")->click();
        QVERIFY(!form.isVisible());
        QVERIFY(!log.isEmpty());

        form.show();
        form.findChild<QPushButton*>("cmdClear")->click();
        QVERIFY(log.isEmpty());
        QVERIFY(!form.isVisible());
        QCOMPARE(spy.takeLast().at(0).toBool(), false);
        QVERIFY(form.findChild<QPlainTextEdit*>("txtErr")->toPlainText().isEmpty());
        QCOMPARE(form.windowTitle(), QStringLiteral("Nimbulo Error Log"));
    }
};

QTEST_MAIN(TestErrorLog)
#include "tst_error_log.moc"

// The program's wiring of the network services: the alarm mail on the monitor's mail timer,
// the about window on the about button with its error-log and update buttons.

#include "platform/message_box.h"
#include "weather/app/weather_app.h"
#include "weather/net/frm_about.h"
#include "weather/net/frm_err_msg.h"
#include "weather/net/version_check.h"

#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// An SMTP server that accepts everything and keeps the lines it receives.
class AcceptingSmtp : public QObject
{
public:
    QList<QByteArray> lines;

    AcceptingSmtp()
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = server_.nextPendingConnection();
            s->write("220 ready\r\n");
            connect(s, &QTcpSocket::readyRead, this, [this, s] {
                while (s->canReadLine()) {
                    lines.append(s->readLine().chopped(2));
                    if (inData_ && lines.constLast() != ".")
                        continue;
                    inData_ = lines.constLast() == "DATA";
                    s->write("250 ok\r\n");
                }
            });
        });
    }
    QString port() const { return QString::number(server_.serverPort()); }

private:
    QTcpServer server_;
    bool inData_ = false;
};

} // namespace

class TestWeatherAppNet : public QObject
{
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QFile::copy(QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini"),
                            dir_.filePath(QStringLiteral("weather.ini"))));
        platform::MessageBox::script({});
    }

    void alarmMailOnMailTimer_data()
    {
        QTest::addColumn<bool>("endOfAlarm");
        QTest::addColumn<QByteArray>("state");
        QTest::newRow("start") << false << QByteArray("Alarm ON");
        QTest::newRow("end") << true << QByteArray("Alarm OFF");
    }
    void alarmMailOnMailTimer()
    {
        QFETCH(bool, endOfAlarm);
        QFETCH(QByteArray, state);
        AcceptingSmtp smtp;
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        config::AppSettings& s = app.monitor().settings();
        s.mailServer = QStringLiteral("127.0.0.1");
        s.mailPort = smtp.port();
        s.mailSender = QStringLiteral("alarm@example.com");
        s.mailRecipient = QStringLiteral("me@example.com");
        Q_EMIT app.monitor().mailDue(endOfAlarm);
        QVERIFY2(app.log().isEmpty(), qPrintable(app.log().text()));
        QVERIFY(smtp.lines.contains("RCPT TO:<me@example.com>"));
        QVERIFY(smtp.lines.contains("Aus Nimbulo Alarm Message"));
        QVERIFY(smtp.lines.contains(state));
        QVERIFY(smtp.lines.contains("Last observations at "));
    }

    void aboutWindow()
    {
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        QVERIFY(!app.aboutWindow());
        app.window().cmdAbout->click();
        QVERIFY(app.aboutWindow());
        net::frmAbout* about = app.aboutWindow();
        QVERIFY(!about->cmdErrLog->isEnabled());
        app.log().writeTxt(QStringLiteral("something"));
        QVERIFY(about->cmdErrLog->isEnabled());
        about->cmdErrLog->click();
        auto* log = app.window().findChild<net::frmErrMsg*>();
        QVERIFY(log && log->isVisible());
        about->cmdOK->click();
        QTRY_VERIFY(!app.aboutWindow());
    }
};

QTEST_MAIN(TestWeatherAppNet)
#include "tst_weather_app_net.moc"

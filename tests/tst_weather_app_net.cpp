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
                    if (!inData_ || lines.constLast() == ".") {
                        inData_ = lines.constLast() == "DATA";
                        s->write("250 ok\r\n");
                    }
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

    // The start and the end of an alarm each send a mail to the configured recipient, with
    // their own subjects, the end mail answering the start mail.
    void alarmMailOnMailTimer()
    {
        AcceptingSmtp smtp;
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        config::AppSettings& s = app.monitor().settings();
        s.mailServer = QStringLiteral("127.0.0.1");
        s.mailPort = smtp.port();
        s.mailSender = QStringLiteral("alarm@example.com");
        s.mailRecipient = QStringLiteral("me@example.com");
        Q_EMIT app.monitor().mailDue(false);
        Q_EMIT app.monitor().mailDue(true);
        QVERIFY2(app.log().isEmpty(), qPrintable(app.log().text()));
        QCOMPARE(smtp.lines.count("RCPT TO:<me@example.com>"), 2);
        QVERIFY(smtp.lines.indexOf("Alarm ON") >= 0);
        QVERIFY(smtp.lines.indexOf("Alarm OFF") > smtp.lines.indexOf("Alarm ON"));
        QList<QByteArray> subjects;
        QList<QByteArray> ids;
        QList<QByteArray> answered;
        for (const QByteArray& line : std::as_const(smtp.lines)) {
            if (line.startsWith("Subject: "))
                subjects.append(line.mid(9));
            else if (line.startsWith("Message-ID: "))
                ids.append(line.mid(12));
            else if (line.startsWith("In-Reply-To: "))
                answered.append(line.mid(13));
        }
        QCOMPARE(subjects.size(), 2);
        QVERIFY2(subjects[0].startsWith("Nimbulo alarm ON:"), subjects[0].constData());
        QVERIFY2(subjects[1].startsWith("Nimbulo alarm OFF:"), subjects[1].constData());
        QCOMPARE(ids.size(), 2);
        QVERIFY(ids[0] != ids[1]);
        QCOMPARE(answered, QList<QByteArray>{ids[0]});
    }

    void aboutWindow()
    {
        app::WeatherApp app(dir_.path() + QStringLiteral("/"));
        app.window().cmdAbout->click();
        net::frmAbout* about = app.aboutWindow();
        QVERIFY(about);
        QVERIFY(!about->cmdErrLog->isEnabled());
        app.log().writeTxt(QStringLiteral("something"));
        about->cmdErrLog->click();
        auto* log = app.window().findChild<net::frmErrMsg*>();
        QVERIFY(log && log->isVisible());
        about->cmdOK->click();
        QTRY_VERIFY(!app.aboutWindow());
    }
};

QTEST_MAIN(TestWeatherAppNet)
#include "tst_weather_app_net.moc"

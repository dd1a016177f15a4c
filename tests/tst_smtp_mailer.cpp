// The alarm mailer: reply and line rules, the mail text, the dialogue against scripted servers
// and against a real SMTP server.

#include "page_server.h"
#include "platform/socket_control.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"
#include "weather/net/frm_mail.h"
#include "weather/net/mail_composer.h"
#include "weather/net/smtp_mailer.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

using net::MailServer;

namespace {

// A scripted SMTP server: a greeting (or none), then one reply per command line by the
// command's first word, "354" to DATA and the "END" reply after the end-of-data dot. Every
// line received is recorded without its CR LF. Replies can be split over two arrivals, and the
// server can fall silent once the message text starts.
class ScriptedSmtp : public QObject
{
    Q_OBJECT
public:
    QByteArray greeting = "220 scripted ready\r\n";
    QHash<QByteArray, QByteArray> replies{
        {"HELO", "250 hello\r\n"},        {"MAIL", "250 sender ok\r\n"},
        {"RCPT", "250 recipient ok\r\n"}, {"DATA", "354 go ahead\r\n"},
        {"END", "250 queued\r\n"},        {"QUIT", "221 bye\r\n"}};
    bool splitReplies = false;
    bool silentInData = false;
    QList<QByteArray> lines;
    int sessions = 0;

    ScriptedSmtp()
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++sessions;
                auto* state = new Session{s, {}, false};
                connect(s, &QTcpSocket::readyRead, this, [this, state] { read(*state); });
                connect(s, &QTcpSocket::disconnected, s, [s, state] {
                    delete state;
                    s->deleteLater();
                });
                reply(s, greeting);
            }
        });
    }
    QString port() const { return QString::number(server_.serverPort()); }

    // The lines of the message (between DATA and the dot), in the order received.
    QList<QByteArray> messageLines() const
    {
        const qsizetype start = lines.indexOf("DATA") + 1;
        const qsizetype end = lines.indexOf(".", start);
        return start <= 0 || end < 0 ? QList<QByteArray>{} : lines.mid(start, end - start);
    }
    QList<QByteArray> commands() const
    {
        QList<QByteArray> words;
        bool inData = false;
        for (const QByteArray& line : lines) {
            if (inData) {
                inData = line != ".";
                continue;
            }
            words.append(line.split(' ').constFirst().split(':').constFirst());
            inData = line == "DATA";
        }
        return words;
    }

private:
    struct Session
    {
        QTcpSocket* socket;
        QByteArray pending;
        bool inData = false;
    };

    void reply(QTcpSocket* s, const QByteArray& text)
    {
        if (text.isEmpty())
            return;
        if (!splitReplies) {
            s->write(text);
            return;
        }
        s->write(text.left(2));
        s->flush();
        QTimer::singleShot(40, s, [s, rest = text.mid(2)] { s->write(rest); });
    }

    void read(Session& session)
    {
        session.pending += session.socket->readAll();
        qsizetype end;
        while ((end = session.pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = session.pending.left(end);
            session.pending.remove(0, end + 2);
            lines.append(line);
            if (session.inData) {
                if (line == ".") {
                    session.inData = false;
                    if (!silentInData)
                        reply(session.socket, replies.value("END"));
                }
                continue;
            }
            const QByteArray word = line.split(' ').constFirst().split(':').constFirst();
            reply(session.socket, replies.value(word, "500 unknown\r\n"));
            session.inData = word == "DATA" && replies.value("DATA").startsWith('3');
        }
    }

    QTcpServer server_;
};

constexpr net::SmtpLimits kShortLimits{3000, 1000, 1500, 3000};

struct Mailer
{
    net::FetchState state;
    config::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet{state, proxy, log};
    Mailer() { inet.mailer().setLimits(kShortLimits); }
    void send(const QString& port, const QString& body = QStringLiteral("line\r\n"))
    {
        inet.MailStatsTo(MailServer{QStringLiteral("127.0.0.1"), port},
                         QStringLiteral("alarm@example.com"), QStringLiteral("me@example.com"),
                         body);
    }
};

const QRegularExpression kMailError(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d [AP]M : Mail Error: "
                                                   "\\S+ .+\r\nError: (.*)$"),
                                    QRegularExpression::DotMatchesEverythingOption);

// The "Error: " detail of the one logged mail error; a null string when nothing was logged.
QString loggedDetail(const net::ErrorLog& log)
{
    if (log.isEmpty())
        return {};
    const QRegularExpressionMatch match = kMailError.match(log.text());
    return match.hasMatch() ? match.captured(1) : QStringLiteral("<malformed: %1>").arg(log.text());
}

QString python()
{
    return QStringLiteral("/usr/bin/python3");
}

} // namespace

class TestSmtpMailer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replyRules_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<bool>("failed");
        QTest::newRow("ok") << QByteArray("250 ok\r\n") << true << false;
        QTest::newRow("long line, code below 400") << QByteArray(2000, '2') + "\r\n"
                                                   << true << false;
        QTest::newRow("354") << QByteArray("354 go\r\n") << true << false;
        QTest::newRow("399") << QByteArray("399 x\r\n") << true << false;
        QTest::newRow("400") << QByteArray("400 x\r\n") << true << true;
        QTest::newRow("550") << QByteArray("550 no such user\r\n") << true << true;
        QTest::newRow("first part only") << QByteArray("25") << false << true;
        QTest::newRow("no LF yet") << QByteArray("250 ok\r") << false << true;
        QTest::newRow("LF without CR") << QByteArray("250 ok\n") << true << true;
        QTest::newRow("not a number") << QByteArray("OK then\r\n") << true << true;
        QTest::newRow("letters in the code") << QByteArray("2x0 ok\r\n") << true << true;
        QTest::newRow("blank before a short code") << QByteArray(" 25\r\n") << true << false;
        QTest::newRow("continuation pending") << QByteArray("220-hello\r\n") << false << false;
        QTest::newRow("continuation ended")
            << QByteArray("220-hello\r\n220 ready\r\n") << true << false;
        QTest::newRow("last line still arriving")
            << QByteArray("220-hello\r\n220 rea") << false << false;
        QTest::newRow("empty") << QByteArray() << false << true;
    }
    void replyRules()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, complete);
        QFETCH(bool, failed);
        QCOMPARE(net::smtp::replyComplete(reply), complete);
        QCOMPARE(net::smtp::replyFailed(reply), failed);
    }

    void bodyLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::newRow("plain") << "a\r\nb" << QList<QByteArray>{"a", "b"};
        QTest::newRow("final line end gives an empty last line") << "a\r\n"
                                                                 << QList<QByteArray>{"a", ""};
        QTest::newRow("a lone dot") << "a\r\n.\r\nb" << QList<QByteArray>{"a", "_", "b"};
        QTest::newRow("a leading dot is doubled")
            << ".5 mm\r\n..\r\nx." << QList<QByteArray>{"..5 mm", "...", "x."};
        QTest::newRow("lone CR and LF break lines")
            << "a\nb\rc\r\n\n." << QList<QByteArray>{"a", "b", "c", "", "_"};
        QTest::newRow("degree sign in Latin-1") << QString::fromUtf8("21.5 \u00B0C")
                                                << QList<QByteArray>{"21.5 \xB0"
                                                                     "C"};
    }
    void bodyLines()
    {
        QFETCH(QString, text);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(net::smtp::bodyLines(text), lines);
    }

    void headerLines()
    {
        const QDateTime now(QDate(2025, 3, 7), QTime(9, 5, 3));
        const QList<QByteArray> lines =
            net::smtp::headerLines(QStringLiteral("a@b.c"), QStringLiteral("d@e.f"), now,
                                   QLocale(QLocale::English, QLocale::Australia));
        const QList<QByteArray> expected{"From: Nimbulo <a@b.c>",
                                         "To: <d@e.f> ",
                                         "Subject: Aus Nimbulo Alarm",
                                         "Date: Fri, 7 Mar 2025 9:05:03",
                                         "MIME-Version: 1.0",
                                         "Content-Type: text/plain; charset=iso-8859-1",
                                         "Content-Transfer-Encoding: 7bit",
                                         ""};
        QCOMPARE(lines, expected);
    }

    void leaderTabs_data()
    {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("tabs");
        QTest::newRow("narrow") << 0 << 4;
        QTest::newRow("just below 850") << 849 << 4;
        QTest::newRow("850") << 850 << 3;
        QTest::newRow("just below 1130") << 1129 << 3;
        QTest::newRow("1130") << 1130 << 2;
        QTest::newRow("wide") << 5000 << 2;
    }
    void leaderTabs()
    {
        QFETCH(int, twips);
        QFETCH(int, tabs);
        QCOMPARE(net::leaderTabs(twips), tabs);
    }

    void composeAlarmMail_data()
    {
        QTest::addColumn<bool>("endOfAlarm");
        QTest::addColumn<QString>("state");
        QTest::newRow("start") << false << "Alarm ON";
        QTest::newRow("end") << true << "Alarm OFF";
    }
    void composeAlarmMail()
    {
        QFETCH(bool, endOfAlarm);
        QFETCH(QString, state);
        net::AlarmMailFacts facts;
        facts.endOfAlarm = endOfAlarm;
        facts.alarmText =
            QStringLiteral("Current Temp is 31.2 °C - Alarm set to notify above 30 °C");
        facts.station = QStringLiteral("Sydney Airport");
        facts.names = {QStringLiteral("Temp"), QStringLiteral("Humidity"),
                       QStringLiteral("Rain since 9am")};
        facts.values = {QStringLiteral("31.2 °C"), QStringLiteral("40 %")}; // the last one missing
        facts.bureauSite = QStringLiteral("http://www.bom.gov.au/");
        facts.year = 2025;
        const QHash<QString, int> widths{
            {"Temp", 600}, {"Humidity", 900}, {"Rain since 9am", 1400}};
        const QString text =
            net::composeAlarmMail(facts, [&widths](const QString& s) { return widths.value(s); });
        QCOMPARE(text, "Aus Nimbulo Alarm Message\r\n\r\n" + state +
                           "\r\n\r\nCurrent Temp is 31.2 °C - Alarm set to notify above 30 °C"
                           "\r\n\r\nLast observations at Sydney Airport\r\n"
                           "Temp\t\t\t\t31.2 °C\r\n"
                           "Humidity\t\t\t40 %\r\n"
                           "Rain since 9am\t\t\r\n"
                           "\r\nhttp://www.bom.gov.au/\r\n"
                           "Copyright Commonwealth of Australia 2025, Bureau of Meteorology.\r\n");
    }

    // A server that accepts everything gets the whole dialogue in order.
    void completeDialogue()
    {
        ScriptedSmtp server;
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(server.port(), QStringLiteral("first\r\n.\r\n.5 mm\r\nlast"));

        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), true);
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));
        QCOMPARE(server.commands(), (QList<QByteArray>{"HELO", "MAIL", "RCPT", "DATA", "QUIT"}));
        QCOMPARE(server.lines.at(0), "HELO " + platform::SocketControl::localHostName().toLatin1());
        QCOMPARE(server.lines.at(1), QByteArray("MAIL FROM:<alarm@example.com>"));
        QCOMPARE(server.lines.at(2), QByteArray("RCPT TO:<me@example.com>"));
        const QList<QByteArray> message = server.messageLines();
        QCOMPARE(message.size(), 8 + 4 + 1);
        QCOMPARE(message.at(0), QByteArray("From: Nimbulo <alarm@example.com>"));
        QCOMPARE(message.at(1), QByteArray("To: <me@example.com> "));
        QVERIFY(message.at(3).startsWith("Date: "));
        QCOMPARE(message.at(7), QByteArray());
        QCOMPARE(message.mid(8), (QList<QByteArray>{"first", "_", "..5 mm", "last", ""}));
    }

    // Each failing step is logged with the server's reply, and nothing after it is sent.
    void failures_data()
    {
        QTest::addColumn<QByteArray>("step");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<QString>("logged");

        QTest::newRow("greeting 554") << QByteArray("GREETING") << QByteArray("554 go away\r\n")
                                      << QList<QByteArray>{} << "554 go away";
        QTest::newRow("no greeting")
            << QByteArray("GREETING") << QByteArray() << QList<QByteArray>{} << "";
        QTest::newRow("greeting without a code")
            << QByteArray("GREETING") << QByteArray("hello there\r\n") << QList<QByteArray>{}
            << "hello there";
        QTest::newRow("HELO 501") << QByteArray("HELO") << QByteArray("501 bad name\r\n")
                                  << QList<QByteArray>{"HELO"} << "501 bad name";
        QTest::newRow("MAIL 553") << QByteArray("MAIL") << QByteArray("553 not allowed\r\n")
                                  << QList<QByteArray>{"HELO", "MAIL"} << "553 not allowed";
        QTest::newRow("RCPT 550") << QByteArray("RCPT") << QByteArray("550 no such user\r\n")
                                  << QList<QByteArray>{"HELO", "MAIL", "RCPT"}
                                  << "550 no such user";
        QTest::newRow("DATA 554") << QByteArray("DATA") << QByteArray("554 no recipients\r\n")
                                  << QList<QByteArray>{"HELO", "MAIL", "RCPT", "DATA"}
                                  << "554 no recipients";
        QTest::newRow("end of data 552")
            << QByteArray("END") << QByteArray("552 too big\r\n")
            << QList<QByteArray>{"HELO", "MAIL", "RCPT", "DATA"} << "552 too big";
        QTest::newRow("silent after the message")
            << QByteArray("SILENT") << QByteArray()
            << QList<QByteArray>{"HELO", "MAIL", "RCPT", "DATA"} << "";
    }
    void failures()
    {
        QFETCH(QByteArray, step);
        QFETCH(QByteArray, reply);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(QString, logged);

        ScriptedSmtp server;
        if (step == "GREETING")
            server.greeting = reply;
        else if (step == "SILENT")
            server.silentInData = true;
        else
            server.replies[step] = reply;
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(server.port());

        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), false);
        QCOMPARE(loggedDetail(mailer.log), logged);
        QCOMPARE(server.commands(), commands);
        QCOMPARE(mailer.inet.WS[2]->state(), platform::SocketControl::State::Closed);
    }

    // Replies split over two arrivals, and a greeting of several lines, are read whole.
    void splitAndMultiLineReplies()
    {
        ScriptedSmtp server;
        server.splitReplies = true;
        server.greeting = "220-welcome\r\n220-to the\r\n220 scripted server\r\n";
        Mailer mailer;
        mailer.send(server.port());
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));
        QCOMPARE(server.commands(), (QList<QByteArray>{"HELO", "MAIL", "RCPT", "DATA", "QUIT"}));
    }

    // A bad answer to QUIT does not matter: the mail went out.
    void badQuitReply()
    {
        ScriptedSmtp server;
        server.replies["QUIT"] = "500 what\r\n";
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(server.port());
        QCOMPARE(done.first().first().toBool(), true);
        QVERIFY(mailer.log.isEmpty());
    }

    void unreachableServer_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::newRow("nothing listening") << "127.0.0.1"
                                           << "";
        QTest::newRow("no server name") << ""
                                        << "25";
        QTest::newRow("bad port") << "127.0.0.1"
                                  << "http";
    }
    void unreachableServer()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        if (port.isEmpty()) {
            QTcpServer closed;
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            port = QString::number(closed.serverPort());
        }
        Mailer mailer;
        mailer.inet.MailStatsTo(MailServer{host, port}, QStringLiteral("a@b.c"),
                                QStringLiteral("d@e.f"), QStringLiteral("x"));
        QCOMPARE(loggedDetail(mailer.log), QStringLiteral("No Connection"));
    }

    // A second mail asked for during the first one's waits follows it; a page fetch runs in
    // the middle of a mail, and a mail in the middle of a fetch, without disturbing each other.
    void nestedWithFetchesAndMails()
    {
        ScriptedSmtp smtp;
        smtp.splitReplies = true; // every reply takes a moment
        PageServer web;
        web.setPage(QStringLiteral("/page.txt"), "the page");
        Mailer mailer;
        mailer.proxy.useProxy = true;
        mailer.proxy.server = QStringLiteral("127.0.0.1");
        mailer.proxy.port = QString::number(web.port());

        QString pageDuringMail;
        QTimer::singleShot(20, &mailer.inet, [&] {
            mailer.send(smtp.port(), QStringLiteral("second"));
            pageDuringMail = mailer.inet.myOpenURL(QStringLiteral("http://x/page.txt"), true);
        });
        mailer.send(smtp.port(), QStringLiteral("first"));
        QCOMPARE(pageDuringMail, QStringLiteral("the page"));
        QCOMPARE(smtp.sessions, 2);
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));
        QCOMPARE(smtp.lines.count("first"), 1);
        QCOMPARE(smtp.lines.count("second"), 1);
        QVERIFY(smtp.lines.indexOf("first") < smtp.lines.indexOf("second"));

        web.setDelay(300);
        QTimer::singleShot(20, &mailer.inet,
                           [&] { mailer.send(smtp.port(), QStringLiteral("third")); });
        QCOMPARE(mailer.inet.myOpenURL(QStringLiteral("http://x/page.txt"), true),
                 QStringLiteral("the page"));
        QTRY_COMPARE(smtp.sessions, 3);
        QTRY_COMPARE(smtp.lines.count("third"), 1);
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));
    }

    // The mail settings dialog: OK takes the boxes as typed into memory and the file; Cancel
    // changes nothing.
    void mailSettingsDialog_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void mailSettingsDialog()
    {
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const config::SettingsFile file(dir.filePath(QStringLiteral("wsetting.ini")));
        config::AppSettings settings;
        settings.mailServer = QStringLiteral("old.example.com");
        net::frmMail dialog(settings, file);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("E-mail settings"));
        QCOMPARE(dialog.Frame1->title(), QStringLiteral("E-mail settings"));
        QCOMPARE(dialog.txtServer->text(), QStringLiteral("old.example.com"));
        dialog.txtServer->setText(QStringLiteral("mail.example.com"));
        dialog.txtPort->setText(QStringLiteral("2525"));
        dialog.txtSender->setText(QStringLiteral("a@b.c"));
        dialog.txtRecip->setText(QStringLiteral("d@e.f"));
        (ok ? dialog.Command2 : dialog.Command1)->click();

        const QStringList expected = ok ? QStringList{"mail.example.com", "2525", "a@b.c", "d@e.f"}
                                        : QStringList{"old.example.com", "", "", ""};
        QCOMPARE((QStringList{settings.mailServer, settings.mailPort, settings.mailSender,
                              settings.mailRecipient}),
                 expected);
        const QStringList stored{file.raw("mail_server"), file.raw("mail_port"),
                                 file.raw("mail_send"), file.raw("mail_recip")};
        QCOMPARE(stored, ok ? expected : QStringList(4, QString()));
    }

    // A complete alarm mail reaches a real SMTP server with the headers and text as composed.
    void realServer()
    {
        if (QProcess::execute(python(),
                              {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")}) != 0)
            QSKIP("python3-aiosmtpd is not installed");
        QTemporaryDir dir;
        const QString received = dir.filePath(QStringLiteral("received.txt"));
        QProcess sink;
        sink.start(python(), {QStringLiteral(NIMBULO_TEST_DATA "/net_smtp_sink.py"), received});
        QVERIFY(sink.waitForReadyRead(10000));
        const QByteArray banner = sink.readLine().trimmed();
        QVERIFY2(banner.startsWith("listening on 127.0.0.1:"), banner.constData());
        const QString port = QString::fromLatin1(banner.mid(banner.lastIndexOf(':') + 1));

        net::AlarmMailFacts facts;
        facts.alarmText =
            QStringLiteral("Current Temp is 31.2 °C - Alarm set to notify above 30 °C");
        facts.station = QStringLiteral("Sydney Airport");
        facts.names = {QStringLiteral("Temp"), QStringLiteral("Rain")};
        facts.values = {QStringLiteral("31.2 °C"), QStringLiteral("0.5 mm")};
        facts.bureauSite = QStringLiteral("http://www.bom.gov.au/");
        facts.year = 2025;
        const QString text = net::composeAlarmMail(facts, [](const QString&) { return 0; });

        Mailer mailer;
        mailer.inet.mailer().setLimits(net::SmtpLimits{});
        mailer.send(port, text + QStringLiteral(".5 mm more\r\n.\r\n"));
        sink.kill();
        sink.waitForFinished();
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));

        QFile file(received);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray mail = file.readAll();
        QVERIFY(mail.startsWith("MAIL FROM alarm@example.com\nRCPT TO me@example.com\n"));
        QVERIFY(mail.endsWith("--END--\n"));
        const QByteArray content = mail.mid(mail.indexOf("From: "));
        QVERIFY(content.startsWith("From: Nimbulo <alarm@example.com>\r\nTo: <me@example.com> \r\n"
                                   "Subject: Aus Nimbulo Alarm\r\nDate: "));
        QVERIFY(content.contains("\r\nMIME-Version: 1.0\r\n"
                                 "Content-Type: text/plain; charset=iso-8859-1\r\n"
                                 "Content-Transfer-Encoding: 7bit\r\n\r\n"));
        const QByteArray body = content.mid(content.indexOf("\r\n\r\n") + 4);
        // The message text arrives as composed (Latin-1), the line that begins with a dot whole,
        // the lone "." as "_", then the text's last (empty) line and the empty line before the
        // end of data.
        QCOMPARE(body, text.toLatin1() + ".5 mm more\r\n_\r\n\r\n\r\n--END--\n");
    }
};

QTEST_MAIN(TestSmtpMailer)
#include "tst_smtp_mailer.moc"

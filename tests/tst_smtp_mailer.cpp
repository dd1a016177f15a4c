// The alarm mailer: reply and line rules, the mail text, the dialogue against scripted servers
// and against a real SMTP server.

#include "page_server.h"
#include "platform/message_box.h"
#include "platform/socket_control.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"
#include "weather/net/frm_mail.h"
#include "weather/net/mail_composer.h"
#include "weather/net/smtp_mailer.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <utility>

namespace {

// A scripted SMTP server: a greeting (or none), then one reply per command line by the
// command's first word, "354" to DATA and the "END" reply after the end-of-data dot. Replies can
// be split over two arrivals, and the server can fall silent once the message text starts.
class ScriptedSmtp : public QObject
{
public:
    QByteArray greeting = "220 scripted ready\r\n";
    QHash<QByteArray, QByteArray> replies{
        {"HELO", "250 hello\r\n"},        {"MAIL", "250 sender ok\r\n"},
        {"RCPT", "250 recipient ok\r\n"}, {"DATA", "354 go ahead\r\n"},
        {"END", "250 queued\r\n"},        {"QUIT", "221 bye\r\n"}};
    bool splitReplies = false;
    bool silentInData = false;
    QList<QByteArray> lines;    // every line received, without its CR LF
    QList<QByteArray> commands; // the first word of every command line
    int sessions = 0;

    ScriptedSmtp()
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                ++sessions;
                connect(s, &QTcpSocket::readyRead, this, [this, s, inData = false]() mutable {
                    while (s->canReadLine()) {
                        const QByteArray line = s->readLine().chopped(2);
                        lines.append(line);
                        if (inData) {
                            inData = line != ".";
                            if (!inData && !silentInData)
                                reply(s, replies.value("END"));
                            continue;
                        }
                        const QByteArray word =
                            line.split(' ').constFirst().split(':').constFirst();
                        commands.append(word);
                        reply(s, replies.value(word, "500 unknown\r\n"));
                        inData = word == "DATA" && replies.value(word).startsWith('3');
                    }
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
                reply(s, greeting);
            }
        });
    }
    QString port() const { return QString::number(server_.serverPort()); }

private:
    void reply(QTcpSocket* s, const QByteArray& text)
    {
        s->write(splitReplies ? text.left(2) : text);
        s->flush();
        if (splitReplies && text.size() > 2)
            QTimer::singleShot(40, s, [s, rest = text.mid(2)] { s->write(rest); });
    }

    QTcpServer server_;
};

struct Mailer
{
    net::FetchState state;
    config::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet{state, proxy, log};
    Mailer() { inet.mailer().setLimits(net::SmtpLimits{3000, 1000, 1500, 3000}); }
    void send(const QString& port, const QString& body,
              const QString& host = QStringLiteral("127.0.0.1"),
              const QString& sender = QStringLiteral("alarm@example.com"),
              const QString& recipient = QStringLiteral("me@example.com"))
    {
        inet.MailStatsTo(net::MailServer{host, port}, sender, recipient, body);
    }
};

// The "Error: " detail of the one logged mail error; a null string when nothing was logged.
QString loggedDetail(const net::ErrorLog& log)
{
    static const QRegularExpression mailError(
        QStringLiteral("^\\d\\d:\\d\\d:\\d\\d [AP]M : Mail Error: \\S+ .+\r\nError: (.*)$"),
        QRegularExpression::DotMatchesEverythingOption);
    if (log.isEmpty())
        return {};
    const QRegularExpressionMatch match = mailError.match(log.text());
    return match.hasMatch() ? match.captured(1) : QStringLiteral("<malformed: %1>").arg(log.text());
}

// An alarm on Sydney Airport's temperature, the last column without a value.
net::AlarmMailFacts sampleFacts(bool endOfAlarm = false)
{
    net::AlarmMailFacts facts;
    facts.endOfAlarm = endOfAlarm;
    facts.alarmText = QStringLiteral("Current Temp is 31.2 °C - Alarm set to notify above 30 °C");
    facts.station = QStringLiteral("Sydney Airport");
    facts.names = {QStringLiteral("Temp"), QStringLiteral("Humidity"),
                   QStringLiteral("Rain since 9am")};
    facts.values = {QStringLiteral("31.2 °C"), QStringLiteral("40 %")};
    facts.bureauSite = QStringLiteral("http://www.bom.gov.au/");
    facts.year = 2025;
    return facts;
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
        const auto row = [](const char* name, const QByteArray& reply, bool complete, bool failed) {
            QTest::newRow(name) << reply << complete << failed;
        };
        row("ok", "250 ok\r\n", true, false);
        row("400", "400 x\r\n", true, true);
        row("first part only", "25", false, true);
        row("LF without CR", "250 ok\n", true, true);
        row("continuation ended", "220-hello\r\n220 ready\r\n", true, false);
        row("only line feed first", "\n220-x", true, true);
        row("only line end first", "\r\n", true, true);
    }
    void replyRules()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, complete);
        QFETCH(bool, failed);
        QCOMPARE(net::smtp::replyComplete(reply), complete);
        QCOMPARE(net::smtp::replyFailed(reply), failed);
    }

    // Lone CR and LF break lines too; a lone dot becomes "_" and a leading dot is doubled.
    void bodyLines()
    {
        QCOMPARE(net::smtp::bodyLines(QStringLiteral("a\nb\rc\r\n\n.\r\n.5 mm")),
                 (QList<QByteArray>{"a", "b", "c", "", "_", "..5 mm"}));
    }

    void headerLines()
    {
        const QList<QByteArray> expected{"From: Nimbulo <a@b.c>",
                                         "To: <d@e.f> ",
                                         "Subject: Aus Nimbulo Alarm",
                                         "Date: Fri, 7 Mar 2025 9:05:03",
                                         "MIME-Version: 1.0",
                                         "Content-Type: text/plain; charset=iso-8859-1",
                                         "Content-Transfer-Encoding: 7bit",
                                         ""};
        QCOMPARE(net::smtp::headerLines(QStringLiteral("a@b.c"), QStringLiteral("d@e.f"),
                                        QDateTime(QDate(2025, 3, 7), QTime(9, 5, 3)),
                                        QLocale(QLocale::English, QLocale::Australia)),
                 expected);
    }

    void composeAlarmMail_data()
    {
        QTest::addColumn<bool>("endOfAlarm");
        QTest::addColumn<QString>("state");
        QTest::newRow("start") << false << QStringLiteral("Alarm ON");
        QTest::newRow("end") << true << QStringLiteral("Alarm OFF");
    }
    void composeAlarmMail()
    {
        QFETCH(bool, endOfAlarm);
        QFETCH(QString, state);
        // Names narrower than 850 twips get four tabs, narrower than 1130 three, others two.
        const QHash<QString, int> widths{
            {"Temp", 849}, {"Humidity", 1129}, {"Rain since 9am", 1130}};
        QCOMPARE(net::composeAlarmMail(sampleFacts(endOfAlarm),
                                       [&widths](const QString& s) { return widths.value(s); }),
                 "Aus Nimbulo Alarm Message\r\n\r\n" + state +
                     "\r\n\r\nCurrent Temp is 31.2 °C - Alarm set to notify above 30 °C"
                     "\r\n\r\nLast observations at Sydney Airport\r\n"
                     "Temp\t\t\t\t31.2 °C\r\n"
                     "Humidity\t\t\t40 %\r\n"
                     "Rain since 9am\t\t\r\n"
                     "\r\nhttp://www.bom.gov.au/\r\n"
                     "Copyright Commonwealth of Australia 2025, Bureau of Meteorology.\r\n");
    }

    // The dialogue with servers that take the mail, and with servers that refuse a step or
    // cannot be reached: a failure is logged with the server's reply, and nothing after the
    // refused step is sent.
    void dialogue_data()
    {
        QTest::addColumn<QByteArray>("step"); // a command word, GREETING, END (of data), SILENT,
                                              // or SERVER: the reply is "host:port" to send to
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("commands"); // how many of HELO MAIL RCPT DATA QUIT were sent
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("logged"); // the logged detail
        QTest::addColumn<bool>("split");     // every reply arrives in two parts
        const auto row = [](const char* name, const QByteArray& step, const QByteArray& reply,
                            int commands, const char* logged, bool split = false) {
            QTest::newRow(name) << step << reply << commands << !logged
                                << QString::fromLatin1(logged) << split;
        };
        const char* sent = nullptr;
        row("accepted", {}, {}, 5, sent);
        row("split replies, greeting of several lines", "GREETING",
            "220-welcome\r\n220-to the\r\n220 scripted server\r\n", 5, sent, true);
        // A bad answer to QUIT does not matter: the mail went out.
        row("QUIT 500", "QUIT", "500 what\r\n", 5, sent);
        row("no greeting", "GREETING", {}, 0, "");
        row("greeting without a code", "GREETING", "hello there\r\n", 0, "hello there");
        // A reply ends only at a line without "-": continuation lines alone never answered.
        row("greeting of continuation lines only", "GREETING", "220-one\r\n220-two\r\n", 0,
            "220-two (the reply never ended)");
        row("end of data answered by a continuation line", "END", "250-queued\r\n", 4,
            "250-queued (the reply never ended)");
        row("HELO 501", "HELO", "501 bad name\r\n", 1, "501 bad name");
        row("RCPT 550", "RCPT", "550 no such user\r\n", 3, "550 no such user");
        row("end of data 552", "END", "552 too big\r\n", 4, "552 too big");
        row("silent after the message", "SILENT", {}, 4, "");
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        row("nothing listening", "SERVER", "127.0.0.1:" + QByteArray::number(closed.serverPort()),
            0, "No Connection");
    }
    void dialogue()
    {
        QFETCH(QByteArray, step);
        QFETCH(QByteArray, reply);
        QFETCH(int, commands);
        QFETCH(bool, sent);
        QFETCH(QString, logged);
        QFETCH(bool, split);
        ScriptedSmtp server;
        server.splitReplies = split;
        server.silentInData = step == "SILENT";
        if (step == "GREETING")
            server.greeting = reply;
        else if (!step.isEmpty())
            server.replies[step] = reply;
        const QString to =
            step == "SERVER" ? QString::fromLatin1(reply) : "127.0.0.1:" + server.port();
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(to.section(':', 1), QStringLiteral("first\r\n.\r\n.5 mm\r\nlast"),
                    to.section(':', 0, 0));

        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), sent);
        QCOMPARE(mailer.log.isEmpty(), sent);
        QCOMPARE(loggedDetail(mailer.log), logged);
        const QList<QByteArray> all{"HELO", "MAIL", "RCPT", "DATA", "QUIT"};
        QCOMPARE(server.commands, all.first(commands));
        QCOMPARE(mailer.inet.WS[2]->state(), platform::SocketControl::State::Closed);
        if (sent) {
            QCOMPARE(server.lines.at(0),
                     "HELO " + platform::SocketControl::localHostName().toLatin1());
            // After DATA: seven header lines, an empty line, the text and the end-of-data dot.
            QCOMPARE(server.lines.mid(server.lines.indexOf("DATA") + 9),
                     (QList<QByteArray>{"first", "_", "..5 mm", "last", "", ".", "QUIT"}));
        }
    }

    // An address with a line break would inject commands and headers: the mail is refused
    // before any connection, and logged.
    void addressWithLineBreak_data()
    {
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("recipient");
        QTest::newRow("sender CR LF") << "a@b.c\r\nRCPT TO:<x@y.z>"
                                      << "me@example.com";
        QTest::newRow("sender lone CR") << "a@b.c\rBcc: x@y.z"
                                        << "me@example.com";
        QTest::newRow("recipient LF") << "alarm@example.com"
                                      << "me@example.com\nDATA";
    }
    void addressWithLineBreak()
    {
        QFETCH(QString, sender);
        QFETCH(QString, recipient);
        ScriptedSmtp server;
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(server.port(), QStringLiteral("text"), QStringLiteral("127.0.0.1"), sender,
                    recipient);
        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), false);
        QCOMPARE(loggedDetail(mailer.log), QString::fromLatin1(net::smtp::kInvalidAddress));
        QTest::qWait(50);
        QCOMPARE(server.sessions, 0);
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
        QVERIFY(smtp.lines.indexOf("first") < smtp.lines.indexOf("second"));

        web.setDelay(300);
        QTimer::singleShot(20, &mailer.inet,
                           [&] { mailer.send(smtp.port(), QStringLiteral("third")); });
        QCOMPARE(mailer.inet.myOpenURL(QStringLiteral("http://x/page.txt"), true),
                 QStringLiteral("the page"));
        QTRY_COMPARE(smtp.lines.count("third"), 1);
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));
    }

    // The mail settings dialog: OK takes the boxes as typed into memory and the file; Cancel
    // changes nothing, and so does OK on an address with a line break (it is refused).
    void mailSettingsDialog_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("recipient");
        QTest::newRow("OK") << true << "d@e.f";
        QTest::newRow("Cancel") << false << "d@e.f";
        QTest::newRow("OK, line break") << false << "d@e.f\r\nBcc: x@y.z";
    }
    void mailSettingsDialog()
    {
        QFETCH(bool, ok);
        QFETCH(QString, recipient);
        const bool refused = recipient.contains(u'\n');
        platform::MessageBox::script({});
        QTemporaryDir dir;
        const config::SettingsFile file(dir.filePath(QStringLiteral("wsetting.ini")));
        config::AppSettings settings;
        settings.mailServer = QStringLiteral("old.example.com");
        net::frmMail dialog(settings, file);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("E-mail settings"));
        dialog.txtServer->setText(QStringLiteral("mail.example.com"));
        dialog.txtPort->setText(QStringLiteral("2525"));
        dialog.txtSender->setText(QStringLiteral("a@b.c"));
        dialog.txtRecip->setText(recipient);
        (ok || refused ? dialog.Command2 : dialog.Command1)->click();
        QCOMPARE(platform::MessageBox::shownBoxes().size(), refused ? 1 : 0);
        QCOMPARE(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        platform::MessageBox::unscript();

        const QStringList expected = ok ? QStringList{"mail.example.com", "2525", "a@b.c", "d@e.f"}
                                        : QStringList{"old.example.com", "", "", ""};
        QCOMPARE((QStringList{settings.mailServer, settings.mailPort, settings.mailSender,
                              settings.mailRecipient}),
                 expected);
        QCOMPARE(file.raw("mail_recip"), ok ? QStringLiteral("d@e.f") : QString());
    }

    // A complete alarm mail reaches a real SMTP server with the headers and text as composed.
    void realServer()
    {
        const QString python = QStringLiteral("/usr/bin/python3");
        if (QProcess::execute(python, {QStringLiteral("-c"), QStringLiteral("import aiosmtpd")}))
            QSKIP("python3-aiosmtpd is not installed");
        QTemporaryDir dir;
        const QString received = dir.filePath(QStringLiteral("received.txt"));
        QProcess sink;
        sink.start(python, {QStringLiteral(NIMBULO_TEST_DATA "/net_smtp_sink.py"), received});
        QVERIFY(sink.waitForReadyRead(10000));
        const QByteArray banner = sink.readLine().trimmed();
        QVERIFY2(banner.startsWith("listening on 127.0.0.1:"), banner.constData());

        const QString text = net::composeAlarmMail(sampleFacts(), [](const QString&) { return 0; });
        Mailer mailer;
        mailer.inet.mailer().setLimits(net::SmtpLimits{});
        mailer.send(QString::fromLatin1(banner.mid(banner.lastIndexOf(':') + 1)),
                    text + QStringLiteral(".5 mm more\r\n.\r\n"));
        sink.kill();
        sink.waitForFinished();
        QVERIFY2(mailer.log.isEmpty(), qPrintable(mailer.log.text()));

        QFile file(received);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray mail = file.readAll();
        QVERIFY(mail.startsWith("MAIL FROM alarm@example.com\nRCPT TO me@example.com\n"));
        const QByteArray content = mail.mid(mail.indexOf("From: "));
        QVERIFY(content.startsWith("From: Nimbulo <alarm@example.com>\r\nTo: <me@example.com> \r\n"
                                   "Subject: Aus Nimbulo Alarm\r\nDate: "));
        // The message text arrives as composed (Latin-1), the line that begins with a dot whole,
        // the lone "." as "_", then the text's last (empty) line and the empty line before the
        // end of data.
        QCOMPARE(content.mid(content.indexOf("\r\n\r\n") + 4),
                 text.toLatin1() + ".5 mm more\r\n_\r\n\r\n\r\n--END--\n");
    }
};

QTEST_MAIN(TestSmtpMailer)
#include "tst_smtp_mailer.moc"

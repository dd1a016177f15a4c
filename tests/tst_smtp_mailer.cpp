// The alarm mailer: reply and line rules, the mail text, the dialogue against scripted servers
// and against a real SMTP server.

#include "find_control.h"
#include "net_peers.h"
#include "page_server.h"
#include "platform/message_box.h"
#include "platform/socket_control.h"
#include "weather/config/mail_password.h"
#include "weather/config/settings.h"
#include "weather/net/error_log.h"
#include "weather/net/frm_inet.h"
#include "weather/net/frm_mail.h"
#include "weather/net/mail_composer.h"
#include "weather/net/mail_message.h"
#include "weather/net/mail_outbox.h"
#include "weather/net/smtp_mailer.h"

#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimeZone>
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

net::MailMessage message(const QString& text,
                         const QString& sender = QStringLiteral("alarm@example.com"),
                         const QString& recipient = QStringLiteral("me@example.com"))
{
    return {sender,
            recipient,
            QStringLiteral("Nimbulo alarm ON: Sydney Airport 31.2 °C"),
            text,
            net::mail::newMessageId(sender),
            QByteArray(),
            QDateTime::currentDateTime()};
}

struct Mailer
{
    net::FetchState state;
    config::ProxySettings proxy;
    net::ErrorLog log;
    net::frmInet inet{state, proxy, log};
    net::MailOutbox outbox{inet, log};
    Mailer()
    {
        inet.mailer().setLimits(net::SmtpLimits{3000, 1000, 1500, 3000});
        outbox.submission().setLimits(net::SubmissionLimits{3000, 3000, 6000});
    }
    void send(const QString& port, const QString& body,
              const QString& host = QStringLiteral("127.0.0.1"),
              const QString& sender = QStringLiteral("alarm@example.com"),
              const QString& recipient = QStringLiteral("me@example.com"))
    {
        inet.MailStatsTo(net::MailServer{host, port}, message(body, sender, recipient));
    }
    // Sends through the outbox and waits for the mail's end: whether it was taken, and the answer.
    std::pair<bool, QString> submit(const net::MailAccount& account, const net::MailMessage& mail)
    {
        QSignalSpy finished(&outbox, &net::MailOutbox::finished);
        const int number = outbox.send(account, mail);
        if (!finished.wait(20000) || finished.first().at(0).toInt() != number)
            return {false, QStringLiteral("<no end reported>")};
        return {finished.first().at(1).toBool(), finished.first().at(2).toString()};
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

    // The body goes out in lines every server takes: plain ASCII as it is, other text 8bit
    // only to a server that announced 8BITMIME, else (and for long lines or control
    // characters) quoted-printable; lone CR and LF break lines too. On the plain road a lone
    // dot becomes "_" and a leading dot is doubled.
    void bodyForm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("eightBitMime");
        QTest::addColumn<QList<QByteArray>>("lines"); // as sent by the plain road
        QTest::addColumn<QByteArray>("encoding");     // as the header names it
        QTest::newRow("ascii") << QStringLiteral("a\nb\rc\r\n\n.\r\n.5 mm") << false
                               << QList<QByteArray>{"a", "b", "c", "", "_", "..5 mm"}
                               << QByteArray("7bit");
        QTest::newRow("degree sign, 8BITMIME") << QStringLiteral("31.2 °C\r\n") << true
                                               << QList<QByteArray>{"31.2 \xC2\xB0"
                                                                    "C"}
                                               << QByteArray("8bit");
        QTest::newRow("degree sign, no 8BITMIME")
            << QStringLiteral("31.2 °C = hot \r\n.\r\n") << false
            << QList<QByteArray>{"31.2 =C2=B0C =3D hot=20", "=2E"}
            << QByteArray("quoted-printable");
        QList<QByteArray> soft(13, QByteArray(75, 'x') + '=');
        QTest::newRow("line of 1000 octets, 8BITMIME")
            << QString(1000, u'x') << true << (soft << QByteArray(25, 'x'))
            << QByteArray("quoted-printable");
        QTest::newRow("control character")
            << QStringLiteral("a\x1b[2Jb") << true << QList<QByteArray>{"a=1B[2Jb"}
            << QByteArray("quoted-printable");
    }
    void bodyForm()
    {
        QFETCH(QString, text);
        QFETCH(bool, eightBitMime);
        QFETCH(QList<QByteArray>, lines);
        QFETCH(QByteArray, encoding);
        const net::TransferEncoding chosen = net::mail::encodingFor(text, eightBitMime);
        QList<QByteArray> sent;
        for (const QByteArray& line : net::mail::bodyLines(text, chosen))
            sent.append(net::smtp::dataLine(line));
        QCOMPARE(sent, lines);
        net::MailMessage mail = message(text);
        QCOMPARE(net::mail::headerLines(mail, chosen).at(7),
                 "Content-Transfer-Encoding: " + encoding);
    }

    // The header: RFC 5322 date with its zone, the message id, the end mail's reference to the
    // start mail, a subject that is not ASCII in encoded words.
    void headerLines()
    {
        net::MailMessage mail = message({}, QStringLiteral("a@b.c"), QStringLiteral("d@e.f"));
        mail.messageId = "<1@b.c>";
        mail.inReplyTo = "<0@b.c>";
        mail.subject = net::mail::alarmSubject(true, QStringLiteral("Sydney Airport"),
                                               QStringLiteral("29.8 °C"));
        mail.date = QDateTime(QDate(2025, 3, 7), QTime(9, 5, 3), QTimeZone(39600));
        const QList<QByteArray> expected{
            "From: Nimbulo <a@b.c>", "To: <d@e.f> ",
            // Words of at most 39 octets, a character never split between two.
            "Subject: =?UTF-8?B?" +
                QByteArray("Nimbulo alarm OFF: Sydney Airport 29.8 ").toBase64() +
                "?=\r\n =?UTF-8?B?" +
                QByteArray("\xC2\xB0"
                           "C")
                    .toBase64() +
                "?=",
            "Date: Fri, 07 Mar 2025 09:05:03 +1100", "Message-ID: <1@b.c>", "In-Reply-To: <0@b.c>",
            "References: <0@b.c>", "MIME-Version: 1.0", "Content-Type: text/plain; charset=UTF-8",
            "Content-Transfer-Encoding: 7bit", ""};
        QCOMPARE(net::mail::headerLines(mail, net::TransferEncoding::SevenBit), expected);
        QVERIFY(net::mail::newMessageId(QStringLiteral("a@b.c")) !=
                net::mail::newMessageId(QStringLiteral("a@b.c")));
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
                                              // SERVER (the reply is "host:port" to send to),
                                              // SENDER or RECIPIENT (the reply is the address)
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
        // A reply's escape sequence and line breaks never reach the log or a terminal.
        row("RCPT 550 of several lines, with an escape", "RCPT",
            "550-no such\x1b[2J user\r\n550 here\r\n", 3, "550-no such [2J user  550 here");
        row("end of data 552", "END", "552 too big\r\n", 4, "552 too big");
        row("silent after the message", "SILENT", {}, 4, "");
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost);
        row("nothing listening", "SERVER", "127.0.0.1:" + QByteArray::number(closed.serverPort()),
            0, "No Connection");
        // An address with a line break would inject commands and headers: the mail is refused
        // before any connection.
        const char* invalid = net::smtp::kInvalidAddress;
        row("sender with CR LF", "SENDER", "a@b.c\r\nRCPT TO:<x@y.z>", 0, invalid);
        row("sender with a lone CR", "SENDER", "a@b.c\rBcc: x@y.z", 0, invalid);
        row("recipient with LF", "RECIPIENT", "me@example.com\nDATA", 0, invalid);
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
        const auto address = [&](const char* role, const char* usual) {
            return QString::fromLatin1(step == role ? reply.constData() : usual);
        };
        Mailer mailer;
        QSignalSpy done(&mailer.inet.mailer(), &net::SmtpMailer::mailDone);
        mailer.send(to.section(':', 1), QStringLiteral("first\r\n.\r\n.5 mm\r\nlast"),
                    to.section(':', 0, 0), address("SENDER", "alarm@example.com"),
                    address("RECIPIENT", "me@example.com"));

        QCOMPARE(done.size(), 1);
        QCOMPARE(done.first().first().toBool(), sent);
        QCOMPARE(mailer.log.isEmpty(), sent);
        QCOMPARE(loggedDetail(mailer.log), logged);
        const QList<QByteArray> all{"HELO", "MAIL", "RCPT", "DATA", "QUIT"};
        QCOMPARE(server.commands, all.first(commands));
        if (logged == QLatin1String(net::smtp::kInvalidAddress)) {
            QTest::qWait(50);
            QCOMPARE(server.sessions, 0); // not even a connection
            return;
        }
        QCOMPARE(mailer.inet.socketState(2), platform::SocketControl::State::Closed);
        if (sent) {
            QCOMPARE(server.lines.at(0),
                     "HELO " + platform::SocketControl::localHostName().toLatin1());
            // After DATA: nine header lines, an empty line, the text and the end-of-data dot.
            QCOMPARE(server.lines.mid(server.lines.indexOf("DATA") + 11),
                     (QList<QByteArray>{"first", "_", "..5 mm", "last", "", ".", "QUIT"}));
        }
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
    // changes nothing, and so does OK on an address with a line break (it is refused). Another
    // way of sending brings its usual port while the box held the previous way's.
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
        config::MailPasswordStore passwords(file);
        Mailer mailer;
        config::AppSettings settings;
        settings.mailServer = QStringLiteral("old.example.com");
        settings.mailPort = QStringLiteral("25");
        net::frmMail dialog(settings, file, passwords, mailer.outbox);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("E-mail settings"));
        QCOMPARE(child<QLabel>(dialog, "lblPasswordPlace")->text(),
                 QStringLiteral("No password saved"));
        QVERIFY(!child<QLineEdit>(dialog, "txtUser")->isEnabled());
        child<QComboBox>(dialog, "cmbSecurity")->setCurrentIndex(int(net::MailSecurity::Tls));
        QCOMPARE(child<QLineEdit>(dialog, "txtPort")->text(), QStringLiteral("465"));
        QVERIFY(child<QLineEdit>(dialog, "txtUser")->isEnabled());
        child<QLineEdit>(dialog, "txtPort")->setText(QStringLiteral("2465"));
        child<QComboBox>(dialog, "cmbSecurity")->setCurrentIndex(int(net::MailSecurity::StartTls));
        QCOMPARE(child<QLineEdit>(dialog, "txtPort")->text(), QStringLiteral("2465"));
        child<QLineEdit>(dialog, "txtServer")->setText(QStringLiteral("mail.example.com"));
        child<QLineEdit>(dialog, "txtUser")->setText(QStringLiteral("me"));
        child<QLineEdit>(dialog, "txtSender")->setText(QStringLiteral("a@b.c"));
        child<QLineEdit>(dialog, "txtRecip")->setText(recipient);
        child<QPushButton>(dialog, ok || refused ? "Command2" : "Command1")->click();
        QCOMPARE(platform::MessageBox::shownBoxes().size(), refused ? 1 : 0);
        QCOMPARE(dialog.result(), ok ? QDialog::Accepted : QDialog::Rejected);
        platform::MessageBox::unscript();

        const QStringList expected =
            ok ? QStringList{"mail.example.com", "2465", "a@b.c", "d@e.f", "me"}
               : QStringList{"old.example.com", "25", "", "", ""};
        QCOMPARE((QStringList{settings.mailServer, settings.mailPort, settings.mailSender,
                              settings.mailRecipient, settings.mailUser}),
                 expected);
        QCOMPARE(file.raw("mail_recip"), ok ? QStringLiteral("d@e.f") : QString());
        QCOMPARE(file.integer("mail_security"), ok ? 1 : 0);
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels.append(label->text());
        QVERIFY(labels.contains("SMTP server") && labels.contains("SMTP port"));
    }

    // The alarm mails on each road reach a real server, are parsed back by Python's email
    // package without a defect, and read as composed: the subject, UTF-8 text (8bit where the
    // server takes it, quoted-printable on the plain road and for long lines), no line of 998
    // octets or more, the date with its zone, and the end mail referring to the start mail.
    void mailsParsedBack_data()
    {
        QTest::addColumn<int>("security");
        QTest::addColumn<QByteArray>("cte"); // of the start mail
        QTest::newRow("plain SMTP")
            << int(net::MailSecurity::Plain) << QByteArray("quoted-printable");
        QTest::newRow("STARTTLS") << int(net::MailSecurity::StartTls) << QByteArray("8bit");
        QTest::newRow("TLS") << int(net::MailSecurity::Tls) << QByteArray("8bit");
    }
    void mailsParsedBack()
    {
        QFETCH(int, security);
        QFETCH(QByteArray, cte);
        if (!pythonHas("aiosmtpd"))
            QSKIP("python3-aiosmtpd is not installed");
        TestCa ca;
        QVERIFY(ca.ok());
        const auto way = net::MailSecurity(security);
        QStringList args;
        if (way != net::MailSecurity::Plain)
            args << ca.serverArgs(QStringLiteral("good")) << QStringLiteral("--login")
                 << QStringLiteral("me:pa ss");
        if (way == net::MailSecurity::Tls)
            args << QStringLiteral("--tls");
        SmtpPeer server(args);
        Mailer mailer;
        const net::MailAccount account{{QStringLiteral("127.0.0.1"), server.peer.port},
                                       way,
                                       QStringLiteral("me"),
                                       QStringLiteral("pa ss")};

        net::MailMessage start =
            message(net::composeAlarmMail(sampleFacts(), [](const QString&) { return 0; }));
        net::MailMessage end = message(QStringLiteral("Alarm OFF\r\n") + QString(3016, u'~') +
                                       QStringLiteral("\r\n.\r\n.5 mm"));
        end.subject = net::mail::alarmSubject(true, QStringLiteral("Sydney Airport"),
                                              QStringLiteral("29.8 °C"));
        end.inReplyTo = start.messageId;
        for (const net::MailMessage& mail : {start, end}) {
            const auto [accepted, answer] = mailer.submit(account, mail);
            QVERIFY2(accepted, qPrintable(answer + mailer.log.text()));
            QVERIFY2(answer.startsWith(QLatin1String("250 2.0.0 Message accepted")),
                     qPrintable(answer));
        }
        QTRY_COMPARE(server.mails().size(), 2);
        const QList<QJsonObject> got = server.mails();
        for (int i = 0; i < 2; ++i) {
            const net::MailMessage& sent = i == 0 ? start : end;
            const QJsonObject& mail = got.at(i);
            QCOMPARE(mail["defects"].toArray().size(), 0);
            QCOMPARE(mail["subject"].toString(), sent.subject);
            QCOMPARE(mail["charset"].toString(), QStringLiteral("utf-8"));
            QCOMPARE(mail["cte"].toString().toLatin1(), i == 0 ? cte : "quoted-printable");
            QVERIFY(mail["longest_line"].toInt() < 998);
            QVERIFY(mail["date_zone"].toBool());
            QCOMPARE(mail["message_id"].toString().toLatin1(), sent.messageId);
            // The plain road ends the text with an empty line before the end-of-data dot.
            const bool plain = way == net::MailSecurity::Plain;
            QCOMPARE(mail["body"].toString(), QString(sent.text).replace("\r\n", "\n") +
                                                  (sent.text.endsWith(u'\n') ? "" : "\n") +
                                                  (plain ? "\n" : ""));
            QCOMPARE(mail["tls"].toBool(), way != net::MailSecurity::Plain);
            QCOMPARE(mail["login"].toBool(), way != net::MailSecurity::Plain);
        }
        QCOMPARE(got.at(1)["in_reply_to"].toString().toLatin1(), start.messageId);
    }

    // The encrypted ways fail in plain words with the server's reply, in the answer and the log,
    // and never fall back to sending without TLS or without checking the certificate.
    void submissionFailures_data()
    {
        QTest::addColumn<int>("security");
        QTest::addColumn<QString>("certificate"); // of the server; "" offers no TLS
        QTest::addColumn<QString>("password");    // "endless": a greeting that never ends
        QTest::addColumn<QString>("failure");     // the start of the answer
        const auto tls = int(net::MailSecurity::Tls);
        const auto startTls = int(net::MailSecurity::StartTls);
        QTest::newRow("wrong password") << startTls << "good"
                                        << "wrong"
                                        << "The server refused the login (server: 535 ";
        QTest::newRow("no STARTTLS offered") << startTls << ""
                                             << "pa ss"
                                             << "The server offers no STARTTLS";
        QTest::newRow("unknown certificate authority")
            << tls << "unknown"
            << "pa ss"
            << "The server's certificate is not trusted: it was issued by an unknown";
        QTest::newRow("certificate for another host")
            << startTls << "wrong host"
            << "pa ss"
            << "The server's certificate is not trusted: it was issued for another host name";
        QTest::newRow("greeting of continuation lines only")
            << tls << "good"
            << "endless"
            << "The server did not answer in time (server: 220-still greeting)";
    }
    void submissionFailures()
    {
        QFETCH(int, security);
        QFETCH(QString, certificate);
        QFETCH(QString, password);
        QFETCH(QString, failure);
        if (!pythonHas("aiosmtpd"))
            QSKIP("python3-aiosmtpd is not installed");
        TestCa ca;
        QVERIFY(ca.ok());
        QStringList args{QStringLiteral("--login"), QStringLiteral("me:pa ss")};
        if (!certificate.isEmpty())
            args << ca.serverArgs(certificate);
        if (security == int(net::MailSecurity::Tls))
            args << QStringLiteral("--tls");
        if (password == "endless")
            args << QStringLiteral("--endless-greeting");
        SmtpPeer server(args);
        Mailer mailer;
        const auto [accepted, answer] =
            mailer.submit({{QStringLiteral("127.0.0.1"), server.peer.port},
                           net::MailSecurity(security),
                           QStringLiteral("me"),
                           password},
                          message(QStringLiteral("text")));
        QVERIFY(!accepted);
        QVERIFY2(answer.startsWith(failure), qPrintable(answer));
        QCOMPARE(loggedDetail(mailer.log), answer);
        QCOMPARE(server.mails().size(), 0);
    }

    // libcurl waits for the answer to QUIT in a blocking poll: a server that withholds it holds
    // up the mail's worker thread, never the user interface, and the mail counts as sent.
    void quitNeverAnswered()
    {
        if (!pythonHas("aiosmtpd"))
            QSKIP("python3-aiosmtpd is not installed");
        TestCa ca;
        QVERIFY(ca.ok());
        SmtpPeer server(ca.serverArgs(QStringLiteral("good")) +
                        QStringList{QStringLiteral("--tls"), QStringLiteral("--silent-quit")});
        Mailer mailer;
        int turns = 0;
        QTimer ticking;
        connect(&ticking, &QTimer::timeout, [&turns] { ++turns; });
        ticking.start(20);
        const auto [accepted, answer] = mailer.submit(
            {{QStringLiteral("127.0.0.1"), server.peer.port}, net::MailSecurity::Tls, {}, {}},
            message(QStringLiteral("text")));
        QVERIFY2(accepted, qPrintable(answer));
        QCOMPARE(server.mails().size(), 1);
        // The reply limit of 3 s passed while the event loop kept turning.
        QVERIFY2(turns > 20, qPrintable(QString::number(turns)));
    }

    // "Send test mail" sends with the boxes as they are and shows the server's answer or why
    // it failed; the encrypted ways return from the click at once, the plain way keeps the
    // dialog open until its mail is done.
    void testMailButton_data()
    {
        QTest::addColumn<int>("security");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("shown");
        const QString sent = QStringLiteral(
            "Test mail sent. The server answered: 250 2.0.0 Message accepted for delivery");
        QTest::newRow("accepted") << int(net::MailSecurity::StartTls) << "pa ss" << sent;
        QTest::newRow("refused login")
            << int(net::MailSecurity::StartTls) << "wrong"
            << "Test mail not sent. The server refused the login (server: 535 5.7.8 "
               "Authentication credentials invalid)";
        QTest::newRow("plain, Cancel clicked meanwhile")
            << int(net::MailSecurity::Plain) << "" << sent;
    }
    void testMailButton()
    {
        QFETCH(int, security);
        QFETCH(QString, password);
        QFETCH(QString, shown);
        if (!pythonHas("aiosmtpd"))
            QSKIP("python3-aiosmtpd is not installed");
        const bool plain = security == int(net::MailSecurity::Plain);
        TestCa ca;
        QVERIFY(ca.ok());
        SmtpPeer server(
            plain ? QStringList{}
                  : ca.serverArgs(QStringLiteral("good")) +
                        QStringList{QStringLiteral("--login"), QStringLiteral("me:pa ss")});
        QTemporaryDir dir;
        const config::SettingsFile file(dir.filePath(QStringLiteral("wsetting.ini")));
        config::MailPasswordStore passwords(file);
        Mailer mailer;
        config::AppSettings settings;
        net::frmMail dialog(settings, file, passwords, mailer.outbox);
        child<QComboBox>(dialog, "cmbSecurity")->setCurrentIndex(security);
        child<QLineEdit>(dialog, "txtServer")->setText(QStringLiteral("127.0.0.1"));
        child<QLineEdit>(dialog, "txtPort")->setText(server.peer.port);
        child<QLineEdit>(dialog, "txtUser")->setText(QStringLiteral("me"));
        child<QLineEdit>(dialog, "txtPassword")->setText(password);
        child<QLineEdit>(dialog, "txtSender")->setText(QStringLiteral("a@b.c"));
        child<QLineEdit>(dialog, "txtRecip")->setText(QStringLiteral("d@e.f"));
        dialog.show();
        if (plain)
            QTimer::singleShot(0, child<QPushButton>(dialog, "Command1"), &QPushButton::click);
        child<QPushButton>(dialog, "cmdTestMail")->click();
        QVERIFY(plain || !child<QPushButton>(dialog, "cmdTestMail")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(child<QPushButton>(dialog, "cmdTestMail")->isEnabled(), 20000);
        QTRY_COMPARE(child<QLabel>(dialog, "lblTestResult")->text(), shown);
        QVERIFY(dialog.isVisible());
        QCOMPARE(server.mails().size(), password == "wrong" ? 0 : 1);
        QCOMPARE(file.raw("mail_server"), QString()); // nothing saved
    }
};

QTEST_MAIN(TestSmtpMailer)
#include "tst_smtp_mailer.moc"

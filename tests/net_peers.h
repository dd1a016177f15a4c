#pragma once

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// Real network peers for tests and benchmarks, on 127.0.0.1 and free ports.

inline const QString kPython = QStringLiteral("/usr/bin/python3");

// A peer program of the tests (tests/data/net_*_peer.py) on 127.0.0.1: started, its port read
// from its first line, killed when the test ends.
struct Peer
{
    Peer(const char* script, const QStringList& args)
    {
        process.start(kPython,
                      QStringList{QStringLiteral(NIMBULO_TEST_DATA "/") + QLatin1String(script)} +
                          args);
        // Each wait sleeps until the peer writes or gives up.
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        port = QString::fromLatin1(process.readLine()).section(' ', 1).trimmed();
    }
    ~Peer()
    {
        process.kill();
        process.waitForFinished();
    }
    QString url(const char* scheme, const QString& path) const
    {
        return QLatin1String(scheme) + QStringLiteral("://127.0.0.1:") + port + path;
    }
    QProcess process;
    QString port;
};

inline bool pythonHas(const char* module)
{
    return QProcess::execute(kPython, {QStringLiteral("-c"), "import " + QLatin1String(module)}) ==
           0;
}

// A CA made for the test run with openssl, trusted through SSL_CERT_FILE, and server
// certificates: "good" (for 127.0.0.1), "unknown" (from another CA), "expired", "wrong host".
class TestCa
{
public:
    TestCa()
    {
        ok_ = authority("ca") && authority("other") && leaf("good", "ca", "1", "IP:127.0.0.1") &&
              leaf("unknown", "other", "1", "IP:127.0.0.1") &&
              leaf("expired", "ca", "-1", "IP:127.0.0.1") &&
              leaf("wrong host", "ca", "1", "DNS:elsewhere.example");
        qputenv("SSL_CERT_FILE", path("ca.pem").toUtf8());
    }
    ~TestCa() { qunsetenv("SSL_CERT_FILE"); }
    bool ok() const { return ok_; }
    // The folder of the certificates: ca.pem and ca.key are the trusted CA.
    QString dir() const { return dir_.path(); }
    QStringList serverArgs(const QString& name) const
    {
        return {QStringLiteral("--cert"), path(name + ".pem"), QStringLiteral("--key"),
                path(name + ".key")};
    }

private:
    QString path(const QString& name) const { return dir_.filePath(name); }
    bool openssl(const QStringList& args) const
    {
        QProcess p;
        p.setWorkingDirectory(dir_.path());
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(30000) && p.exitCode() == 0;
    }
    bool authority(const QString& name) const
    {
        return openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-days", "2", "-subj", "/CN=Nimbulo test " + name, "-keyout",
                        name + ".key", "-out", name + ".pem"});
    }
    bool leaf(const QString& name, const QString& ca, const QString& days,
              const QString& altName) const
    {
        QFile ext(path(name + ".ext"));
        return ext.open(QIODevice::WriteOnly) &&
               ext.write("subjectAltName=" + altName.toLatin1() + "\n") > 0 &&
               (ext.close(), true) &&
               openssl({"req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                        "-nodes", "-subj", "/CN=" + name, "-keyout", name + ".key", "-out",
                        name + ".csr"}) &&
               openssl({"x509", "-req", "-in", name + ".csr", "-CA", ca + ".pem", "-CAkey",
                        ca + ".key", "-CAcreateserial", "-days", days, "-extfile", name + ".ext",
                        "-out", name + ".pem"});
    }

    QTemporaryDir dir_;
    bool ok_ = false;
};

// A real SMTP server (tests/data/net_smtp_peer.py) and the mails it parsed back.
struct SmtpPeer
{
    QTemporaryDir dir;
    Peer peer;
    explicit SmtpPeer(const QStringList& args = {})
        : peer("net_smtp_peer.py", QStringList{QStringLiteral("--out"), dir.filePath("got")} + args)
    {}
    QList<QJsonObject> mails() const
    {
        QFile file(dir.filePath(QStringLiteral("got")));
        QList<QJsonObject> all;
        if (file.open(QIODevice::ReadOnly)) {
            while (!file.atEnd())
                all.append(QJsonDocument::fromJson(file.readLine()).object());
        }
        return all;
    }
};

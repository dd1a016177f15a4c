#include "weather/net/transfer_wire.h"

#include <QDataStream>
#include <QIODevice>

#include <functional>
#include <limits>

namespace net::transfer_wire {

namespace {

// The version of the messages between the program and the helper; both come from one build.
constexpr quint32 kWireVersion = 2;

QDataStream& operator<<(QDataStream& s, const Validators& v)
{
    return s << v.etag << v.lastModified << v.fileTime;
}

QDataStream& operator>>(QDataStream& s, Validators& v)
{
    return s >> v.etag >> v.lastModified >> v.fileTime;
}

// A message: the version, the size of the rest, then its fields.
QByteArray message(const std::function<void(QDataStream&)>& write)
{
    QByteArray bytes;
    QDataStream s(&bytes, QIODevice::WriteOnly);
    s.setVersion(QDataStream::Qt_6_4);
    s << kWireVersion << quint64(0);
    write(s);
    s.device()->seek(sizeof(kWireVersion));
    s << quint64(bytes.size() - kHeadSize);
    return bytes;
}

bool read(const QByteArray& bytes, const std::function<void(QDataStream&)>& readAll)
{
    if (messageSize(bytes) != bytes.size())
        return false;
    QDataStream s(bytes);
    s.setVersion(QDataStream::Qt_6_4);
    s.skipRawData(kHeadSize);
    readAll(s);
    return s.status() == QDataStream::Ok && s.atEnd();
}

} // namespace

qint64 messageSize(const QByteArray& head)
{
    if (head.size() < kHeadSize)
        return 0;
    QDataStream s(head);
    s.setVersion(QDataStream::Qt_6_4);
    quint32 version = 0;
    quint64 rest = 0;
    s >> version >> rest;
    if (version != kWireVersion || rest > quint64(std::numeric_limits<qint64>::max() - kHeadSize))
        return -1;
    return kHeadSize + qint64(rest);
}

QByteArray encode(const CurlTransfer::Options& o)
{
    return message([&o](QDataStream& s) {
        const common::ProxySettings& p = o.proxy;
        s << o.url << p.useProxy << p.server << p.port << p.auth << p.user << p.password
          << p.stripWww << o.userAgent << qint32(o.fetchLimitMs) << qint32(o.receiveLimitMs)
          << qint64(o.maxBytes) << o.ifChanged << o.mail.has_value();
        if (o.mail) {
            const MailMessage& m = o.mail->message;
            s << m.sender << m.recipient << m.subject << m.text << m.messageId << m.inReplyTo
              << m.date << o.mail->user << o.mail->password << qint32(o.mail->connectMs);
        }
    });
}

bool decode(const QByteArray& bytes, CurlTransfer::Options& o)
{
    return read(bytes, [&o](QDataStream& s) {
        common::ProxySettings& p = o.proxy;
        qint32 fetchLimit = 0;
        qint32 receiveLimit = 0;
        qint64 maxBytes = 0;
        bool mail = false;
        s >> o.url >> p.useProxy >> p.server >> p.port >> p.auth >> p.user >> p.password >>
            p.stripWww >> o.userAgent >> fetchLimit >> receiveLimit >> maxBytes >> o.ifChanged >>
            mail;
        o.fetchLimitMs = fetchLimit;
        o.receiveLimitMs = receiveLimit;
        o.maxBytes = qsizetype(maxBytes);
        o.mail.reset();
        if (mail) {
            MailSubmission m;
            qint32 connectMs = 0;
            s >> m.message.sender >> m.message.recipient >> m.message.subject >> m.message.text >>
                m.message.messageId >> m.message.inReplyTo >> m.message.date >> m.user >>
                m.password >> connectMs;
            m.connectMs = connectMs;
            o.mail = m;
        }
    });
}

QByteArray encode(const TransferResult& r)
{
    return message([&r](QDataStream& s) {
        s << qint32(r.code) << qint64(r.status) << qint64(r.proxyStatus) << qint64(r.verifyResult)
          << r.retryAfterSeconds << qint32(r.redirects) << r.redirectToPlainHttp << r.tooLarge
          << r.url << r.redirect << r.head << r.body << r.lastReply << r.detail << qint32(r.osError)
          << r.proxy << r.notModified << r.validators;
    });
}

bool decode(const QByteArray& bytes, TransferResult& r)
{
    return read(bytes, [&r](QDataStream& s) {
        qint32 code = 0;
        qint64 status = 0;
        qint64 proxyStatus = 0;
        qint64 verifyResult = 0;
        qint32 redirects = 0;
        qint32 osError = 0;
        s >> code >> status >> proxyStatus >> verifyResult >> r.retryAfterSeconds >> redirects >>
            r.redirectToPlainHttp >> r.tooLarge >> r.url >> r.redirect >> r.head >> r.body >>
            r.lastReply >> r.detail >> osError >> r.proxy >> r.notModified >> r.validators;
        r.code = CURLcode(code);
        r.status = long(status);
        r.proxyStatus = long(proxyStatus);
        r.verifyResult = long(verifyResult);
        r.redirects = redirects;
        r.osError = osError;
        r.body.squeeze(); // the stream grows it in steps past its size; it is kept between scans
    });
}

} // namespace net::transfer_wire

#include "weather/net/curl_transfer.h"

#include "weather/net/transfer_wire.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>

#include <utility>

namespace net {

namespace {

// How much more than the body a result may hold (its head, texts and addresses).
constexpr qsizetype kResultOverhead = 1024 * 1024;
// How long past its own limits a helper may take before it is killed.
constexpr int kHelperGraceMs = 5000;

// The helper an EarlyHelper started, until a transfer takes it.
QPointer<QProcess> earlyHelper;

QProcess* newHelper(QObject* parent)
{
    auto* helper = new QProcess(parent);
    // What the helper says on standard error is for whoever reads the program's.
    helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    return helper;
}

} // namespace

CurlTransfer::EarlyHelper::EarlyHelper()
{
    if (earlyHelper)
        return;
    earlyHelper = newHelper(nullptr);
    earlyHelper->start(helperPath(), {});
}

CurlTransfer::EarlyHelper::~EarlyHelper()
{
    QProcess* unused = earlyHelper.data();
    earlyHelper.clear();
    if (!unused)
        return;
    unused->kill();
    unused->waitForFinished();
    delete unused;
}

CurlTransfer::CurlTransfer(QObject* parent) : QObject(parent)
{
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("the transfer did not end in time"), CURLE_OPERATION_TIMEDOUT);
    });
}

CurlTransfer::~CurlTransfer()
{
    release();
}

QString CurlTransfer::helperPath()
{
    const QString named = qEnvironmentVariable("NIMBULO_TRANSFER_HELPER");
    if (!named.isEmpty())
        return named;
    const QString folder = QCoreApplication::applicationDirPath();
    const QString beside = folder + QStringLiteral("/nimbulo-transfer");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QFileInfo(folder + QStringLiteral("/../libexec/nimbulo/nimbulo-transfer"))
        .absoluteFilePath();
}

void CurlTransfer::start(const Options& options)
{
    release();
    done_ = false;
    result_ = TransferResult{};
    result_.url = options.url;

    // One started early is taken while it runs; one that ended already is of no use.
    QProcess* early = earlyHelper.data();
    earlyHelper.clear();
    const bool started = early && early->state() != QProcess::NotRunning;
    if (started) {
        helper_ = early;
        helper_->setParent(this);
    } else {
        delete early;
        helper_ = newHelper(this);
    }
    // The answer stays in the process's buffer until it is whole (its head gives its size),
    // then is read at once, without waiting for the helper to end.
    connect(helper_, &QProcess::readyReadStandardOutput, this,
            [this, limit = options.maxBytes + kResultOverhead] {
                const qint64 available = helper_->bytesAvailable();
                const qint64 whole =
                    transfer_wire::messageSize(helper_->peek(transfer_wire::kHeadSize));
                if (whole < 0)
                    fail(QStringLiteral("the transfer helper answered what is not a result"));
                else if (available > limit || whole > limit)
                    fail(QStringLiteral("the transfer helper answered too much"));
                else if (whole > 0 && available >= whole)
                    takeAnswer();
            });
    connect(helper_, &QProcess::finished, this,
            [this] { fail(QStringLiteral("the transfer helper ended without a result")); });
    connect(helper_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(QStringLiteral("the transfer helper %1 could not be started: %2")
                     .arg(helper_->program(), helper_->errorString()));
    });
    deadline_.start(options.fetchLimitMs + kHelperGraceMs);
    if (!started)
        helper_->start(helperPath(), {});
    // Kept until the helper reads it (or dropped when it cannot start, which ends the transfer).
    if (helper_) {
        helper_->write(transfer_wire::encode(options));
        helper_->closeWriteChannel();
    }
}

void CurlTransfer::abort()
{
    release();
    done_ = false;
    result_ = TransferResult{};
}

void CurlTransfer::takeAnswer()
{
    TransferResult result;
    if (!transfer_wire::decode(helper_->readAllStandardOutput(), result)) {
        fail(QStringLiteral("the transfer helper answered what is not a result"));
        return;
    }
    release();
    result_ = std::move(result);
    done_ = true;
    Q_EMIT finished();
}

void CurlTransfer::fail(const QString& detail, CURLcode code)
{
    if (!helper_)
        return;
    release();
    const QString url = result_.url;
    result_ = TransferResult{};
    result_.url = url;
    result_.code = code;
    result_.detail = detail;
    done_ = true;
    Q_EMIT finished();
}

void CurlTransfer::release()
{
    deadline_.stop();
    if (!helper_)
        return;
    QProcess* helper = std::exchange(helper_, nullptr);
    helper->disconnect(this);
    if (helper->state() == QProcess::NotRunning) {
        helper->deleteLater();
        return;
    }
    // Killed, it closes its connections (one that answered has nothing left to do); it is gone
    // once reaped, and nothing waits for that, not even a program that ends now.
    helper->setParent(nullptr);
    connect(helper, &QProcess::finished, helper, &QObject::deleteLater);
    helper->kill();
}

} // namespace net

#pragma once

#include "weather/net/curl_transfer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

namespace transfer {

class MailDialogue;

// One transfer as net::CurlTransfer describes it, run with libcurl's multi interface on this
// process's event loop: curl names the sockets to watch (a QSocketNotifier per direction) and
// its next deadline (a single-shot QTimer), so nothing polls. libcurl waits for some replies
// (FTP's final "226", the answer to QUIT) in a blocking poll; in the helper that holds up no
// one, and the wait is bounded by the stall limit (CURLOPT_SERVER_RESPONSE_TIMEOUT, and the
// progress callback that curl calls every second during it). The result goes to `done`, once.
class TransferSession : public QObject
{
public:
    using Done = std::function<void(const net::TransferResult& result)>;

    explicit TransferSession(Done done);
    ~TransferSession() override;

    void start(const net::CurlTransfer::Options& options);

private:
    struct Watch
    {
        std::unique_ptr<QSocketNotifier> read;
        std::unique_ptr<QSocketNotifier> write;
    };

    static size_t onBody(char* data, size_t size, size_t count, void* self);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static int onSocket(CURL* easy, curl_socket_t fd, int what, void* self, void* socketData);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);

    void heard();
    void watch(curl_socket_t fd, int what);
    void socketAction(curl_socket_t fd, int events);
    void startHop(const QString& url);
    void hopDone(CURLcode code);
    void release();
    void readValidators();

    Done done_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    QTimer timer_{this};
    QTimer stall_{this};
    QElapsedTimer sinceHeard_; // the stall as the progress callback sees it
    bool stalled_ = false;
    std::map<curl_socket_t, Watch> watches_;
    net::CurlTransfer::Options options_;
    std::unique_ptr<MailDialogue> mail_;
    QElapsedTimer sinceStart_;
    net::TransferResult result_;
    curl_slist* headers_ = nullptr;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
};

} // namespace transfer

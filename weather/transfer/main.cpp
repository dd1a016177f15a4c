// nimbulo-transfer: runs one transfer for the monitor (net::CurlTransfer starts it) and ends.
// The request comes on standard input and the result goes to standard output, both in
// net::transfer_wire's form; the exit code is 0 when a result was written.

#include "weather/net/transfer_wire.h"
#include "weather/transfer/transfer_session.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QFile in;
    QFile out;
    net::CurlTransfer::Options options;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly) ||
        !net::transfer_wire::decode(in.readAll(), options)) {
        std::fputs("nimbulo-transfer: runs a transfer for the Nimbulo monitor, which starts it\n",
                   stderr);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    int exitCode = 1;
    {
        transfer::TransferSession session([&](const net::TransferResult& result) {
            const QByteArray answer = net::transfer_wire::encode(result);
            exitCode = out.write(answer) == answer.size() && out.flush() ? 0 : 1;
            QCoreApplication::exit(exitCode);
        });
        session.start(options);
        QCoreApplication::exec();
    }
    curl_global_cleanup();
    return exitCode;
}

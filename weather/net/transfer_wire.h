#pragma once

#include "weather/net/curl_transfer.h"

// The request and the result as they pass between the program and the helper: a versioned
// QDataStream. decode() is false for bytes that are not a whole, well-formed message.
namespace net::transfer_wire {

QByteArray encode(const CurlTransfer::Options& options);
bool decode(const QByteArray& bytes, CurlTransfer::Options& options);
QByteArray encode(const TransferResult& result);
bool decode(const QByteArray& bytes, TransferResult& result);

} // namespace net::transfer_wire

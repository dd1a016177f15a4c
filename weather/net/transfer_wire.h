#pragma once

#include "weather/net/curl_transfer.h"

// The request and the result as they pass between the program and the helper: a versioned
// QDataStream that begins with its own size. decode() is false for bytes that are not a whole,
// well-formed message.
namespace net::transfer_wire {

// The bytes a message begins with: its version and size.
inline constexpr qsizetype kHeadSize = 12;
// The size of the whole message that begins with `head`: 0 while fewer than kHeadSize bytes
// are there, -1 when they are not the head of a message, so a reader knows when it has all of
// it without waiting for the writer to end.
qint64 messageSize(const QByteArray& head);

QByteArray encode(const CurlTransfer::Options& options);
bool decode(const QByteArray& bytes, CurlTransfer::Options& options);
QByteArray encode(const TransferResult& result);
bool decode(const QByteArray& bytes, TransferResult& result);

} // namespace net::transfer_wire

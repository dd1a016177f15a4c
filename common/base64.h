#pragma once

#include <QByteArray>

namespace common {

// Standard Base64 (RFC 4648 alphabet, "=" padding, no line breaks) of the bytes given.
QByteArray base64Encode(const QByteArray& bytes);

} // namespace common

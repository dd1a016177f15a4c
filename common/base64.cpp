#include "common/base64.h"

namespace common {

QByteArray base64Encode(const QByteArray& bytes)
{
    return bytes.toBase64(QByteArray::Base64Encoding);
}

} // namespace common

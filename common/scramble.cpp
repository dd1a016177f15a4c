#include "common/scramble.h"

namespace common {
namespace {

QByteArray shift(const QByteArray& text, const QByteArray& key, int direction)
{
    if (key.isEmpty())
        return text;
    QByteArray result(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        const int k = static_cast<unsigned char>(key[(i + 1) % key.size()]);
        result[i] = static_cast<char>((c + direction * k) & 0xFF);
    }
    return result;
}

} // namespace

QByteArray scramble(const QByteArray& text, const QByteArray& key)
{
    return shift(text, key, +1);
}

QByteArray unscramble(const QByteArray& stored, const QByteArray& key)
{
    return shift(stored, key, -1);
}

} // namespace common

#include "common/proxy_password.h"

#include "common/ini_file.h"
#include "common/scramble.h"
#include "common/text_codec.h"

#include <optional>

namespace common {
namespace {

bool fitsWindows1252(const QString& text)
{
    return fromWindows1252(toWindows1252(text)) == text;
}

// The stored form the settings file has always used, when it can hold this password.
std::optional<QString> usualForm(const QString& password, const QString& user)
{
    if (!fitsWindows1252(password) || !fitsWindows1252(user))
        return std::nullopt;
    QString stored = fromWindows1252(scramble(toWindows1252(password), toWindows1252(user)));
    if (!iniValueKeepsText(stored))
        return std::nullopt;
    return stored;
}

QString encodedForm(const QString& password, const QString& user)
{
    const QByteArray bytes = scramble(password.toUtf8(), user.toUtf8());
    return QChar(kEncodedMark) + QString::fromLatin1(bytes.toBase64());
}

} // namespace

bool iniValueKeepsText(const QString& stored)
{
    for (const QChar c : stored) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return false;
    }
    if (stored.trimmed() != stored)
        return false;
    if (stored.size() >= 2 && stored.startsWith(u'"') && stored.endsWith(u'"'))
        return false;
    return stored.toUtf8().size() <= kIniValueLimit;
}

QString scramblePassword(const QString& password, const QString& user)
{
    return usualForm(password, user).value_or(encodedForm(password, user));
}

QString unscramblePassword(const QString& stored, const QString& user)
{
    if (stored.startsWith(kEncodedMark)) {
        const auto decoded = QByteArray::fromBase64Encoding(
            stored.mid(1).toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return QString::fromUtf8(unscramble(*decoded, user.toUtf8()));
    }
    return fromWindows1252(unscramble(toWindows1252(stored), toWindows1252(user)));
}

bool proxyCredentialsStorable(const QString& user, const QString& password)
{
    return iniValueKeepsText(user) && iniValueKeepsText(scramblePassword(password, user));
}

} // namespace common

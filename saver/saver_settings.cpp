#include "saver/saver_settings.h"

#include "common/number.h"
#include "common/scramble.h"
#include "platform/registry_store.h"

#include <QVariant>

#include <algorithm>
#include <optional>

namespace saver {
namespace {

constexpr char kDesktopKeyPath[] = "Control Panel\\Desktop";
constexpr char kUsePasswordName[] = "ScreenSaveUsePassword";

// Point sizes outside this range cannot be drawn sensibly; such a stored size is ignored.
constexpr double kMaxFontSize = 1000;

std::optional<QVariant> read(const platform::RegistryStore& store, const char* name,
                             const char* kind)
{
    QVariant value;
    if (store.regRead(QLatin1String(kSaverRoot), QLatin1String(kSaverKeyPath), QLatin1String(name),
                      QLatin1String(kind), value) != 0)
        return std::nullopt;
    return value;
}

void write(const platform::RegistryStore& store, const char* name, const char* kind,
           const QVariant& value)
{
    store.regWrite(QLatin1String(kSaverRoot), QLatin1String(kSaverKeyPath), QLatin1String(name),
                   QLatin1String(kind), value);
}

} // namespace

QColor designColor()
{
    return QColor(255, 255, 0);
}

void setDisplayFace(QFont& font, const QString& face)
{
    static const QString lookAlike = QStringLiteral("Comic Neue");
    QStringList families{face};
    if (face.compare(lookAlike, Qt::CaseInsensitive) != 0)
        families.append(lookAlike);
    font.setFamilies(families);
    // When no face of the list is there, fontconfig's fallback follows the hint, not the name.
    font.setStyleHint(QFont::SansSerif);
}

QFont designFont()
{
    QFont font;
    setDisplayFace(font, QStringLiteral("Comic Sans MS"));
    font.setPointSizeF(27.75);
    font.setBold(true);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    return font;
}

void loadSaverSettings(const platform::RegistryStore& store, SaverSettings& s)
{
    const auto imageTime = read(store, "ImageTime", "D");
    s.imageTime = static_cast<int>(
        std::clamp<quint32>(imageTime ? imageTime->toUInt() : 0, kMinImageTime, kMaxImageTime));

    const auto password = read(store, "Password", "S");
    s.saverPassword = password ? unscramblePassword(password->toString()) : QString();

    if (const auto color = read(store, "ForeColor", "S"); color && !color->toString().isEmpty())
        s.tickerColor = colorFromNumber(static_cast<qint64>(common::readNumber(color->toString())));

    const auto displayType = read(store, "DisplayType", "D");
    s.displayType = displayType && displayType->toUInt() == 1 ? 1 : 0;

    if (const auto v = read(store, "FontBold", "B"))
        s.tickerFont.setBold(v->toBool());
    if (const auto v = read(store, "FontItalic", "B"))
        s.tickerFont.setItalic(v->toBool());
    if (const auto v = read(store, "FontName", "S"); v && !v->toString().isEmpty())
        setDisplayFace(s.tickerFont, v->toString());
    if (const auto v = read(store, "FontSize", "S")) {
        const double size = common::readNumber(v->toString());
        if (size > 0 && size <= kMaxFontSize)
            s.tickerFont.setPointSizeF(size);
    }
    if (const auto v = read(store, "FontST", "B"))
        s.tickerFont.setStrikeOut(v->toBool());
    if (const auto v = read(store, "FontUL", "B"))
        s.tickerFont.setUnderline(v->toBool());
}

void saveSaverSettings(const platform::RegistryStore& store, const SaverSettings& s)
{
    write(store, "ImageTime", "D", quint32(s.imageTime));
    write(store, "ForeColor", "S", QString::number(colorNumber(s.tickerColor)));
    write(store, "DisplayType", "D", quint32(s.displayType));
    write(store, "FontBold", "B", s.tickerFont.bold());
    write(store, "FontItalic", "B", s.tickerFont.italic());
    write(store, "FontName", "S", s.tickerFont.family());
    write(store, "FontSize", "S", QString::number(s.tickerFont.pointSizeF()));
    write(store, "FontST", "B", s.tickerFont.strikeOut());
    write(store, "FontUL", "B", s.tickerFont.underline());
}

void savePassword(const platform::RegistryStore& store, const QString& password)
{
    write(store, "Password", "S", scramblePassword(password));
}

QString scramblePassword(const QString& password)
{
    return QString::fromLatin1(common::scramble(password.toUtf8(), common::kSaverKey));
}

QString unscramblePassword(const QString& stored)
{
    return QString::fromUtf8(common::unscramble(stored.toLatin1(), common::kSaverKey));
}

bool readUsePassword(const platform::RegistryStore& store)
{
    const QString root = QLatin1String(kSaverRoot);
    const QString key = QLatin1String(kDesktopKeyPath);
    const QString name = QLatin1String(kUsePasswordName);
    QVariant value;
    if (store.regRead(root, key, name, QStringLiteral("D"), value) == 0)
        return value.toUInt() != 0;
    // Windows itself keeps this value as a text; accept that form too.
    if (store.regRead(root, key, name, QStringLiteral("S"), value) == 0)
        return common::readNumber(value.toString()) != 0;
    return false;
}

void saveUsePassword(const platform::RegistryStore& store, bool use)
{
    store.regWrite(QLatin1String(kSaverRoot), QLatin1String(kDesktopKeyPath),
                   QLatin1String(kUsePasswordName), QStringLiteral("D"), quint32(use ? 1 : 0));
}

qint64 colorNumber(const QColor& color)
{
    return color.red() + 256 * color.green() + 65536 * color.blue();
}

QColor colorFromNumber(qint64 number)
{
    return QColor(int(number & 0xFF), int((number >> 8) & 0xFF), int((number >> 16) & 0xFF));
}

} // namespace saver

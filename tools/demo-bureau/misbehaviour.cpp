#include "tools/demo-bureau/misbehaviour.h"

#include <QStringList>

namespace demo {
namespace {

bool readCount(const QString& value, int minimum, int* out)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    if (!ok || n < minimum)
        return false;
    *out = n;
    return true;
}

} // namespace

bool Misbehaviour::set(const QString& name, const QString& value, QString* error)
{
    bool ok = true;
    if (name == QLatin1String("delay")) {
        ok = readCount(value, 0, &delayMs);
    } else if (name == QLatin1String("drip")) {
        ok = readCount(value, 0, &dripBytes);
    } else if (name == QLatin1String("cut")) {
        ok = readCount(value, 0, &cutAfter);
    } else if (name == QLatin1String("never-close")) {
        ok = value.isEmpty() || value == QLatin1String("1") || value == QLatin1String("0");
        neverClose = value != QLatin1String("0");
    } else if (name == QLatin1String("status")) {
        ok = readCount(value, 100, &status) && status <= 599;
    } else if (name == QLatin1String("auth-scheme")) {
        ok = !value.isEmpty() && !value.contains(QLatin1Char(' '));
        authScheme = value;
    } else if (name == QLatin1String("require-auth")) {
        ok = value.contains(QLatin1Char(':'));
        requireAuth = value;
    } else {
        *error = QStringLiteral("unknown misbehaviour \"%1\"").arg(name);
        return false;
    }
    if (!ok)
        *error = QStringLiteral("bad value \"%1\" for %2").arg(value, name);
    return ok;
}

bool Misbehaviour::setItems(const QString& items, QString* error)
{
    for (const QString& item : items.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? item : item.left(eq);
        const QString value = eq < 0 ? QString() : item.mid(eq + 1);
        if (!set(name, value, error))
            return false;
    }
    return true;
}

} // namespace demo

#include "common/number.h"

#include <QByteArray>

#include <algorithm>
#include <climits>
#include <cmath>

namespace common {

bool isAsciiDigits(QStringView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), isAsciiDigit);
}

double readNumber(QStringView text)
{
    const auto isDigit = [&](qsizetype i) { return isAsciiDigit(text[i]); };
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;

    // Collect the number's characters and let the C-locale conversion do the arithmetic, so
    // "23.4" gives exactly the double nearest to 23.4.
    QByteArray digits;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        digits.append(static_cast<char>(text[i++].unicode()));
    while (i < n && isDigit(i))
        digits.append(static_cast<char>(text[i++].unicode()));
    if (i < n && text[i] == u'.') {
        digits.append('.');
        ++i;
        while (i < n && isDigit(i))
            digits.append(static_cast<char>(text[i++].unicode()));
    }
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0.0;
}

int readInteger(QStringView text)
{
    // nearbyint rounds in the current rounding mode, which is to-nearest-even by default.
    const double rounded = std::nearbyint(readNumber(text));
    if (rounded >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (rounded <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(rounded);
}

double roundToCurrency(double value)
{
    return std::nearbyint(value * 10000.0) / 10000.0;
}

} // namespace common

#pragma once

#include <QString>

namespace common {

// "Read as a number": the leading decimal number of a text, with "." as the decimal point
// whatever the locale. Leading blanks are skipped, a sign is allowed, and the first character
// that cannot continue the number ends it. Empty or non-numeric text gives 0.
double readNumber(QStringView text);

// '0' to '9': the digits of the bureau's numbers, times and identifiers (another script's
// digits are none of them).
constexpr bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
// True for a text of one or more such digits.
bool isAsciiDigits(QStringView text);

// readNumber() rounded to the nearest integer, halves to the even neighbour, clamped to the
// range of int.
int readInteger(QStringView text);

// Rounds half to even at four decimal places, the precision at which alarm set points and the
// trend compare readings (so 20.95 and 20.950001 compare equal).
double roundToCurrency(double value);

} // namespace common

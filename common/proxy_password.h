#pragma once

#include <QString>

namespace common {

// The proxy password as kept in the settings file (`auth_2`), scrambled with the user name.
//
// The usual stored form is the password's Windows-1252 bytes scrambled with the user name's
// (scramble() of scramble.h), written back as Windows-1252 characters: settings files written
// that way keep working. That form cannot always be kept in an INI value: the scrambled bytes
// may be line breaks, NUL or other control characters, blanks or enclosing quotes (which the
// reader strips), or too long once written as UTF-8; and a password or user name with
// characters outside Windows-1252 would lose them. Such a password is stored instead as
// kEncodedMark + Base64 of its UTF-8 bytes scrambled with the user name's UTF-8 bytes. The mark
// is not a Windows-1252 character, so the usual form never begins with it.
//
// An empty user name stores the password unscrambled (in the usual form when it fits).

inline constexpr char16_t kEncodedMark = u'\u203B';

// The text to write as `auth_2`.
QString scramblePassword(const QString& password, const QString& user);
// The password from a stored `auth_2` and the user name `auth_1`.
QString unscramblePassword(const QString& stored, const QString& user);

// True when `stored` reads back from an INI value exactly as written: no control characters,
// no surrounding blanks, no enclosing pair of double quotes, at most kIniValueLimit bytes.
bool iniValueKeepsText(const QString& stored);

// True when the user name and the password can both be stored and read back unchanged.
bool proxyCredentialsStorable(const QString& user, const QString& password);

} // namespace common

#pragma once

#include <QByteArray>

namespace common {

// The screen saver's fixed scrambling key.
inline constexpr char kSaverKey[] = "QXTRELM";

// Reversible scrambling of a password with a key: byte i (0-based) of the text is shifted by the
// key byte at (i + 1) mod key length, so the key is used from its second byte on and wraps round
// to its first. scramble adds, unscramble subtracts, both modulo 256; the result has the length
// of the input. An empty key leaves the text unchanged.
QByteArray scramble(const QByteArray& text, const QByteArray& key);
QByteArray unscramble(const QByteArray& stored, const QByteArray& key);

} // namespace common

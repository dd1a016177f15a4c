#pragma once

#include <QColor>
#include <QFont>
#include <QString>

namespace platform {
class RegistryStore;
}

namespace saver {

// Where the saver keeps its settings, under the current user's root.
inline constexpr char kSaverRoot[] = "HKCU";
inline constexpr char kSaverKeyPath[] = "Software\\Nimbulo\\ScreenSaver";

// The display's design: the ticker's colour and font before any setting is applied.
QColor designColor();
QFont designFont();

// Gives `font` the face `face`, backed by the design face's metric look-alike "Comic Neue"
// (Debian's fonts-comic-neue) and then by a plain sans-serif face, so a face that is missing
// never becomes fontconfig's own pick for it (for "Comic Sans MS", a calligraphic italic).
void setDisplayFace(QFont& font, const QString& face);

struct SaverSettings
{
    int imageTime = 3;   // seconds of pause, 3..20
    int displayType = 0; // 0 "Scroll pairs left", 1 "Scroll all vertical"
    QColor tickerColor = designColor();
    QFont tickerFont = designFont();
    QString saverPassword; // plain; empty = no password
};

inline constexpr int kMinImageTime = 3;
inline constexpr int kMaxImageTime = 20;

// Reads every setting of the registry key into `s`. ImageTime is clamped to 3..20 (absent
// reads as 3); a DisplayType other than 1 shows pairs; the colour and each font property that
// cannot be read keep what `s` holds (a stored face is set with setDisplayFace); the password
// is unscrambled.
void loadSaverSettings(const platform::RegistryStore& store, SaverSettings& s);
// Writes every setting but the password. Failed writes are ignored.
void saveSaverSettings(const platform::RegistryStore& store, const SaverSettings& s);
// Writes the password scrambled; an empty password clears the protection.
void savePassword(const platform::RegistryStore& store, const QString& password);

// The password as stored: its UTF-8 bytes scrambled with the saver's fixed key, each byte kept
// as the character of the same code (so the stored text has one character per byte).
QString scramblePassword(const QString& password);
QString unscramblePassword(const QString& stored);

// The desktop setting ScreenSaveUsePassword (key "Control Panel\Desktop"): true when it is a
// non-zero number.
bool readUsePassword(const platform::RegistryStore& store);
// Writes that setting as a DWORD, 1 or 0.
void saveUsePassword(const platform::RegistryStore& store, bool use);

// Colours as stored: red + 256 * green + 65536 * blue.
qint64 colorNumber(const QColor& color);
QColor colorFromNumber(qint64 number);

} // namespace saver

#pragma once

#include <QString>
#include <QVariant>

namespace platform {

// The per-user registry of the programs: one INI-format file
// ($XDG_CONFIG_HOME/nimbulo/registry.ini), one section per key path (root included, as in
// "[HKCU\Software\Nimbulo\ScreenSaver]"), typed values written as "name=sz:text" (string, with
// backslash escapes for line breaks and backslashes), "name=dword:N" and "name=bool:1"/"bool:0"
// (the 2-byte Boolean). Only the current user's root (HKCU) holds values; the others read as
// empty. Writes replace the file atomically.
class RegistryStore
{
public:
    // Error codes, as the system gives them.
    static constexpr int kOk = 0;
    static constexpr int kNotFound = 2;
    static constexpr int kWrongType = 13;
    static constexpr int kAccessDenied = 5;
    static constexpr int kUnknownRoot = 99;
    static constexpr int kWriteFailed = 1021;

    // The store of the current user; `path` overrides the file (tests).
    explicit RegistryStore(QString path = defaultPath());
    static QString defaultPath();

    // Reads a value of kind "S" (QString), "B" (bool) or "D" (quint32), kind in any case.
    // Returns kOk and sets `value`, or an error code and leaves `value` alone.
    int regRead(const QString& root, const QString& keyPath, const QString& valueName,
                const QString& kind, QVariant& value) const;
    // Creates the key when missing and writes the value as the kind says. A value name that is
    // empty, holds "=" or a line break, or starts with "[" cannot be kept: kWrongType.
    int regWrite(const QString& root, const QString& keyPath, const QString& valueName,
                 const QString& kind, const QVariant& value) const;

    // The canonical root name of "HKCU", "HKLM", "HKU", "HKDD", "HKCC", "HKCR" (any case), or ""
    // for any other name.
    static QString regRoot(const QString& name);

private:
    QString path_;
};

} // namespace platform

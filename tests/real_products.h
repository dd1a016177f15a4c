#pragma once

// The bureau's real products in ../shared/bureau-samples/ beside the source root. They are the
// bureau's copyright: read from there, never copied into the project.

#include <QByteArray>
#include <QFile>
#include <QString>

// The bytes of the real product `name`; empty when the folder or the file is absent.
inline QByteArray realProduct(const QString& name)
{
    QFile file(QStringLiteral(NIMBULO_SOURCE_DIR "/../shared/bureau-samples/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads the real product `name` into `bytes`, or skips the test saying what is missing.
#define REAL_PRODUCT_OR_SKIP(bytes, name)                                                          \
    const QByteArray bytes = realProduct(QStringLiteral(name));                                    \
    if (bytes.isEmpty())                                                                           \
        QSKIP("the real bureau product " name " is absent (../shared/bureau-samples/)");

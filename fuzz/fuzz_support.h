#pragma once

// Shared by the fuzz targets: the input as bytes, as a file, cut into fields; the shipped layout.

#include "weather/config/layout_file.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A property the target checks does not hold: libFuzzer records the input as a finding.
inline void require(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "property does not hold: %s\n", what);
        std::abort();
    }
}

// Writes `content` to the file `name` in a folder of this process and gives its path.
inline QString asFile(const QByteArray& content, const QString& name = QStringLiteral("input.ini"))
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    QFile file(path);
    require(file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                file.write(content) == content.size(),
            "the input file can be written");
    return path;
}

inline QByteArray fileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The input cut at its first `count - 1` unit separators (0x1F) into `count` fields; fields the
// input does not reach are empty.
inline QList<QByteArray> fields(const QByteArray& input, int count)
{
    QList<QByteArray> parts;
    qsizetype start = 0;
    for (int i = 0; i + 1 < count; ++i) {
        const qsizetype end = input.indexOf('\x1F', start);
        if (end < 0) {
            parts.append(input.mid(start));
            start = input.size();
            continue;
        }
        parts.append(input.mid(start, end - start));
        start = end + 1;
    }
    parts.append(input.mid(start));
    return parts;
}

// Every region layout of the layout file that ships with the programs.
inline const QList<config::StateLayout>& shippedLayouts()
{
    static const QList<config::StateLayout> layouts = [] {
        const QString path = QStringLiteral(NIMBULO_SOURCE_DIR "/data/weather.ini");
        QList<config::StateLayout> all;
        for (const QString& section : config::loadRegionList(path).sections)
            all.append(config::loadStateLayout(section, path));
        require(!all.isEmpty(), "the shipped layout file has regions");
        return all;
    }();
    return layouts;
}

// A fixed-width measure for the texts that lay out by width: 15 twips per character.
inline int textWidth(const QString& text)
{
    return static_cast<int>(text.size()) * 15;
}

} // namespace fuzz

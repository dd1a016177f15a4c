#pragma once

// Shared by the fuzz targets: the input as bytes, as a file, cut into fields; the shipped layout.

#include "weather/config/layout_file.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sanitizer/allocator_interface.h>

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

// The heap the work of one input takes, counted by the sanitizer's allocation hooks while a
// HeapMeter is running: the most held at once above what was held at its start, and the sum of
// every allocation (the volume of copying, which grows with the time a reader spends).
class HeapMeter
{
public:
    HeapMeter()
    {
        static const bool installed = [] {
            return __sanitizer_install_malloc_and_free_hooks(&onMalloc, &onFree) != 0;
        }();
        require(installed, "the allocation hooks are installed");
        state() = {};
        state().running = true;
    }
    ~HeapMeter() { state().running = false; }
    HeapMeter(const HeapMeter&) = delete;
    HeapMeter& operator=(const HeapMeter&) = delete;

    std::size_t peak() const { return static_cast<std::size_t>(state().peak); }
    std::size_t volume() const { return state().volume; }

private:
    struct State
    {
        bool running = false;
        std::int64_t held = 0; // may go below 0: blocks from before the start are freed too
        std::int64_t peak = 0;
        std::size_t volume = 0;
    };
    static State& state()
    {
        static State s;
        return s;
    }
    static void onMalloc(const volatile void*, std::size_t size)
    {
        State& s = state();
        if (!s.running)
            return;
        s.held += static_cast<std::int64_t>(size);
        s.peak = std::max(s.peak, s.held);
        s.volume += size;
    }
    static void onFree(const volatile void* block)
    {
        State& s = state();
        if (s.running && block)
            s.held -= static_cast<std::int64_t>(
                __sanitizer_get_allocated_size(const_cast<const void*>(block)));
    }
};

// Runs `work` on an input of `inputSize` bytes and requires that its heap grows no faster than
// the input: at most `perByte` bytes held at once, and 8 × `perByte` allocated in all, per input
// byte, beyond a fixed 8 MB. Amplification (an entity used a million times), a copy per line
// or a table the input does not pay for fail here, however fast or slow the machine.
template <typename Work>
void requireLinearHeap(std::size_t inputSize, std::size_t perByte, Work&& work)
{
    constexpr std::size_t kSlack = 8u << 20;
    std::size_t peak = 0;
    std::size_t volume = 0;
    {
        HeapMeter meter;
        work();
        peak = meter.peak();
        volume = meter.volume();
    }
    if (peak > kSlack + perByte * inputSize || volume > kSlack + 8 * perByte * inputSize) {
        std::fprintf(stderr, "heap of %zu bytes at its peak, %zu allocated in all, for %zu bytes\n",
                     peak, volume, inputSize);
        require(false, "the heap grows no faster than the input");
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

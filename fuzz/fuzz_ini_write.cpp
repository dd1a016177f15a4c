// INI writing, then reading back. Input: section 0x1F key 0x1F value 0x1F file content.
// Properties: a write that succeeds stores what reads back (for a value the reader gives back
// unchanged: no surrounding blanks or quote pair, within the length limit); a refused write
// leaves the file byte for byte as it was.

#include "common/ini_file.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 4);
    const QString section = QString::fromUtf8(parts[0]);
    const QString key = QString::fromUtf8(parts[1]);
    const QString value = QString::fromUtf8(parts[2]);
    const QString path = fuzz::asFile(parts[3]);

    if (!common::writeIni(section, key, value, path)) {
        fuzz::require(fuzz::fileContent(path) == parts[3], "a refused write changes nothing");
        return 0;
    }
    const bool keptAsIs = value == value.trimmed() &&
                          !(value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) &&
                          value.toUtf8().size() <= common::kIniValueLimit;
    const QString readBack = common::readIni(section, key, path);
    if (keptAsIs)
        fuzz::require(readBack == value, "the written value reads back");
    else
        fuzz::require(value.contains(readBack), "a trimmed or cut value reads back as part of it");

    // Writing the same value again finds the entry written: the file does not change.
    const QByteArray once = fuzz::fileContent(path);
    fuzz::require(common::writeIni(section, key, value, path), "a second write succeeds");
    fuzz::require(fuzz::fileContent(path) == once, "a second write replaces the entry");
    return 0;
}

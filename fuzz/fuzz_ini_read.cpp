// INI reading: any file content, looked up by names taken from the file itself and by fixed
// ones. Properties: no value comes back longer than the limit; reading the file takes a heap no
// faster than its size.

#include "common/ini_file.h"
#include "fuzz_support.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzz::asFile(fuzz::bytes(data, size));
    common::IniDocument document;
    fuzz::requireLinearHeap(size, 128, [&] { document = common::IniDocument::load(path); });
    // Names as the file spells them (and spelled with blanks around), plus names it may lack.
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    QStringList sections{QStringLiteral("FixedSetting"), QStringLiteral(" Mail ")};
    QStringList keys{QStringLiteral("ver"), QStringLiteral("name ")};
    static const QRegularExpression header(QStringLiteral("\\[([^\\]\\n]*)\\]"));
    for (const QRegularExpressionMatch& m : header.globalMatch(text))
        sections.append(m.captured(1));
    static const QRegularExpression entry(QStringLiteral("(?m)^([^=\\n]*)="));
    for (const QRegularExpressionMatch& m : entry.globalMatch(text))
        keys.append(m.captured(1));
    for (const QString& section : sections.mid(0, 8)) {
        for (const QString& key : keys.mid(0, 8)) {
            const QString value = document.value(section, key);
            fuzz::require(value.toUtf8().size() <= common::kIniValueLimit, "value within limit");
        }
    }
    return 0;
}

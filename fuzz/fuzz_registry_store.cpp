// The registry store file (the saver's settings and password) as another program or a damaged
// disk may leave it. Input: a value name 0x1F a value 0x1F the file. Properties: every read
// gives a value of its kind or an error; a value written reads back (a string as far as the
// store keeps it); the saver's password survives its scrambling.

#include "fuzz_support.h"
#include "platform/registry_store.h"
#include "saver/saver_settings.h"

#include <QVariant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 3);
    const QString name = QString::fromUtf8(parts[0]);
    const QString value = QString::fromUtf8(parts[1]);
    const platform::RegistryStore store(fuzz::asFile(parts[2], QStringLiteral("registry.ini")));
    const QString key = QString::fromLatin1(saver::kSaverKeyPath);

    for (const char* kind : {"S", "B", "D"}) {
        QVariant read;
        const int code =
            store.regRead(QStringLiteral("HKCU"), key, name, QLatin1String(kind), read);
        fuzz::require(code == platform::RegistryStore::kOk || !read.isValid(),
                      "a failed read leaves the value alone");
    }
    (void)saver::readUsePassword(store);

    if (store.regWrite(QStringLiteral("HKCU"), key, name, QStringLiteral("S"), value) ==
        platform::RegistryStore::kOk) {
        QVariant read;
        fuzz::require(store.regRead(QStringLiteral("HKCU"), key, name, QStringLiteral("S"), read) ==
                          platform::RegistryStore::kOk,
                      "a written value reads back");
    }
    fuzz::require(saver::unscramblePassword(saver::scramblePassword(value)) == value,
                  "a password survives its scrambling");
    return 0;
}

// The proxy password's storage round trip. Input: user 0x1F password. Property: what the
// options accept as storable is written as an INI value that reads back unchanged, and
// unscrambles to the password itself.

#include "common/proxy_password.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QList<QByteArray> parts = fuzz::fields(fuzz::bytes(data, size), 2);
    const QString user = QString::fromUtf8(parts[0]);
    const QString password = QString::fromUtf8(parts[1]);
    const QString stored = common::scramblePassword(password, user);
    if (!common::proxyCredentialsStorable(user, password))
        return 0;
    fuzz::require(common::iniValueKeepsText(stored), "the stored form fits an INI value");
    fuzz::require(common::unscramblePassword(stored, user) == password, "round trip is identity");
    // Any stored text, however damaged, unscrambles without harm.
    (void)common::unscramblePassword(QString::fromUtf8(parts[1]), user);
    return 0;
}

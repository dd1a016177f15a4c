// "Read as a number" on any text, as decoded from a page or a settings file.

#include "common/number.h"
#include "common/text_codec.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = common::decodeText(fuzz::bytes(data, size));
    const double number = common::readNumber(text);
    (void)common::readInteger(text);
    (void)common::roundToCurrency(number);
    return 0;
}

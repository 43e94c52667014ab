// Scrambled texts as the settings file holds them, which anyone may have edited: the input as
// text is unscrambled, and the input as bytes must come back whole from scrambling.
#include "client/Scramble.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    unscrambleText(QString::fromUtf8(bytes));
    unscrambleText(QString::fromLatin1(bytes));
    fuzzCheck(unscrambleText(scrambleText(bytes)) == bytes, "scrambled bytes come back whole");
    return 0;
}

// A notice's HTML made displayable. The input's first line is the service's base URL (which
// could be a hostile one too), the rest the notice; without a line end the whole input is the
// notice under the usual address.
#include "client/NoticeHtml.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(fuzzBytes(data, size));
    const int lineEnd = input.indexOf(QLatin1Char('\n'));
    const QString baseUrl =
        lineEnd < 0 ? QStringLiteral("https://www.halvik.example") : input.left(lineEnd);
    const QString content = lineEnd < 0 ? input : input.mid(lineEnd + 1);
    const QString html = rewriteNoticeHtml(content, baseUrl);
    fuzzCheck(!content.contains(QLatin1String("<img")) || !html.isEmpty(),
              "a notice with images keeps its text");
    return 0;
}

// The WeChat platform's pages: the input is searched as a QR-connect page and read as a
// long-poll reply, and what is found builds the next poll request. On texts of up to 1024
// characters each pattern must find what a plain search for the whole pattern finds; that search
// takes a pass over the rest of the text at each start, too slow for longer ones.
#include "fuzz/FuzzSupport.h"
#include "signin/WxQrPage.h"

#include <QRegExp>

namespace {

constexpr int kCompared = 1024;

// What a plain search for the whole pattern finds.
bool wholePatternFinds(const char *pattern, const QString &text, int capture, QString &captured)
{
    QRegExp rx(QString::fromLatin1(pattern), Qt::CaseSensitive, QRegExp::RegExp);
    rx.setMinimal(true);
    if (rx.indexIn(text) < 0)
        return false;
    captured = rx.cap(capture);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));

    QString path;
    const bool hasImage = findQrImagePath(text, path);
    QString address;
    const bool hasPoll = findPollAddress(text, address);
    fuzzCheck(!hasPoll || address.startsWith(QLatin1String("https")), "the poll address is https");
    PollReply reply;
    const bool hasState = parsePollReply(text, reply);
    if (hasState) {
        const PollStep step = pollStepFor(reply.state);
        fuzzCheck(step.action != PollStep::SignIn || reply.state == 405, "only 405 signs in");
        pollRequestUrl(address, step.setsLastCode ? step.lastWxCode : reply.code);
    }

    if (text.size() > kCompared)
        return 0;
    QString image;
    fuzzCheck(wholePatternFinds("qrcode\\s+lightBorder.*src.*\"(.*)\"", text, 1, image) ==
                      hasImage &&
                  image == path,
              "the image path is what the whole pattern finds");
    QString poll;
    fuzzCheck(wholePatternFinds("\\.ajax\\(.*url:\"https(.*)\"", text, 1, poll) == hasPoll &&
                  (!hasPoll || address == QStringLiteral("https") + poll),
              "the poll address is what the whole pattern finds");
    QString code;
    fuzzCheck(wholePatternFinds("window\\.wx_errcode=(.*);window\\.wx_code=\\'(.*)\\'", text, 2,
                                code) == hasState &&
                  code == reply.code,
              "the poll reply is what the whole pattern finds");
    return 0;
}

// The WeChat platform's pages: the input is searched as a QR-connect page and read as a
// long-poll reply, and what is found builds the next poll request. Each pattern must find what
// a plain search for the whole pattern finds (slow on long texts, fine for a fuzz input).
#include "FuzzSupport.h"
#include "WxQrPage.h"

#include <QRegExp>

namespace {

QRegExp wholePattern(const char *pattern)
{
    QRegExp rx(QString::fromLatin1(pattern), Qt::CaseSensitive, QRegExp::RegExp);
    rx.setMinimal(true);
    return rx;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));

    QRegExp image = wholePattern("qrcode\\s+lightBorder.*src.*\"(.*)\"");
    const bool hasImage = image.indexIn(text) >= 0;
    QString path;
    fuzzCheck(findQrImagePath(text, path) == hasImage && path == image.cap(1),
              "the image path is what the whole pattern finds");

    QRegExp poll = wholePattern("\\.ajax\\(.*url:\"https(.*)\"");
    const bool hasPoll = poll.indexIn(text) >= 0;
    QString address;
    fuzzCheck(findPollAddress(text, address) == hasPoll &&
                  (!hasPoll || address == QStringLiteral("https") + poll.cap(1)),
              "the poll address is what the whole pattern finds");

    QRegExp state = wholePattern("window\\.wx_errcode=(.*);window\\.wx_code=\\'(.*)\\'");
    const bool hasState = state.indexIn(text) >= 0;
    PollReply reply;
    fuzzCheck(parsePollReply(text, reply) == hasState && reply.code == state.cap(2),
              "the poll reply is what the whole pattern finds");
    if (hasState) {
        const PollStep step = pollStepFor(reply.state);
        fuzzCheck(step.action != PollStep::SignIn || reply.state == 405, "only 405 signs in");
        pollRequestUrl(address, step.setsLastCode ? step.lastWxCode : reply.code);
    }
    return 0;
}

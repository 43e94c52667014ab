// The WeChat platform's pages: the input is searched as a QR-connect page and read as a
// long-poll reply, and what is found builds the next poll request.
#include "FuzzSupport.h"
#include "WxQrPage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzBytes(data, size));

    QString path;
    if (findQrImagePath(text, path))
        fuzzCheck(!path.contains(QLatin1Char('"')), "the image path stops at its quote");

    QString address;
    if (findPollAddress(text, address))
        fuzzCheck(address.startsWith(QLatin1String("https")), "the poll address is https");

    PollReply reply;
    if (parsePollReply(text, reply)) {
        const PollStep step = pollStepFor(reply.state);
        fuzzCheck(step.action != PollStep::SignIn || reply.state == 405, "only 405 signs in");
        pollRequestUrl(address, step.setsLastCode ? step.lastWxCode : reply.code);
    }
    return 0;
}

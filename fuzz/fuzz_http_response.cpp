// An HTTP response as the service's connection delivers it. The first byte picks where the
// rest is cut in two; read whole or in two pieces, the outcome must be the same, and a body
// never exceeds what arrived.
#include "client/HttpResponseParser.h"
#include "fuzz/FuzzSupport.h"

namespace {

HttpResponseParser readAll(const QByteArray &input, int cut, QByteArray &body)
{
    HttpResponseParser parser;
    if (cut > 0 && cut < input.size()) {
        parser.feed(input.left(cut));
        body += parser.takeBody();
        parser.feed(input.mid(cut));
    } else {
        parser.feed(input);
    }
    parser.endOfInput();
    body += parser.takeBody();
    return parser;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw = fuzzBytes(data, size);
    if (raw.isEmpty())
        return 0;
    const QByteArray input = raw.mid(1);
    const int cut = int(static_cast<unsigned char>(raw.at(0))) * input.size() / 255;
    QByteArray whole;
    QByteArray pieces;
    const HttpResponseParser one = readAll(input, 0, whole);
    const HttpResponseParser two = readAll(input, cut, pieces);
    fuzzCheck(one.state() == two.state(), "the cut changes the outcome");
    fuzzCheck(one.status() == two.status(), "the cut changes the status");
    fuzzCheck(one.state() != HttpResponseParser::State::Complete || whole == pieces,
              "the cut changes the body");
    fuzzCheck(whole.size() <= input.size(), "a body larger than the input");
    return 0;
}

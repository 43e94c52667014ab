#include "localservice/server/FaultResponder.h"

#include "localservice/server/Faults.h"
#include "localservice/server/HttpGlue.h"
#include "localservice/server/StopSignal.h"

#include <algorithm>
#include <memory>

#include <sys/socket.h>

namespace {

constexpr const char *kOctets = "application/octet-stream";
constexpr int kHangLimitMs = 10 * 60 * 1000;

// Ends the connection without a reply. Over TLS the socket is shut under the session, so not
// even a TLS alert reaches the client; over plain HTTP the headers go out and the body never
// follows.
void dropConnection(const httplib::Request &req, httplib::Response &res)
{
    if (req.ssl) {
        ::shutdown(SSL_get_fd(req.ssl), SHUT_RDWR);
        res.set_content("", kOctets);
        return;
    }
    res.set_content_provider(1024, kOctets,
                             [](size_t, size_t, httplib::DataSink &) { return false; });
}

// Sends the normal body after a blank every intervalMs for durationMs. The type is one the
// server does not compress, since compression would hold every byte back until the end.
void dripReply(httplib::Response &res, const Fault &f, StopSignal &stop)
{
    const auto body = std::make_shared<std::string>(res.body);
    const size_t blanks = size_t(std::max(1, f.durationMs / std::max(1, f.intervalMs)));
    const int interval = f.intervalMs;
    StopSignal *signal = &stop;
    res.body.clear();
    res.set_content_provider(
        blanks + body->size(), kOctets,
        [body, blanks, interval, signal](size_t offset, size_t, httplib::DataSink &sink) {
            if (offset < blanks) {
                if (!signal->waitFor(interval))
                    return false;
                return sink.write(" ", 1);
            }
            return sink.write(body->data() + (offset - blanks), body->size() - (offset - blanks));
        });
}

// A valid envelope of exactly size bytes, produced piece by piece.
void hugeReply(httplib::Response &res, qint64 size)
{
    static const std::string head = "{\"code\":0,\"message\":\"\",\"data\":\"";
    static const std::string tail = "\"}";
    const size_t total = size_t(std::max<qint64>(size, qint64(head.size() + tail.size())));
    res.set_content_provider(total, kOctets,
                             [total](size_t offset, size_t length, httplib::DataSink &sink) {
                                 std::string chunk;
                                 const size_t end = offset + std::min<size_t>(length, 65536);
                                 chunk.reserve(end - offset);
                                 for (size_t i = offset; i < end; ++i) {
                                     if (i < head.size())
                                         chunk += head[i];
                                     else if (i >= total - tail.size())
                                         chunk += tail[i - (total - tail.size())];
                                     else
                                         chunk += 'x';
                                 }
                                 return sink.write(chunk.data(), chunk.size());
                             });
}

// Promises a whole envelope, sends half of it, then closes the connection.
void cutReply(httplib::Response &res)
{
    static const std::string body =
        "{\"code\":0,\"message\":\"\",\"data\":{\"recordCount\":1,\"data\":[{\"domains\":"
        "\"example.com\",\"domainsID\":1}]}}";
    res.set_content_provider(body.size(), kOctets,
                             [](size_t offset, size_t, httplib::DataSink &sink) {
                                 const size_t half = body.size() / 2;
                                 if (offset >= half)
                                     return false;
                                 return sink.write(body.data() + offset, half - offset);
                             });
}

void replaceReply(const httplib::Request &req, httplib::Response &res, const Fault &f,
                  quint64 generation, FaultTable &faults, StopSignal &stop)
{
    switch (f.kind) {
    case FaultKind::ErrorPage403:
        sendHtml(res, QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                                     "<title>错误页面403</title></head><body><h1>403</h1>"
                                     "<p>您访问的页面不存在或无权访问。</p></body></html>"));
        return;
    case FaultKind::MalformedJson:
        sendJson(res, QByteArrayLiteral("{\"code\":0,\"message\":\"\",\"data\":{\"recordCount\":3,"
                                        "\"data\":[{\"domains\":"));
        return;
    case FaultKind::MissingCode:
        sendJson(res, QByteArrayLiteral("{\"message\":\"\",\"data\":{}}"));
        return;
    case FaultKind::Http500:
        sendHtml(res,
                 QStringLiteral("<html><body><h1>500 Internal Server Error</h1></body></html>"),
                 500);
        return;
    case FaultKind::EmptyBody:
        sendBytes(res, QByteArray(), "application/json");
        return;
    case FaultKind::HugeBody:
        hugeReply(res, f.size);
        return;
    case FaultKind::DeepNesting: {
        const std::string body =
            "{\"code\":0,\"message\":\"\",\"data\":" + std::string(size_t(f.depth), '[') +
            std::string(size_t(f.depth), ']') + "}";
        res.set_content(body, "application/json");
        return;
    }
    case FaultKind::CutReply:
        cutReply(res);
        return;
    case FaultKind::Hang: {
        stop.waitFor(kHangLimitMs,
                     [&faults, generation] { return faults.generation() != generation; });
        dropConnection(req, res);
        return;
    }
    case FaultKind::Custom:
        if (!f.location.isEmpty())
            res.set_header("Location", f.location.toStdString());
        sendBytes(res, f.body, f.contentType.constData(), f.status);
        return;
    case FaultKind::Drop:
    case FaultKind::DelayOnly:
    case FaultKind::Drip:
        dropConnection(req, res);
        return;
    }
}

} // namespace

void respondWithFaults(const httplib::Request &req, httplib::Response &res, const QString &path,
                       FaultTable &faults, StopSignal &stop, const HttpHandler &handler)
{
    Fault f;
    quint64 generation = 0;
    if (!faults.take(path, &f, &generation)) {
        handler(req, res);
        return;
    }
    if (f.delayMs > 0 && !stop.waitFor(f.delayMs))
        return;
    if (f.kind == FaultKind::DelayOnly || f.kind == FaultKind::Drip) {
        handler(req, res);
        if (f.kind == FaultKind::Drip)
            dripReply(res, f, stop);
        return;
    }
    replaceReply(req, res, f, generation, faults, stop);
}

#include "localservice/server/HttpSite.h"

#include "localservice/server/HttpGlue.h"
#include "localservice/server/ServiceContext.h"

HttpSite::HttpSite(httplib::Server &server, ServiceContext &context, bool tls, int port)
    : m_server(server), m_context(context), m_tls(tls), m_port(port)
{}

void HttpSite::get(const std::string &pattern, const HttpHandler &handler)
{
    ServiceContext *ctx = &m_context;
    m_server.Get(pattern, [ctx, handler](const httplib::Request &req, httplib::Response &res) {
        respondWithFaults(req, res, QString::fromStdString(req.path), ctx->faults, ctx->stop,
                          handler);
    });
}

void HttpSite::post(const std::string &pattern, const BodyHandler &handler)
{
    ServiceContext *ctx = &m_context;
    m_server.Post(pattern, [ctx, handler](const httplib::Request &req, httplib::Response &res,
                                          const httplib::ContentReader &reader) {
        std::string body;
        reader([&body](const char *data, size_t length) {
            body.append(data, length);
            return true;
        });
        const QByteArray bytes = QByteArray::fromStdString(body);
        respondWithFaults(req, res, QString::fromStdString(req.path), ctx->faults, ctx->stop,
                          [&handler, &bytes](const httplib::Request &r, httplib::Response &s) {
                              handler(r, s, bytes);
                          });
    });
}

QString HttpSite::origin(const httplib::Request &req) const
{
    return requestOrigin(req, m_tls, m_context.options.host, m_port);
}

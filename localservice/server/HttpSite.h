#pragma once

#include "localservice/server/FaultResponder.h"

#include <QString>

#include <string>

struct ServiceContext;

// The web side of one running service: registers GET and POST handlers that pass through the
// fault table, and tells the origin a request came in by.
class HttpSite
{
public:
    HttpSite(httplib::Server &server, ServiceContext &context, bool tls, int port);

    void get(const std::string &pattern, const HttpHandler &handler);
    // Handlers that read the body themselves, so no size limit of the server's form parser
    // applies; body is capped by the server's payload limit.
    using BodyHandler =
        std::function<void(const httplib::Request &, httplib::Response &, const QByteArray &)>;
    void post(const std::string &pattern, const BodyHandler &handler);

    QString origin(const httplib::Request &req) const;
    ServiceContext &context() const { return m_context; }
    httplib::Server &server() const { return m_server; }

private:
    httplib::Server &m_server;
    ServiceContext &m_context;
    bool m_tls;
    int m_port;
};

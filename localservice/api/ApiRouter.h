#pragma once

#include "localservice/api/ApiCall.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

struct ServiceContext;

// Which paths need a signature: sign-in and registration come before there is a key.
enum class Access
{
    Public,
    Signed
};

using ApiHandler = std::function<ApiReply(const ApiCall &)>;

// The API paths and their handlers; runs one request from form body to reply envelope.
class ApiRouter
{
public:
    void add(const QString &path, Access access, ApiHandler handler);
    QStringList paths() const { return m_routes.keys(); }
    bool contains(const QString &path) const { return m_routes.contains(path); }

    // Parses the body, checks signature and time stamp, runs the handler: the reply's bytes.
    QByteArray handle(const QString &path, const QByteArray &body, const QString &origin,
                      ServiceContext &context) const;

private:
    struct Route
    {
        Access access;
        ApiHandler handler;
    };
    QMap<QString, Route> m_routes;
};

// Registers every path of the service API.
void addAccountRoutes(ApiRouter &router, ServiceContext &context);
void addDomainRoutes(ApiRouter &router, ServiceContext &context);
void addGroupRoutes(ApiRouter &router, ServiceContext &context);
void addRecordRoutes(ApiRouter &router, ServiceContext &context);
void addMessageRoutes(ApiRouter &router, ServiceContext &context);
void addLineRoutes(ApiRouter &router, ServiceContext &context);

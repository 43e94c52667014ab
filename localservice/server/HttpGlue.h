#pragma once

#include <QByteArray>
#include <QString>

#include <httplib.h>

// Small bridges between the HTTP server's types and ours.

// The origin ("https://host:port") the client reached us by, from its Host header; the
// listening address when the header is missing or not a plain host and port.
QString requestOrigin(const httplib::Request &req, bool tls, const QString &fallbackHost, int port);

// A query or form parameter of a GET request, as text.
QString queryValue(const httplib::Request &req, const char *key);

// True when the peer is on this machine.
bool isLoopbackPeer(const httplib::Request &req);

void sendBytes(httplib::Response &res, const QByteArray &body, const char *contentType,
               int status = 200);
void sendJson(httplib::Response &res, const QByteArray &body);
void sendHtml(httplib::Response &res, const QString &html, int status = 200);
void sendText(httplib::Response &res, const QString &text, int status = 200);

#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The service's trust for Qt's own network stack (the request path itself runs on libcurl,
// see NetworkThread.h): the peer verified against the system's roots plus extraCa, TLS 1.2 or
// later. Built once per set of extra CAs; safe to call from any thread.
QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa);

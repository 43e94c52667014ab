#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslConfiguration>

// The TLS settings of every request to the service and its pages: the peer verified against
// the system's roots plus extraCa, TLS 1.2 or later, sessions kept for resumption. Built once
// per process and rebuilt only when extraCa changes; safe to call from any thread.
QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa);
// The same with the system's roots given (for tests).
QSslConfiguration serviceTlsConfiguration(const QList<QSslCertificate> &extraCa,
                                          const QList<QSslCertificate> &systemRoots);

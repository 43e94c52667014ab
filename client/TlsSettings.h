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

// For settings built above with extra CAs: the same settings trusting the extra CAs alone, else
// a null configuration. A chain these verify is one the full settings trust as well, and a
// connection's certificate store then holds a few CAs instead of every system root, which is
// most of the CPU a new connection costs. A peer they reject is tried again under the full
// settings (HttpExchange does), so nothing the full settings accept is refused.
QSslConfiguration extraCaOnlyTrust(const QSslConfiguration &full);

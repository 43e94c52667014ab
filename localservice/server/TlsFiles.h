#pragma once

#include <QString>

// Where the service's TLS material lives inside its data folder.
struct TlsPaths
{
    QString caCert;     // ca.pem: what clients are told to trust
    QString caKey;      // ca-key.pem
    QString serverCert; // server.pem: issued by the CA for localhost and 127.0.0.1
    QString serverKey;  // server-key.pem
};

TlsPaths tlsPaths(const QString &dataDir);

// Makes sure the data folder holds a local CA (P-256, CA:TRUE) and a server certificate it
// issued (serverAuth, DNS:localhost, IP:127.0.0.1). Creates what is missing; renews the server
// certificate when it is about to expire or no longer matches the CA. Keys are owner-only.
bool ensureTlsFiles(const QString &dataDir, TlsPaths *paths, QString *errorText);

#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// Debian's pebble, an ACME test server, for the certificate runs of certbot and lego: on free
// loopback ports, with a TLS certificate of its own (its CA in caFile()), resolving the names it
// validates through dnsServer ("127.0.0.1:PORT"), without its artificial sleeps and never taking
// a challenge on trust. Stopped when destroyed.
class PebbleServer
{
public:
    PebbleServer() = default;
    ~PebbleServer();
    PebbleServer(const PebbleServer &) = delete;
    PebbleServer &operator=(const PebbleServer &) = delete;

    // Starts pebble and waits until its directory answers; false with the reason in errorText().
    bool start(const QString &dnsServer);
    void stop();
    QString errorText() const { return m_error; }

    // The ACME directory URL, and the CA that issued pebble's own TLS certificate.
    QString directoryUrl() const;
    QString caFile() const { return m_caFile; }
    // What pebble logged so far, for a failure's message.
    QByteArray log() const;

private:
    bool startOnce(const QString &dnsServer, bool &portTaken);
    QString logPath() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_caFile;
    quint16 m_port = 0;
    QString m_error;
};

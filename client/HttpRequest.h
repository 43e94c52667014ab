#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QUrl>

// What one HTTPS request may take: every wait is bounded in time and every reply in size.
struct HttpLimits
{
    int connectMs = 10000; // the TCP connection and the TLS handshake
    int stallMs = 15000;   // no byte from the peer for this long, from the start on
    int totalMs = 20000;   // the whole exchange
    // The service's replies; a page of a large account is a few MB, far below this.
    qint64 maxBodyBytes = 64 * 1024 * 1024;
    int maxHeaderBytes = 64 * 1024;
    // A change goes on a kept-alive connection only if it was last used this recently.
    // Servers close idle connections on their own timer (1 s on the stand-in, 5 s is common);
    // a change sent just as that happens fails and is never sent again, so an older
    // connection is passed over for a fresh one (a resumed session: a millisecond or two).
    int changeReuseMs = 500;
};

// Whom a request trusts: the system's roots (looked up as needed, never all read at once) and
// the extra CAs the user named.
struct HttpTrust
{
    QByteArray extraCaPem;
    // A hashed directory of roots in place of the system's (for tests); empty: the system's.
    QString rootsDir;
};

struct HttpRequest
{
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    QByteArray method = QByteArrayLiteral("GET");
    QUrl url;
    Headers headers;
    QByteArray body;
    HttpTrust trust;
    HttpLimits limits;
    // A read: sent again on a fresh connection when a kept-alive one died before any answer.
    // A change never is: the service may have received it.
    bool mayRepeat = false;
};

// Why the peer's certificate was refused.
enum class TlsProblem
{
    None,
    Expired,
    WrongName,
    UnknownIssuer,
    Other
};

// The outcome of one request, handed over whole once it has ended.
struct HttpResult
{
    // Named as Qt's network replies name them, HTTP statuses of 400 and up included.
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    // One of the time limits ended the request.
    bool timedOut = false;
    TlsProblem tlsProblem = TlsProblem::None;
    // The request went out on a connection (it may have reached the service).
    bool sent = false;
    // The TLS session of an earlier connection was resumed.
    bool resumedSession = false;
    int status = 0;
    QByteArray reasonPhrase;
    HttpRequest::Headers headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

// What Qt's replies report for an HTTP status (NoError below 400).
QNetworkReply::NetworkError errorForStatus(int status);
// The user's words for a refused certificate; empty for None.
QString tlsProblemText(TlsProblem problem);

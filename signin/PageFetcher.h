#pragma once

#include "client/HttpRequest.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class QUrl;

// A WeChat page is small, and its host is not the service; its long poll is held open for up
// to half a minute.
inline HttpLimits pageLimits()
{
    HttpLimits limits;
    limits.maxBodyBytes = 1024 * 1024;
    limits.stallMs = 40000;
    limits.totalMs = 60000;
    return limits;
}

// Blocking page fetches for the WeChat flow: a GET waits in a nested event loop until the
// reply finishes or its abort check holds. The checks are run on demand (watchFetch), not on
// a clock, so a waiting fetch costs nothing.
class PageFetcher : public QObject
{
    Q_OBJECT
public:
    using AbortCheck = std::function<bool()>;

    explicit PageFetcher(QObject *parent = nullptr);
    ~PageFetcher() override;

    // Whom every fetch trusts, and what it may take.
    void setTrust(const HttpTrust &trust);
    void setLimits(const HttpLimits &limits);

    // GETs address. Empty when abortCheck holds before the reply has finished; otherwise the
    // body whatever the status (a failed request normally has none). With decode set, invalid
    // UTF-8 comes back as replacement characters.
    QByteArray fetchPage(const QString &address, bool decode, const AbortCheck &abortCheck);

    // Runs the abort check of every waiting fetch; call it whenever what the checks read may
    // have changed.
    void watchFetch();

    // How many fetches are waiting (nested ones included); an aborted one stops counting at
    // once, before its wait has unwound.
    int waiting() const;

signals:
    // A GET has just been sent.
    void requestSent(const QUrl &url);

private:
    struct Wait;
    HttpTrust m_trust;
    HttpLimits m_limits = pageLimits();
    QList<Wait *> m_waits;
};

#pragma once

#include "client/live/LiveReport.h"
#include "client/live/LiveSettings.h"

#include <QObject>
#include <QVector>

#include <functional>
#include <memory>

// Checks record sets of one domain on its authoritative name servers: finds them (the domain's
// NS records and their addresses, through the resolver), then asks each one directly, once per
// line, with the line's client subnet. Runs on the caller's event loop; progress() counts the
// questions to the name servers.
class LiveCheck : public QObject
{
    Q_OBJECT
public:
    explicit LiveCheck(const LiveSettings &settings, QObject *parent = nullptr);
    ~LiveCheck() override;

    // finished() follows, also when the name servers cannot be found (report().error).
    void start(const QString &domain, const QList<LiveTarget> &targets);
    // Ends at once: questions without a reply count as stopped; finished() follows.
    void stop();
    bool isRunning() const { return m_queries != nullptr; }
    const LiveReport &report() const { return m_report; }

signals:
    void progress(int done, int total);
    void finished();

private:
    void askAddresses();
    void askTargets();
    // Adds a recursive question to the resolver the check was given.
    void askResolver(const QString &name, int type);
    // Judges one reply as it comes, so that the work is spread over the check.
    void judgeOne(int index);
    void judge();
    void fail(const QString &error);
    void run(void (LiveCheck::*next)());

    LiveSettings m_settings;
    QString m_resolver;
    quint16 m_resolverPort = 53;
    QStringList m_names;
    LiveReport m_report;
    QVector<bool> m_judged;
    std::unique_ptr<DnsQueries> m_queries;
};

// Runs a check to its end on a local event loop: for a program without windows.
LiveReport runLiveCheck(const LiveSettings &settings, const QString &domain,
                        const QList<LiveTarget> &targets);

// Checks again, a second apart, until every result is live or waitSeconds have passed (0: one
// check). round (when given) sees each report. The last report comes back.
LiveReport checkUntilLive(const LiveSettings &settings, const QString &domain,
                          const QList<LiveTarget> &targets, int waitSeconds,
                          const std::function<void(const LiveReport &)> &round = {});

// What a caller that needs records served waits for: every authoritative name server of domain
// serves each of records (TXT for a certificate challenge, say) on its line, whatever else the
// set holds. notLive names the first name server and record that is not, or why the name
// servers could not be asked.
struct ServedWait
{
    bool served = false;
    QString notLive;
    LiveReport report;
};
ServedWait waitUntilServed(const LiveSettings &settings, const QString &domain,
                           const QList<Record> &records, int timeoutSeconds);

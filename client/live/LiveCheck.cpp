#include "client/live/LiveCheck.h"

#include "client/RecordIdentity.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHash>
#include <QTimer>

#include <ldns/ldns.h>

LiveCheck::LiveCheck(const LiveSettings &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{}

LiveCheck::~LiveCheck() = default;

void LiveCheck::start(const QString &domain, const QList<LiveTarget> &targets)
{
    m_report = LiveReport();
    m_judged.clear();
    m_report.domain = normalizeName(domain);
    m_report.targets = targets;
    m_names.clear();
    const QString resolver = m_settings.resolver.isEmpty() ? systemResolver() : m_settings.resolver;
    if (m_report.domain.isEmpty()) {
        fail(QStringLiteral("域名%1无效").arg(domain));
        return;
    }
    if (!parseServerAddress(resolver, m_resolver, m_resolverPort)) {
        fail(resolver.isEmpty() ? QStringLiteral("系统没有配置DNS服务器")
                                : QStringLiteral("DNS服务器地址无效：%1").arg(resolver));
        return;
    }
    m_queries = std::make_unique<DnsQueries>();
    m_queries->setLimits(m_settings.limits);
    askResolver(m_report.domain, LDNS_RR_TYPE_NS);
    run(&LiveCheck::askAddresses);
}

void LiveCheck::askResolver(const QString &name, int type)
{
    DnsQuestion q;
    q.name = name;
    q.type = type;
    q.server = m_resolver;
    q.port = m_resolverPort;
    q.recursive = true;
    m_queries->add(q);
}

void LiveCheck::run(void (LiveCheck::*next)())
{
    connect(m_queries.get(), &DnsQueries::finished, this, next, Qt::QueuedConnection);
    m_queries->start();
}

void LiveCheck::fail(const QString &error)
{
    m_report.error = error;
    if (m_queries) {
        m_queries.release()->deleteLater();
    }
    QTimer::singleShot(0, this, &LiveCheck::finished);
}

void LiveCheck::stop()
{
    if (!m_queries)
        return;
    m_report.stopped = true;
    m_queries->disconnect(this);
    m_queries->stop();
    if (!m_report.servers.isEmpty() &&
        m_queries->count() == m_report.targets.size() * m_report.servers.size()) {
        judge();
        return;
    }
    m_queries.release()->deleteLater();
    emit finished();
}

void LiveCheck::askAddresses()
{
    if (m_report.stopped)
        return;
    const DnsReply &reply = m_queries->reply(0);
    if (reply.outcome != DnsReply::Answered) {
        fail(QStringLiteral("DNS服务器%1:%2无应答：%3")
                 .arg(m_resolver)
                 .arg(m_resolverPort)
                 .arg(reply.error));
        return;
    }
    for (const ServedRecord &r : reply.answer + reply.authority) {
        const QString name = normalizeName(r.value);
        if (r.type == LDNS_RR_TYPE_NS && !name.isEmpty() && !m_names.contains(name))
            m_names.append(name);
    }
    if (m_names.isEmpty()) {
        fail(QStringLiteral("找不到域名%1的域名服务器").arg(m_report.domain));
        return;
    }
    m_names.sort();
    m_queries.release()->deleteLater();
    m_queries = std::make_unique<DnsQueries>();
    m_queries->setLimits(m_settings.limits);
    for (const QString &name : qAsConst(m_names)) {
        for (const int type : {int(LDNS_RR_TYPE_A), int(LDNS_RR_TYPE_AAAA)})
            askResolver(name, type);
    }
    run(&LiveCheck::askTargets);
}

void LiveCheck::askTargets()
{
    if (m_report.stopped)
        return;
    QStringList unknown;
    for (int i = 0; i < m_names.size(); ++i) {
        QString address;
        // An IPv4 address first: most hosts reach one.
        for (int k = 0; k < 2 && address.isEmpty(); ++k) {
            const DnsReply &reply = m_queries->reply(2 * i + k);
            for (const ServedRecord &r : reply.answer) {
                if (r.type == (k == 0 ? LDNS_RR_TYPE_A : LDNS_RR_TYPE_AAAA)) {
                    address = r.value;
                    break;
                }
            }
        }
        if (address.isEmpty())
            unknown.append(m_names.at(i));
        else
            m_report.servers.append(LiveServer{m_names.at(i), address});
    }
    if (!unknown.isEmpty()) {
        fail(QStringLiteral("找不到域名服务器%1的地址").arg(unknown.join(QStringLiteral("、"))));
        return;
    }
    m_queries.release()->deleteLater();
    m_queries = std::make_unique<DnsQueries>();
    m_queries->setLimits(m_settings.limits);
    QHash<int, LineSubnet> subnets; // by line: each parsed once
    for (const LiveTarget &t : qAsConst(m_report.targets)) {
        if (!subnets.contains(t.key.lineID))
            subnets.insert(t.key.lineID, m_settings.subnets.subnetOf(t.key.lineID));
        const QString name = liveQueryName(t.key.host, m_report.domain);
        const int type = int(ldns_get_rr_type_by_name(t.key.type.toLatin1().constData()));
        for (const LiveServer &s : qAsConst(m_report.servers)) {
            DnsQuestion q;
            q.name = name;
            q.type = type;
            q.server = s.address;
            q.port = m_settings.dnsPort;
            q.subnet = subnets.value(t.key.lineID);
            m_queries->add(q);
        }
    }
    m_report.results = QList<LiveResult>();
    m_report.results.reserve(m_queries->count());
    for (int i = 0; i < m_queries->count(); ++i)
        m_report.results.append(LiveResult());
    m_judged = QVector<bool>(m_queries->count(), false);
    connect(m_queries.get(), &DnsQueries::settled, this, &LiveCheck::judgeOne);
    connect(m_queries.get(), &DnsQueries::progress, this, &LiveCheck::progress);
    run(&LiveCheck::judge);
}

void LiveCheck::judgeOne(int index)
{
    const int servers = m_report.servers.size();
    LiveResult r = judgeReply(m_report.targets.at(index / servers), m_queries->reply(index));
    r.target = index / servers;
    r.server = index % servers;
    r.subnet = m_queries->question(index).subnet.cidr;
    m_report.results[index] = r;
    m_judged[index] = true;
}

void LiveCheck::judge()
{
    // What was stopped before its reply.
    for (int i = 0; i < m_judged.size(); ++i) {
        if (!m_judged.at(i))
            judgeOne(i);
    }
    m_queries.release()->deleteLater();
    emit finished();
}

LiveReport runLiveCheck(const LiveSettings &settings, const QString &domain,
                        const QList<LiveTarget> &targets)
{
    LiveCheck check(settings);
    QEventLoop loop;
    QObject::connect(&check, &LiveCheck::finished, &loop, &QEventLoop::quit);
    check.start(domain, targets);
    loop.exec();
    return check.report();
}

LiveReport checkUntilLive(const LiveSettings &settings, const QString &domain,
                          const QList<LiveTarget> &targets, int waitSeconds,
                          const std::function<void(const LiveReport &)> &round)
{
    const QDeadlineTimer deadline(qint64(qMax(0, waitSeconds)) * 1000);
    for (;;) {
        const LiveReport report = runLiveCheck(settings, domain, targets);
        if (round)
            round(report);
        if (report.allLive() || deadline.hasExpired() || waitSeconds <= 0)
            return report;
        // The next round a second on, or at the deadline when that is sooner.
        QEventLoop pause;
        QTimer::singleShot(int(qMin<qint64>(1000, deadline.remainingTime())), &pause,
                           &QEventLoop::quit);
        pause.exec();
    }
}

ServedWait waitUntilServed(const LiveSettings &settings, const QString &domain,
                           const QList<Record> &records, int timeoutSeconds)
{
    ServedWait wait;
    wait.report = checkUntilLive(settings, domain, servedTargets(records), timeoutSeconds);
    wait.served = wait.report.allLive();
    if (!wait.report.error.isEmpty())
        wait.notLive = wait.report.error;
    else if (const LiveResult *r = wait.report.firstNotLive())
        wait.notLive = resultText(wait.report, *r);
    return wait;
}

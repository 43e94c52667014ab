#include "client/live/LiveReport.h"

#include "client/LineTable.h"

#include <ldns/ldns.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace {

struct Compared
{
    QString value;
    int mx = 0;
    quint32 ttl = 0;
    bool operator<(const Compared &o) const
    {
        return std::tie(value, mx, ttl) < std::tie(o.value, o.mx, o.ttl);
    }
    bool operator==(const Compared &o) const
    {
        return value == o.value && mx == o.mx && ttl == o.ttl;
    }
};

} // namespace

bool LiveReport::allLive() const
{
    if (!error.isEmpty() || stopped)
        return false;
    return std::all_of(results.cbegin(), results.cend(),
                       [](const LiveResult &r) { return r.state == LiveState::Live; });
}

bool LiveReport::anyAnswer() const
{
    return std::any_of(results.cbegin(), results.cend(),
                       [](const LiveResult &r) { return r.state != LiveState::NoAnswer; });
}

int LiveReport::exitCode() const
{
    if (!error.isEmpty() || (!results.isEmpty() && !anyAnswer()))
        return 2;
    return allLive() ? 0 : 1;
}

QList<LiveResult> LiveReport::resultsOf(int target) const
{
    QList<LiveResult> out;
    for (const LiveResult &r : results) {
        if (r.target == target)
            out.append(r);
    }
    return out;
}

const LiveResult *LiveReport::firstNotLive() const
{
    for (const LiveResult &r : results) {
        if (r.state != LiveState::Live)
            return &r;
    }
    return nullptr;
}

LiveResult judgeReply(const LiveTarget &target, const DnsReply &reply)
{
    LiveResult result;
    if (reply.outcome != DnsReply::Answered) {
        result.state = LiveState::NoAnswer;
        result.note = reply.outcome == DnsReply::Stopped ? QStringLiteral("已停止")
                      : reply.error.isEmpty()            ? QStringLiteral("无应答")
                                                         : reply.error;
        return result;
    }
    if (reply.rcode != LDNS_RCODE_NOERROR && reply.rcode != LDNS_RCODE_NXDOMAIN) {
        result.state = LiveState::NoAnswer;
        char *name = ldns_pkt_rcode2str(ldns_pkt_rcode(reply.rcode));
        result.note = QStringLiteral("应答错误：%1").arg(QString::fromLatin1(name));
        std::free(name);
        return result;
    }
    QList<ServedRecord> other; // another type at the name, such as a CNAME
    for (const ServedRecord &r : reply.answer) {
        if (r.typeName.compare(target.key.type, Qt::CaseInsensitive) == 0)
            result.served.append(r);
        else
            other.append(r);
    }
    // A delegation is answered with its NS records in the authority section.
    if (target.key.type == QLatin1String("NS") && result.served.isEmpty())
        result.served = reply.authority;
    QList<Compared> served;
    for (const ServedRecord &r : qAsConst(result.served))
        served.append({comparableValue(target.key.type, r.value), r.mx, r.ttl});
    QList<Compared> expected;
    for (const ExpectedValue &e : target.expected)
        expected.append({comparableValue(target.key.type, e.value),
                         target.key.type == QLatin1String("MX") ? e.mx : 0, quint32(e.ttl)});
    if (target.key.type != QLatin1String("MX")) {
        for (Compared &c : served)
            c.mx = 0;
    }
    std::sort(served.begin(), served.end());
    std::sort(expected.begin(), expected.end());
    served.erase(std::unique(served.begin(), served.end()), served.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());

    if (served.isEmpty() && !expected.isEmpty()) {
        result.state = LiveState::Missing;
        result.note = other.isEmpty() ? QStringLiteral("未提供此记录")
                                      : QStringLiteral("提供的是%1").arg(servedText(other.first()));
        return result;
    }
    const bool live = target.includesOnly ? std::includes(served.cbegin(), served.cend(),
                                                          expected.cbegin(), expected.cend())
                                          : served == expected;
    if (live) {
        result.state = LiveState::Live;
        return result;
    }
    result.state = LiveState::Differs;
    QStringList texts;
    for (const ServedRecord &r : qAsConst(result.served))
        texts.append(servedText(r));
    result.note = expected.isEmpty()
                      ? QStringLiteral("仍在提供：%1").arg(texts.join(QStringLiteral("；")))
                      : QStringLiteral("提供的是：%1").arg(texts.join(QStringLiteral("；")));
    return result;
}

QHash<int, RecordVerdict> recordVerdicts(const LiveReport &report)
{
    QHash<int, RecordVerdict> out;
    for (const LiveResult &r : report.results) {
        const LiveTarget &t = report.targets.at(r.target);
        for (int id : t.recordIDs) {
            RecordVerdict &v = out[id];
            if (r.state == LiveState::Live)
                continue;
            v.live = false;
            v.problems.append(resultText(report, r));
        }
    }
    return out;
}

QString liveSummaryText(const LiveReport &report)
{
    if (!report.error.isEmpty())
        return QStringLiteral("无法检测：%1").arg(report.error);
    if (report.stopped && report.results.isEmpty())
        return QStringLiteral("检测已停止");
    const QHash<int, RecordVerdict> verdicts = recordVerdicts(report);
    int live = 0;
    for (const RecordVerdict &v : verdicts)
        live += v.live ? 1 : 0;
    QStringList names;
    for (const LiveServer &s : report.servers)
        names.append(s.name);
    QString text = QStringLiteral("%1台DNS服务器（%2）：%3个记录已生效，%4个未生效")
                       .arg(report.servers.size())
                       .arg(names.join(QStringLiteral("、")))
                       .arg(live)
                       .arg(verdicts.size() - live);
    QStringList silent;
    for (int s = 0; s < report.servers.size(); ++s) {
        bool answered = false;
        bool asked = false;
        for (const LiveResult &r : report.results) {
            if (r.server != s)
                continue;
            asked = true;
            answered = answered || r.state != LiveState::NoAnswer;
        }
        if (asked && !answered)
            silent.append(report.servers.at(s).name);
    }
    if (!silent.isEmpty())
        text += QStringLiteral("；%1无应答").arg(silent.join(QStringLiteral("、")));
    QList<int> unplaced;
    for (const LiveResult &r : report.results) {
        const int line = report.targets.at(r.target).key.lineID;
        if (r.subnet.isEmpty() && line != 0 && !unplaced.contains(line))
            unplaced.append(line);
    }
    if (!unplaced.isEmpty())
        text += QStringLiteral("；%1条线路没有已知网段，按本机地址查询").arg(unplaced.size());
    if (report.stopped)
        text += QStringLiteral("（检测已停止）");
    return text;
}

QString liveStateText(LiveState state)
{
    switch (state) {
    case LiveState::Live:
        return QStringLiteral("已生效");
    case LiveState::Differs:
        return QStringLiteral("不一致");
    case LiveState::Missing:
        return QStringLiteral("缺失");
    case LiveState::NoAnswer:
        return QStringLiteral("无应答");
    }
    return QString();
}

QString servedText(const ServedRecord &r)
{
    const QString mx =
        r.typeName == QLatin1String("MX") ? QString::number(r.mx) + QLatin1Char(' ') : QString();
    return QStringLiteral("%1 %2%3 (TTL %4)").arg(r.typeName, mx, r.value).arg(r.ttl);
}

QString resultText(const LiveReport &report, const LiveResult &result)
{
    const LiveTarget &t = report.targets.at(result.target);
    const LiveServer &s = report.servers.at(result.server);
    static const QMap<int, QString> lines = buildViewNames();
    QString text =
        QStringLiteral("%1 %2 %3 @ %4 (%5)：%6")
            .arg(t.key.host, t.key.type, lines.value(t.key.lineID, QString::number(t.key.lineID)),
                 s.name, s.address, liveStateText(result.state));
    if (!result.note.isEmpty())
        text += QStringLiteral("，") + result.note;
    return text;
}

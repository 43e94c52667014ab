#include "cli/CliCommands.h"
#include "cli/CliFormat.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/User.h"
#include "client/copy/CopyRefresh.h"
#include "client/copy/LocalCopy.h"

#include <QElapsedTimer>
#include <QJsonArray>

namespace {

QString accountOf(const CliSession &s)
{
    return s.invocation.emailGiven ? s.invocation.email
                                   : s.environment.value(QStringLiteral("HALVIK_EMAIL"));
}

// Opens the copy on the account; false with the reason printed.
bool openCopy(LocalCopy &copy, const QString &account)
{
    const bool opened = copy.open();
    if (!copy.notice().isEmpty())
        printErr(QStringLiteral("halvik-cli: %1\n").arg(copy.notice()));
    if (!opened || !copy.setAccount(account)) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(copy.errorText()));
        return false;
    }
    return true;
}

// A one-line bar on standard error, redrawn at most ten times a second.
class ProgressBar
{
public:
    void show(int done, int total)
    {
        if (done < total && m_shown.isValid() && m_shown.elapsed() < 100)
            return;
        m_shown.start();
        constexpr int width = 30;
        const int filled = total > 0 ? int(qint64(width) * done / total) : width;
        // Raw: the carriage return redraws the bar in place.
        writeErrBytes(
            QStringLiteral("\r[%1%2] %3/%4 domains")
                .arg(QString(filled, QLatin1Char('#')), QString(width - filled, QLatin1Char('.')))
                .arg(done)
                .arg(total)
                .toUtf8());
        m_drawn = true;
    }
    void end()
    {
        if (m_drawn)
            printErr(QStringLiteral("\n"));
    }

private:
    QElapsedTimer m_shown;
    bool m_drawn = false;
};

// Reads every domain into the copy; the exit code (0 = all read).
int refreshCopy(CliSession &s, LocalCopy &copy, CopyRefresh::Outcome &outcome)
{
    CopyRefresh refresh(s.user, copy);
    ProgressBar bar;
    if (standardErrorIsTerminal())
        QObject::connect(&refresh, &CopyRefresh::progress,
                         [&bar](int done, int total, const QString &) { bar.show(done, total); });
    outcome = refresh.run();
    bar.end();
    if (!outcome.storeError.isEmpty()) {
        // Read but not stored: saying "could not be read" would send the user to the network.
        printErr(QStringLiteral("halvik-cli: the local copy could not be written, refresh "
                                "stopped after %1 of %2 domains: %3\n")
                     .arg(outcome.done)
                     .arg(outcome.total)
                     .arg(outcome.storeError));
        return ExitRefused;
    }
    if (!outcome.listRead) {
        printErr(QStringLiteral("halvik-cli: reading the domain list: %1\n")
                     .arg(outcome.error.isEmpty() ? QStringLiteral("failed") : outcome.error));
        return outcome.networkFailure ? ExitNetwork : ExitRefused;
    }
    if (outcome.failed == 0 && !outcome.stopped && outcome.error.isEmpty())
        return ExitOk;
    printErr(QStringLiteral("halvik-cli: %1 of %2 domains could not be read (they keep their "
                            "earlier copy); the last failure: %3\n")
                 .arg(outcome.failed + outcome.total - outcome.done)
                 .arg(outcome.total)
                 .arg(outcome.error));
    return outcome.networkFailure ? ExitNetwork : ExitRefused;
}

QString ageText(const QDateTime &fetched, const QDateTime &now)
{
    if (!fetched.isValid())
        return QStringLiteral("never");
    const qint64 secs = qMax<qint64>(0, fetched.secsTo(now));
    if (secs < 60)
        return QStringLiteral("%1s").arg(secs);
    if (secs < 3600)
        return QStringLiteral("%1m").arg(secs / 60);
    if (secs < 86400)
        return QStringLiteral("%1h").arg(secs / 3600);
    return QStringLiteral("%1d").arg(secs / 86400);
}

QJsonObject hitJson(const CopyHit &h)
{
    return QJsonObject{
        {QStringLiteral("id"), h.id},
        {QStringLiteral("host"), h.host},
        {QStringLiteral("type"), h.type},
        {QStringLiteral("value"), h.value},
        {QStringLiteral("lineID"), h.lineID},
        {QStringLiteral("lineName"), h.lineName},
        {QStringLiteral("ttl"), h.ttl},
        {QStringLiteral("mx"), h.mx},
        {QStringLiteral("state"), h.state},
        {QStringLiteral("domain"), h.domain},
        {QStringLiteral("domainID"), h.domainID},
        {QStringLiteral("fetched"),
         h.fetched.isValid() ? QJsonValue(h.fetched.toUTC().toString(Qt::ISODate)) : QJsonValue()}};
}

} // namespace

int cmdSearch(CliSession &s)
{
    const QString account = accountOf(s);
    if (account.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: no account: set HALVIK_EMAIL, or give --email\n"));
        return ExitUsage;
    }
    LocalCopy copy;
    if (!openCopy(copy, account))
        return ExitRefused;

    // Without a copy of the account there is nothing to search: build it first.
    const bool refresh =
        s.invocation.options.contains(QStringLiteral("refresh")) || !copy.listedAt().isValid();
    int refreshExit = ExitOk;
    if (refresh) {
        const int signedIn = signIn(s);
        if (signedIn != ExitOk)
            return signedIn;
        CopyRefresh::Outcome outcome;
        refreshExit = refreshCopy(s, copy, outcome);
        if (!outcome.listRead)
            return refreshExit;
    }

    SearchQuery query;
    query.text = s.invocation.operands.value(0);
    query.contains = s.invocation.options.contains(QStringLiteral("contains"));
    query.type = s.invocation.options.value(QStringLiteral("type"));
    query.lineID = s.invocation.options.value(QStringLiteral("line"), QStringLiteral("-1")).toInt();
    QVector<CopyHit> hits;
    QString error;
    if (!copy.search(query, hits, error)) {
        printErr(QStringLiteral("halvik-cli: %1\n").arg(error));
        return ExitRefused;
    }

    if (!refresh) {
        int unread = 0;
        for (const CopyDomain &d : copy.stalestFirst()) {
            if (!d.fetched.isValid() || !d.error.isEmpty())
                ++unread;
        }
        if (unread > 0)
            printErr(QStringLiteral("halvik-cli: %1 domains have no current copy of their "
                                    "records; halvik-cli sync reads them\n")
                         .arg(unread));
    }

    const QDateTime now = QDateTime::currentDateTimeUtc();
    QJsonArray array;
    QList<QStringList> rows;
    for (const CopyHit &h : hits) {
        if (s.json()) {
            array.append(hitJson(h));
            continue;
        }
        rows.append({h.domain, h.host, h.type, h.lineName, h.value, QString::number(h.ttl),
                     ageText(h.fetched, now)});
    }
    s.print(array,
            formatTable({QStringLiteral("DOMAIN"), QStringLiteral("HOST"), QStringLiteral("TYPE"),
                         QStringLiteral("LINE"), QStringLiteral("VALUE"), QStringLiteral("TTL"),
                         QStringLiteral("AGE")},
                        rows));
    return refreshExit;
}

int cmdSync(CliSession &s)
{
    LocalCopy copy;
    if (!openCopy(copy, s.user.email))
        return ExitRefused;
    CopyRefresh::Outcome outcome;
    const int exit = refreshCopy(s, copy, outcome);
    if (!outcome.listRead)
        return exit;
    const int records = copy.recordCount();
    s.print(QJsonObject{{QStringLiteral("domains"), outcome.total},
                        {QStringLiteral("read"), outcome.done - outcome.failed},
                        {QStringLiteral("failed"), outcome.failed},
                        {QStringLiteral("records"), records},
                        {QStringLiteral("listComplete"), outcome.listComplete}},
            QStringLiteral("%1 of %2 domains read, %3 records in the copy\n")
                .arg(outcome.done - outcome.failed)
                .arg(outcome.total)
                .arg(records));
    return exit;
}

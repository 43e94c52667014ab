#include "bench/CurlPosts.h"
#include "bench/ServiceProcess.h"
#include "client/ApiRequest.h"
#include "client/User.h"
#include "localservice/storage/SeedData.h"
#include "tests/support/CliRun.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QtTest>

// Whole halvik-cli processes as users run them, against the stand-in in a process of its own
// with 10,000 domains, beside one curl process sending the same requests over one kept-alive
// connection (`curl -K`): `whoami`, `domains`, and `batch add --apply` over 1,000 of the
// domains (the list, each domain's records for the plan, then per domain its records again
// and the create). Both sides start a process, sign in and send every request; ours also reads and
// prints what comes back (and journals the batch). Run by scripts/bench.
namespace {

constexpr int kDomains = 10000;
constexpr int kBatchDomains = 1000;

} // namespace

class BenchCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void whoami();
    void domains();
    void batchAddApply();

private:
    // One run of halvik-cli with args; its time in ms, or -1 when it failed.
    qint64 runCli(const QStringList &args, QByteArray *out = nullptr);
    CurlPost signedPost(const QString &path, ApiParams params, bool signIn = false) const;
    CurlPost signInPost() const;
    // What the client sends for the domain list: the first page, the line list, the others.
    QList<CurlPost> domainListPosts() const;
    void comparePair(const char *name, const QStringList &args, const QList<CurlPost> &posts);

    QTemporaryDir m_dir;
    QProcess m_service;
    User m_user;
    QString m_caFile;
    QString m_email;
};

void BenchCli::initTestCase()
{
    QString baseUrl;
    QString error;
    QVERIFY2(startServiceProcess(m_service, QStringLiteral(HALVIK_LOCALSERVICE_BIN),
                                 m_dir.filePath(QStringLiteral("service")), kDomains, false,
                                 &baseUrl, &error),
             qPrintable(error));
    m_caFile = m_dir.filePath(QStringLiteral("service/ca.pem"));
    m_email = loadAccountEmail(kDomains);
    // Signed in here only for the account's key, which signs curl's requests; the stand-in's
    // key is the account's own, the same on every sign-in.
    m_user.baseUrl = baseUrl;
    m_user.setExtraCaCertificates(QSslCertificate::fromPath(m_caFile));
    QVERIFY2(m_user.login(m_email, demo::password()), qPrintable(m_user.errorText));
    // The stand-in's caches warm for both sides alike.
    QCOMPARE(m_user.getDomain(), kDomains);
}

void BenchCli::cleanupTestCase()
{
    m_service.terminate();
    m_service.waitForFinished(10000);
}

qint64 BenchCli::runCli(const QStringList &args, QByteArray *out)
{
    QProcessEnvironment env = cliEnvironment(m_user.baseUrl, m_caFile, m_email, demo::password(),
                                             m_dir.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    QElapsedTimer clock;
    clock.start();
    const CliRun run = runProgram(QStringLiteral(HALVIK_CLI_BIN), args, env, {}, 600000);
    const qint64 ms = clock.elapsed();
    if (run.exit != 0) {
        qWarning("halvik-cli %s: exit %d: %s", qPrintable(args.join(QLatin1Char(' '))), run.exit,
                 run.err.left(2000).constData());
        return -1;
    }
    if (out)
        *out = run.out;
    return ms;
}

CurlPost BenchCli::signedPost(const QString &path, ApiParams params, bool signIn) const
{
    // The sign-in carries a time stamp only: there is no key yet.
    prepareParams(params, true, QDateTime::currentSecsSinceEpoch(),
                  signIn ? QString() : m_user.apiKey, signIn ? QString() : m_user.apiSecret);
    return {(m_user.baseUrl + path).toUtf8(), encodeFormBody(params)};
}

CurlPost BenchCli::signInPost() const
{
    ApiParams params;
    params.insert("email", m_email);
    params.insert("password", demo::password());
    params.insert("type", QStringLiteral("pc"));
    return signedPost(m_user.paths.verify, params, true);
}

QList<CurlPost> BenchCli::domainListPosts() const
{
    QList<CurlPost> posts;
    for (int page = 1; page <= (kDomains + 49) / 50; ++page) {
        ApiParams params;
        params.insert("pageSize", QStringLiteral("50"));
        if (page > 1)
            params.insert("page", QString::number(page));
        posts.append(signedPost(m_user.paths.domainList, params));
        if (page == 1)
            posts.append(signedPost(m_user.paths.allViews, {}));
    }
    return posts;
}

void BenchCli::comparePair(const char *name, const QStringList &args, const QList<CurlPost> &posts)
{
    // Ours first: what the stand-in has not seen yet costs ours, never curl.
    const qint64 ours = runCli(args);
    QVERIFY(ours >= 0);
    const CurlRun curl = runCurlPosts(posts, m_caFile, true);
    QCOMPARE(curl.succeeded, posts.size());
    qInfo("%s: halvik-cli %lld ms, curl's %d requests in one process %lld ms", name, ours,
          int(posts.size()), curl.ms);
    reportPair(name, ours, curl.ms);
}

void BenchCli::whoami()
{
    comparePair("cli-whoami", {QStringLiteral("whoami")},
                {signInPost(), signedPost(m_user.paths.userDetail, {})});
}

void BenchCli::domains()
{
    QList<CurlPost> posts{signInPost()};
    posts += domainListPosts();
    QByteArray out;
    QVERIFY(runCli({QStringLiteral("--json"), QStringLiteral("domains")}, &out) >= 0);
    QCOMPARE(QJsonDocument::fromJson(out).array().size(), kDomains);
    comparePair("cli-domains-10k", {QStringLiteral("domains")}, posts);
}

void BenchCli::batchAddApply()
{
    // 1,000 of the account's domains; each gets one new A record.
    QStringList names;
    QList<CurlPost> posts{signInPost()};
    posts += domainListPosts();
    // The job reads each domain's records again just before its change (a change made since
    // the preview stops that domain), so curl reads them again too.
    QList<CurlPost> applied;
    for (int i = 0; i < kBatchDomains; ++i) {
        const Domain &dm = m_user.domains.at(i);
        names.append(dm.name);
        ApiParams list;
        list.insert("domainID", QString::number(dm.id));
        list.insert("page", QStringLiteral("1"));
        list.insert("pageSize", QStringLiteral("999"));
        posts.append(signedPost(m_user.paths.recordList, list));
        applied.append(signedPost(m_user.paths.recordList, list));
        ApiParams create;
        create.insert("domainID", QString::number(dm.id));
        create.insert("type", QStringLiteral("A"));
        create.insert("viewID", QStringLiteral("0"));
        create.insert("host", QStringLiteral("curl"));
        create.insert("value", QStringLiteral("198.51.100.77"));
        create.insert("ttl", QStringLiteral("600"));
        create.insert("mx", QStringLiteral("-"));
        applied.append(signedPost(m_user.paths.recordCreate, create));
    }
    posts += applied;
    const QString file = m_dir.filePath(QStringLiteral("domains.txt"));
    QFile list(file);
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write(names.join(QLatin1Char('\n')).toUtf8() + '\n');
    list.close();
    comparePair("cli-batch-add-1000",
                {QStringLiteral("batch"), QStringLiteral("add"), QStringLiteral("--domains-file"),
                 file, QStringLiteral("--host"), QStringLiteral("bench"), QStringLiteral("--value"),
                 QStringLiteral("198.51.100.77"), QStringLiteral("--apply")},
                posts);
}

QTEST_GUILESS_MAIN(BenchCli)
#include "bench_cli.moc"

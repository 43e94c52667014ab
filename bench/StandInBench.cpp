#include "bench/StandInBench.h"

#include "client/User.h"
#include "localservice/storage/SeedData.h"
#include "localservice/storage/Storage.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QSslCertificate>

#include <curl/curl.h>

#include <string>

BenchStandIn::BenchStandIn(User &user, int domains, const std::function<void(SeedSet &)> &reshape)
    : m_user(user), m_domains(domains)
{
    ServiceOptions options;
    options.dataDir = m_dir.path();
    options.port = 0;
    options.seedDemo = false;
    options.nameServers = false; // the figures are the API's alone
    // Without a reshape the service seeds the account itself, as `--seed-domains` does.
    options.seedDomains = reshape ? 0 : domains;
    options.log = [](const QString &) {};
    m_service = std::make_unique<LocalService>(options);
    if (!m_service->start(&m_error))
        return;
    if (reshape) {
        SeedSet seed = loadSeed(domains, QDateTime::currentSecsSinceEpoch());
        reshape(seed);
        if (!m_service->storage().import(seed, &m_error))
            return;
    }
    user.baseUrl = m_service->baseUrl();
    user.setExtraCaCertificates(QSslCertificate::fromPath(m_service->caFile()));
    if (!user.login(loadAccountEmail(domains), demo::password())) {
        m_error = QStringLiteral("the sign-in failed");
        return;
    }
    if (user.getDomain() != domains) {
        m_error = QStringLiteral("the domain list came back incomplete");
        return;
    }
    m_ready = true;
}

CurlPost BenchStandIn::signedPost(const QString &path, ApiParams params) const
{
    prepareParams(params, true, QDateTime::currentSecsSinceEpoch(), m_user.apiKey,
                  m_user.apiSecret);
    return {(m_user.baseUrl + path).toUtf8(), encodeFormBody(params)};
}

QList<CurlPost> BenchStandIn::domainPagePosts() const
{
    QList<CurlPost> posts;
    for (int page = 1; page <= (m_domains + 49) / 50; ++page) {
        ApiParams params;
        params.insert("pageSize", QStringLiteral("50"));
        // The client asks for the first page without a number.
        if (page > 1)
            params.insert("page", QString::number(page));
        posts.append(signedPost(m_user.paths.domainList, params));
    }
    return posts;
}

QList<CurlPost> BenchStandIn::recordListPosts() const
{
    QList<CurlPost> posts;
    for (const Domain &dm : m_user.domains) {
        ApiParams params;
        params.insert("domainID", QString::number(dm.id));
        params.insert("page", QStringLiteral("1"));
        params.insert("pageSize", QStringLiteral("999"));
        posts.append(signedPost(m_user.paths.recordList, params));
    }
    return posts;
}

namespace {

size_t collect(char *data, size_t size, size_t count, void *target)
{
    static_cast<std::string *>(target)->append(data, size * count);
    return size * count;
}

} // namespace

CurlRun curlPostEach(const QList<CurlPost> &posts, const QString &caFile)
{
    const QByteArray ca = caFile.toLocal8Bit();
    CurlRun run;
    QElapsedTimer clock;
    clock.start();
    for (const CurlPost &post : posts) {
        CURL *curl = curl_easy_init();
        std::string body;
        curl_easy_setopt(curl, CURLOPT_URL, post.url.constData());
        curl_easy_setopt(curl, CURLOPT_CAINFO, ca.constData());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, post.body.constData());
        curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
        const CURLcode result = curl_easy_perform(curl);
        curl_easy_cleanup(curl);
        if (result == CURLE_OK && body.find("\"code\":0") != std::string::npos)
            ++run.succeeded;
    }
    run.ms = clock.elapsed();
    return run;
}

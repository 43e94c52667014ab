#pragma once

#include "bench/CurlPosts.h"
#include "client/ApiRequest.h"
#include "localservice/server/LocalService.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class User;
struct SeedSet;

// What every end-to-end pair against the stand-in starts from: the service in this process
// with an account of `domains` domains ("bulkN@example.com"), and a client signed in to it with
// the domain list read. `reshape`, when given, edits the seeded data before the service takes
// it (other records, say).
class BenchStandIn
{
public:
    BenchStandIn(User &user, int domains, const std::function<void(SeedSet &)> &reshape = {});

    bool ready() const { return m_ready; }
    const QString &errorText() const { return m_error; }
    LocalService &service() { return *m_service; }
    QString caFile() const { return m_service->caFile(); }

    // The signed form posts the client sends for the same reads: every page of the domain
    // list (50 a page), and one record list (up to 999 records) for each domain id.
    QList<CurlPost> domainPagePosts() const;
    QList<CurlPost> recordListPosts() const;
    // A post to the service's path with params signed as the client signs them.
    CurlPost signedPost(const QString &path, ApiParams params) const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LocalService> m_service;
    User &m_user;
    int m_domains = 0;
    bool m_ready = false;
    QString m_error;
};

// The same posts sent by libcurl in this process, each on a fresh connection with a handle of
// its own (no TLS session reuse): the reference the halvik-bench pairs are set beside. Counts
// as succeeded the answers that carry the service's success code.
CurlRun curlPostEach(const QList<CurlPost> &posts, const QString &caFile);

// The curl half of a Google Benchmark pair: each iteration signs the posts afresh outside the
// timing, then times curlPostEach over them.
template <typename State, typename MakePosts>
void timeCurlPosts(State &state, const BenchStandIn &standIn, MakePosts makePosts)
{
    if (!standIn.ready()) {
        state.SkipWithError(qPrintable(standIn.errorText()));
        return;
    }
    for (auto _ : state) {
        state.PauseTiming();
        const QList<CurlPost> posts = makePosts();
        state.ResumeTiming();
        if (curlPostEach(posts, standIn.caFile()).succeeded != posts.size()) {
            state.SkipWithError("the service refused a request");
            return;
        }
    }
}

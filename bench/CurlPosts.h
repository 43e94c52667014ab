#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// Form posts sent by one curl process: each on a connection of its own without TLS session
// reuse, or all on one kept-alive connection (keptAlive): the references every end-to-end
// figure is set beside.
struct CurlPost
{
    QByteArray url;
    QByteArray body;
};

struct CurlRun
{
    qint64 ms = -1;
    int succeeded = 0; // HTTP 200 answers
};

inline CurlRun runCurlPosts(const QList<CurlPost> &posts, const QString &caFile,
                            bool keptAlive = false)
{
    CurlRun run;
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("requests.conf")));
    if (!config.open(QIODevice::WriteOnly))
        return run;
    bool first = true;
    for (const CurlPost &post : posts) {
        if (!first)
            config.write("next\n");
        first = false;
        config.write("url = \"" + post.url + "\"\n");
        config.write("data = \"" + post.body + "\"\n");
        if (!keptAlive)
            config.write("header = \"Connection: close\"\nno-sessionid\n");
        config.write("cacert = \"" + caFile.toUtf8() + "\"\n");
        config.write("silent\noutput = /dev/null\nwrite-out = \"%{http_code}\\n\"\n");
    }
    config.close();

    QProcess curl;
    QElapsedTimer clock;
    clock.start();
    curl.start(QStringLiteral("curl"), {QStringLiteral("--config"), config.fileName()});
    if (!curl.waitForFinished(600000))
        return run;
    run.ms = clock.elapsed();
    run.succeeded = int(curl.readAllStandardOutput().split('\n').count("200"));
    return run;
}

// One line per pair for scripts/bench: "PAIR <name> <ours ms> <curl ms>".
inline void reportPair(const char *name, qint64 oursMs, qint64 curlMs)
{
    qInfo("PAIR %s %lld %lld", name, oursMs, curlMs);
}

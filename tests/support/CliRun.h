#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// One run of a program as a child process: its exit code (-1 when it did not start, crashed or
// was killed at its time limit), standard output and standard error.
struct CliRun
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
    QJsonDocument json() const { return QJsonDocument::fromJson(out); }
};

// The environment of halvik-cli against the service at baseUrl (trusting caFile), signed in as
// email, with its journal and local copy under dataHome.
inline QProcessEnvironment cliEnvironment(const QString &baseUrl, const QString &caFile,
                                          const QString &email, const QString &password,
                                          const QString &dataHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HALVIK_SERVICE_URL"), baseUrl);
    env.insert(QStringLiteral("HALVIK_CA_FILE"), caFile);
    env.insert(QStringLiteral("HALVIK_EMAIL"), email);
    env.insert(QStringLiteral("HALVIK_PASSWORD"), password);
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome);
    return env;
}

// Runs program with args in env, input on its standard input, and waits for it to end, at most
// limitMs.
inline CliRun runProgram(const QString &program, const QStringList &args,
                         const QProcessEnvironment &env, const QByteArray &input = QByteArray(),
                         int limitMs = 120000)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    CliRun r;
    if (!p.waitForStarted(30000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(limitMs)) {
        p.kill();
        p.waitForFinished(10000);
        r.err = p.readAllStandardError();
        return r;
    }
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

#pragma once

#include <QByteArray>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// Starts the stand-in (program) as a process of its own on a free port with its data in
// dataDir and an account of `domains` domains ("bulkN@example.com"), without name servers
// unless withDns; waits for it to listen and gives its base URL. The CA it trusts is
// dataDir/ca.pem.
inline bool startServiceProcess(QProcess &service, const QString &program, const QString &dataDir,
                                int domains, bool withDns, QString *baseUrl, QString *error)
{
    QStringList args{QStringLiteral("--data"),         dataDir,
                     QStringLiteral("--port"),         QStringLiteral("0"),
                     QStringLiteral("--seed-domains"), QString::number(domains)};
    if (!withDns)
        args.append(QStringLiteral("--no-dns"));
    service.setProgram(program);
    service.setArguments(args);
    service.start();
    const QRegularExpression listening(QStringLiteral("listening on (\\S+)"));
    QByteArray banner;
    while (service.waitForReadyRead(120000)) {
        banner += service.readAllStandardOutput();
        const QRegularExpressionMatch match = listening.match(QString::fromUtf8(banner));
        if (match.hasMatch()) {
            *baseUrl = match.captured(1);
            return true;
        }
    }
    *error = QStringLiteral("the stand-in did not start: ") +
             QString::fromUtf8(service.readAllStandardError());
    return false;
}

// Runs a journaled job that settles two steps, leaves a third pending and waits on standard
// input until it is killed: the journal test's stand-in for a process cut off mid-job.
#include "client/journal/Journal.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Journal journal;
    if (argc < 2 || !journal.open(QString::fromLocal8Bit(argv[1])))
        return 3;
    const qint64 job = journal.beginJob(QStringLiteral("ops@example.com"),
                                        QStringLiteral("batch-edit"), QStringLiteral("child"));
    for (int i = 1; i <= 3; ++i) {
        JournalStep step;
        step.job = job;
        step.order = i;
        step.domain = QStringLiteral("d%1.cn").arg(i);
        step.domainID = i;
        step.recordID = 100 + i;
        step.op = QStringLiteral("change");
        step.before = QJsonObject{{QStringLiteral("id"), 100 + i},
                                  {QStringLiteral("value"), QStringLiteral("1.1.1.%1").arg(i)}};
        step.after = QJsonObject{{QStringLiteral("id"), 100 + i},
                                 {QStringLiteral("value"), QStringLiteral("2.2.2.%1").arg(i)}};
        const qint64 id = journal.addStep(step);
        if (!id)
            return 4;
        if (i < 3 && !journal.settleStep(id, StepStatus::Done, QString()))
            return 5;
    }
    std::printf("ready %lld\n", static_cast<long long>(job));
    std::fflush(stdout);
    // Blocks without using the processor until the test kills it.
    QFile in;
    in.open(stdin, QIODevice::ReadOnly);
    in.readAll();
    return 0;
}

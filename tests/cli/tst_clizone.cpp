#include "tests/support/CliRun.h"
#include "tests/support/LocalServiceFixture.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Run = CliRun;

const QString kDomain = QStringLiteral("halvik-demo.com");

} // namespace

// halvik-cli zone export and import as a child process against the stand-in service.
class TestCliZone : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void exportLoadsInNamedCheckzoneAndImportsAsNothing();
    void exportWritesThroughWhatIsNotARegularFile();
    void exportFolderNamesFilesByLine();
    void exportFolderReplacesNoFifo();
    void previewChangesNothingApplyRunsTheRest();
    void badFileSendsNothing();
    void hostileInputSendsNothing_data();
    void hostileInputSendsNothing();
    void warningsNeedYes();
    void undoRestoresTheDomain();

private:
    Run run(const QStringList &args, const QByteArray &input = QByteArray());
    QString writeFile(const QString &name, const QByteArray &text);
    QStringList recordsOf(const QString &domain);
    bool namedCheckzone(const QString &path, QString &output);

    std::unique_ptr<LocalServiceFixture> m_service;
    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_data; // the journal's home, fresh for each test
    QString m_checker;
};

void TestCliZone::initTestCase()
{
    m_checker =
        QStandardPaths::findExecutable(QStringLiteral("named-checkzone"),
                                       {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
    QVERIFY2(!m_checker.isEmpty(), "named-checkzone (bind9-utils) is needed: scripts/deps.sh");
}

void TestCliZone::init()
{
    m_service = std::make_unique<LocalServiceFixture>();
    QVERIFY2(m_service->start(), qPrintable(m_service->errorText()));
    m_data = std::make_unique<QTemporaryDir>();
    QVERIFY(m_data->isValid());
}

void TestCliZone::cleanup()
{
    m_service.reset();
    m_data.reset();
}

Run TestCliZone::run(const QStringList &args, const QByteArray &input)
{
    return runProgram(QStringLiteral(HALVIK_CLI_BINARY), args,
                      cliEnvironment(m_service->baseUrl(), m_service->caFile(),
                                     LocalServiceFixture::demoEmail(),
                                     LocalServiceFixture::demoPassword(), m_data->path()),
                      input);
}

QString TestCliZone::writeFile(const QString &name, const QByteArray &text)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
    return path;
}

// Every record of the domain as "host type value ttl line state", sorted.
QStringList TestCliZone::recordsOf(const QString &domain)
{
    const Run r = run({QStringLiteral("--json"), QStringLiteral("records"), domain});
    QStringList rows;
    const QJsonArray records = r.json().object().value(QStringLiteral("records")).toArray();
    for (const QJsonValue &v : records) {
        const QJsonObject o = v.toObject();
        rows.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                        .arg(o.value(QStringLiteral("host")).toString(),
                             o.value(QStringLiteral("type")).toString(),
                             o.value(QStringLiteral("value")).toString())
                        .arg(o.value(QStringLiteral("ttl")).toInt())
                        .arg(o.value(QStringLiteral("lineID")).toInt())
                        .arg(o.value(QStringLiteral("state")).toInt()));
    }
    rows.sort();
    return rows;
}

bool TestCliZone::namedCheckzone(const QString &path, QString &output)
{
    QProcess p;
    p.start(m_checker, {QStringLiteral("-i"), QStringLiteral("local"), kDomain, path});
    if (!p.waitForFinished(60000))
        return false;
    output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void TestCliZone::exportLoadsInNamedCheckzoneAndImportsAsNothing()
{
    const QStringList before = recordsOf(kDomain);
    QVERIFY(!before.isEmpty());
    QSet<int> lines;
    for (const QString &row : before)
        lines.insert(row.section(QLatin1Char(' '), 4, 4).toInt());
    QVERIFY(lines.size() > 2);
    for (int line : lines) {
        const QString path = m_dir.filePath(QStringLiteral("export-%1.zone").arg(line));
        const Run exported = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain,
                                  QStringLiteral("--line"), QString::number(line),
                                  QStringLiteral("--output"), path});
        QVERIFY2(exported.exit == 0, exported.err.constData());
        QString checked;
        QVERIFY2(namedCheckzone(path, checked), qPrintable(checked));

        const Run again =
            run({QStringLiteral("--json"), QStringLiteral("zone"), QStringLiteral("import"),
                 kDomain, path, QStringLiteral("--line"), QString::number(line),
                 QStringLiteral("--prune"), QStringLiteral("--apply")});
        QVERIFY2(again.exit == 0, QByteArray(again.out + again.err).constData());
        const QJsonObject counts = again.json().object().value(QStringLiteral("counts")).toObject();
        QCOMPARE(counts.value(QStringLiteral("create")).toInt(), 0);
        QCOMPARE(counts.value(QStringLiteral("change")).toInt(), 0);
        QCOMPARE(counts.value(QStringLiteral("delete")).toInt(), 0);
        QVERIFY(counts.value(QStringLiteral("unchanged")).toInt() > 0);
    }
    // Standard output by default; the paused record as a comment.
    const Run out = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain});
    QCOMPARE(out.exit, 0);
    QVERIFY(out.out.startsWith("; "));
    QVERIFY(out.out.contains("$ORIGIN halvik-demo.com.\n"));
    QVERIFY(out.out.contains("; 已暂停: old\t"));
    QCOMPARE(recordsOf(kDomain), before);
}

void TestCliZone::exportWritesThroughWhatIsNotARegularFile()
{
    // A FIFO with its reading end open: the export goes into it, as a shell's ">" would send
    // it, and it stays a FIFO (replaced by a regular file, the reader would get nothing).
    const QString fifo = m_dir.filePath(QStringLiteral("export.fifo"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const Run exported = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain,
                              QStringLiteral("--output"), fifo});
    QByteArray received;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(reader, buffer, sizeof buffer)) > 0)
        received.append(buffer, int(n));
    ::close(reader);
    QVERIFY2(exported.exit == 0, exported.err.constData());
    QVERIFY2(received.contains("$ORIGIN halvik-demo.com.\n"), received.constData());
    struct stat st = {};
    QVERIFY(::stat(QFile::encodeName(fifo).constData(), &st) == 0);
    QVERIFY(S_ISFIFO(st.st_mode));

    // "-" is standard output, not a file of that name.
    const Run dash = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain,
                          QStringLiteral("--output"), QStringLiteral("-")});
    QCOMPARE(dash.exit, 0);
    QVERIFY(dash.out.contains("$ORIGIN halvik-demo.com.\n"));
}

// --folder writes every line's file as the window does, named by the line's name.
void TestCliZone::exportFolderNamesFilesByLine()
{
    QTemporaryDir folder;
    const Run exported =
        run({QStringLiteral("--json"), QStringLiteral("zone"), QStringLiteral("export"), kDomain,
             QStringLiteral("--folder"), folder.path()});
    QVERIFY2(exported.exit == 0, exported.err.constData());
    QStringList files;
    for (const QJsonValue &v : exported.json().object().value(QStringLiteral("files")).toArray())
        files.append(v.toString());
    QSet<int> lines;
    for (const QString &row : recordsOf(kDomain))
        lines.insert(row.section(QLatin1Char(' '), 4, 4).toInt());
    QCOMPARE(files.size(), lines.size());
    QStringList sorted = files;
    sorted.sort();
    QStringList onDisk = QDir(folder.path()).entryList(QDir::Files);
    onDisk.sort();
    QCOMPARE(onDisk, sorted);
    QVERIFY2(files.contains(kDomain + QStringLiteral(".电信.zone")),
             qPrintable(files.join(QLatin1Char(' '))));
    QString checked;
    QVERIFY2(namedCheckzone(folder.filePath(kDomain + QStringLiteral(".电信.zone")), checked),
             qPrintable(checked));

    const Run both =
        run({QStringLiteral("zone"), QStringLiteral("export"), kDomain, QStringLiteral("--folder"),
             folder.path(), QStringLiteral("--line"), QStringLiteral("0")});
    QCOMPARE(both.exit, 64);
}

// A FIFO where a line's file would go is left as it is, and no other line's file is written.
void TestCliZone::exportFolderReplacesNoFifo()
{
    QTemporaryDir folder;
    const QString fifo = folder.filePath(kDomain + QStringLiteral(".电信.zone"));
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const Run exported = run({QStringLiteral("zone"), QStringLiteral("export"), kDomain,
                              QStringLiteral("--folder"), folder.path()});
    QCOMPARE(exported.exit, 1);
    QVERIFY2(exported.err.contains(QStringLiteral("halvik-cli: %1 is a FIFO, not a regular file; "
                                                  "it is not replaced\n")
                                       .arg(fifo)
                                       .toUtf8()) &&
                 exported.err.contains("nothing was written"),
             exported.err.constData());
    struct stat st = {};
    QVERIFY(::lstat(QFile::encodeName(fifo).constData(), &st) == 0);
    QVERIFY(S_ISFIFO(st.st_mode));
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
             QStringList{kDomain + QStringLiteral(".电信.zone")});
}

void TestCliZone::previewChangesNothingApplyRunsTheRest()
{
    const QByteArray zone = "$TTL 1h\n"
                            "@ IN SOA ns1.example.net. host.example.net. 1 3600 600 604800 300\n"
                            "  IN NS ns1.example.net.\n"
                            "shop IN CNAME www\n"
                            "api 300 IN A 192.0.2.7\n"
                            "dkim IN TXT \"" +
                            QByteArray(200, 'a') + "\" \"" + QByteArray(100, 'b') +
                            "\"\n"
                            "_sip._tcp IN SRV 10 5 5060 sip.example.net.\n";
    const QString path = writeFile(QStringLiteral("plan.zone"), zone);
    const QStringList before = recordsOf(kDomain);

    const Run preview = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path});
    const QString table = QString::fromUtf8(preview.out);
    QVERIFY2(table.contains(QRegularExpression(QStringLiteral("problem\\s+6\\s+dkim\\s+TXT"))),
             qPrintable(table + QString::fromUtf8(preview.err)));
    QCOMPARE(preview.exit, 1); // the long text is refused
    QVERIFY(table.contains(QStringLiteral("记录值长度超过255")));
    QVERIFY(table.contains(QRegularExpression(QStringLiteral("skip\\s+7\\s+_sip._tcp\\s+SRV"))));
    QVERIFY(table.contains(QRegularExpression(QStringLiteral("skip\\s+2\\s+@\\s+SOA"))));
    QVERIFY(table.contains(QRegularExpression(
        QStringLiteral("create\\s+4\\s+shop\\s+CNAME\\s+www.halvik-demo.com\\s+3600"))));
    QCOMPARE(recordsOf(kDomain), before);

    const Run applied = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path,
                             QStringLiteral("--apply")});
    QCOMPARE(applied.exit, 1);
    const QStringList after = recordsOf(kDomain);
    QCOMPARE(after.size(), before.size() + 2);
    QVERIFY(after.contains(QStringLiteral("api A 192.0.2.7 300 0 0")));
    QVERIFY(after.contains(QStringLiteral("shop CNAME www.halvik-demo.com 3600 0 0")));

    // The same file again: everything it can carry is there now.
    const Run again = run({QStringLiteral("--json"), QStringLiteral("zone"),
                           QStringLiteral("import"), kDomain, path, QStringLiteral("--apply")});
    QCOMPARE(again.exit, 1);
    QCOMPARE(again.json()
                 .object()
                 .value(QStringLiteral("counts"))
                 .toObject()
                 .value(QStringLiteral("unchanged"))
                 .toInt(),
             2);
    QCOMPARE(recordsOf(kDomain), after);
}

void TestCliZone::badFileSendsNothing()
{
    const QString path =
        writeFile(QStringLiteral("bad.zone"), "api IN A 192.0.2.7\n$INCLUDE /etc/hosts\n");
    const QStringList before = recordsOf(kDomain);
    const Run r = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path,
                       QStringLiteral("--apply"), QStringLiteral("--yes")});
    QCOMPARE(r.exit, 1);
    QVERIFY2(r.err.contains(path.toUtf8() + ":2: "), r.err.constData());
    QCOMPARE(recordsOf(kDomain), before);

    const Run usage = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path,
                           QStringLiteral("--apply=1")});
    QCOMPARE(usage.exit, 64);
}

// Input that is not a whole zone, through a pipe or a file, with --prune --apply: read as a
// smaller or empty zone, each would have deleted records on the service.
void TestCliZone::hostileInputSendsNothing_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("path"); // empty: a file of the test's; else read from the pipe
    QTest::addColumn<QString>("message");

    QByteArray large;
    const QByteArray record = "api 600 IN A 192.0.2.7\n";
    while (large.size() <= 16 * 1024 * 1024)
        large += record;
    QTest::newRow("over the cap through /dev/stdin")
        << large << QStringLiteral("/dev/stdin") << QStringLiteral("超过");
    QTest::newRow("over the cap through -")
        << large << QStringLiteral("-") << QStringLiteral("超过");
    QTest::newRow("NUL bytes through a pipe")
        << QByteArray(64 * 1024, '\0') << QStringLiteral("/dev/stdin") << QStringLiteral("NUL");
    QTest::newRow("NUL bytes in a file")
        << QByteArray("api 600 IN A 192.0.2.7\n\0\0\0\n", 27) << QString() << QStringLiteral("NUL");
    QTest::newRow("another encoding in a file")
        << QByteArray("api 600 IN A 192.0.2.7 ; caf\xe9\n") << QString() << QStringLiteral("UTF-8");
}

void TestCliZone::hostileInputSendsNothing()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, path);
    QFETCH(QString, message);
    const QStringList before = recordsOf(kDomain);
    const bool piped = !path.isEmpty();
    const QString source = piped ? path : writeFile(QStringLiteral("hostile.zone"), input);
    const Run r = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, source,
                       QStringLiteral("--prune"), QStringLiteral("--apply")},
                      piped ? input : QByteArray());
    QCOMPARE(r.exit, 1);
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    QCOMPARE(recordsOf(kDomain), before);
}

void TestCliZone::warningsNeedYes()
{
    const QString path = writeFile(QStringLiteral("spf.zone"), "@ 600 IN TXT \"v=spf1 a -all\"\n");
    const QStringList before = recordsOf(kDomain);
    const Run refused = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path,
                             QStringLiteral("--apply")});
    QCOMPARE(refused.exit, 1);
    QVERIFY2(refused.out.contains("warning: halvik-demo.com 的主机记录 @ 将有多条 SPF 记录"),
             refused.out.constData());
    QCOMPARE(recordsOf(kDomain), before);

    const Run accepted = run({QStringLiteral("zone"), QStringLiteral("import"), kDomain, path,
                              QStringLiteral("--apply"), QStringLiteral("--yes")});
    QCOMPARE(accepted.exit, 0);
    QVERIFY(recordsOf(kDomain).contains(QStringLiteral("@ TXT v=spf1 a -all 600 0 0")));
}

void TestCliZone::undoRestoresTheDomain()
{
    // Line 0 as the file has it: one record as it is, one with a new TTL, one new; pruning
    // deletes the CNAME, MX and TXT but neither the apex NS nor the paused record.
    const QString path = writeFile(QStringLiteral("edited.zone"), "$ORIGIN halvik-demo.com.\n"
                                                                  "@ 600 IN A 203.0.113.10\n"
                                                                  "ipv6 1200 IN AAAA 2001:db8::10\n"
                                                                  "added 300 IN A 192.0.2.77\n");
    const QStringList before = recordsOf(kDomain);
    const Run applied =
        run({QStringLiteral("--json"), QStringLiteral("zone"), QStringLiteral("import"), kDomain,
             path, QStringLiteral("--prune"), QStringLiteral("--apply")});
    QVERIFY2(applied.exit == 0, applied.err.constData());
    const QJsonObject counts = applied.json().object().value(QStringLiteral("counts")).toObject();
    QCOMPARE(counts.value(QStringLiteral("create")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("change")).toInt(), 1);
    QCOMPARE(counts.value(QStringLiteral("delete")).toInt(), 3);
    const QJsonObject job = applied.json().object().value(QStringLiteral("job")).toObject();
    QCOMPARE(job.value(QStringLiteral("kind")).toString(), QStringLiteral("zone-import"));
    QCOMPARE(job.value(QStringLiteral("state")).toString(), QStringLiteral("done"));
    const QStringList after = recordsOf(kDomain);
    QCOMPARE(after.size(), before.size() - 2);
    QVERIFY(after.contains(QStringLiteral("ipv6 AAAA 2001:db8::10 1200 0 0")));
    QVERIFY(after.contains(QStringLiteral("added A 192.0.2.77 300 0 0")));
    // The paused record stays as it was.
    const QStringList paused = before.filter(QRegularExpression(QStringLiteral("^old A ")));
    QCOMPARE(paused.size(), 1);
    QVERIFY(after.contains(paused.first()));

    const QString id = QString::number(job.value(QStringLiteral("id")).toInt());
    const Run undone =
        run({QStringLiteral("undo"), id, QStringLiteral("--apply"), QStringLiteral("--yes")});
    QVERIFY2(undone.exit == 0, undone.err.constData());
    QCOMPARE(recordsOf(kDomain), before);
}

QTEST_GUILESS_MAIN(TestCliZone)
#include "tst_clizone.moc"

#include "app/CrashClock.h"
#include "app/CrashDumpWriter.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// A zone with an offset of hours and minutes, so that a name in UTC cannot pass for local time.
const char crashZone[] = "Asia/Kathmandu";

QProcessEnvironment crashEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HALVIK_CRASH_NO_BOX"), QStringLiteral("1"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("TZ"), QLatin1String(crashZone));
    // In the sanitizer build the program's own handler must see the faults.
    QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    if (!asan.isEmpty())
        asan += QLatin1Char(':');
    asan += QStringLiteral("handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:"
                           "handle_abort=0:allow_user_segv_handler=1:"
                           "detect_stack_use_after_return=0");
    env.insert(QStringLiteral("ASAN_OPTIONS"), asan);
    return env;
}

struct CrashRun
{
    QProcess::ExitStatus status = QProcess::NormalExit;
    int code = -1;
    QDateTime startedUtc;
    QDateTime finishedUtc;
};

CrashRun runCrashTest(const QString &kind, const QString &workingDirectory)
{
    QProcess child;
    child.setProgram(QStringLiteral(HALVIK_PROGRAM));
    child.setArguments({QStringLiteral("--crash-test=") + kind});
    child.setWorkingDirectory(workingDirectory);
    child.setProcessEnvironment(crashEnvironment());
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    CrashRun run;
    run.startedUtc = QDateTime::currentDateTimeUtc();
    child.start();
    if (!child.waitForFinished(120000))
        return run;
    run.finishedUtc = QDateTime::currentDateTimeUtc();
    run.status = child.exitStatus();
    run.code = child.exitCode();
    return run;
}

} // namespace

class TestCrashHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void dumpName_data();
    void dumpName();
    void offsetsFollowTransitions();
    void crashCode_data();
    void crashCode();

    void crashLeavesDump_data();
    void crashLeavesDump();
    void unwritableDirectory();
};

void TestCrashHandler::initTestCase()
{
    // The children die by signal on purpose; no core files from them.
    const rlimit noCore = {0, 0};
    QCOMPARE(setrlimit(RLIMIT_CORE, &noCore), 0);
}

void TestCrashHandler::dumpName_data()
{
    QTest::addColumn<qint64>("localMs");
    QTest::addColumn<QString>("name");
    QTest::newRow("epoch") << qint64(0) << QStringLiteral("000000.000.qcp");
    QTest::newRow("afternoon")
        << QDateTime(QDate(2024, 5, 6), QTime(13, 4, 5, 67), Qt::UTC).toMSecsSinceEpoch()
        << QStringLiteral("130405.067.qcp");
    QTest::newRow("last millisecond") << qint64(86399999) << QStringLiteral("235959.999.qcp");
    QTest::newRow("before the epoch") << qint64(-1) << QStringLiteral("235959.999.qcp");
}

void TestCrashHandler::dumpName()
{
    QFETCH(qint64, localMs);
    QFETCH(QString, name);
    char text[dumpNameSize];
    formatDumpName(localMs, text);
    QCOMPARE(QString::fromLatin1(text), name);
}

void TestCrashHandler::offsetsFollowTransitions()
{
    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid())
        QSKIP("no time-zone data");
    const auto at = [](int month, int day, const QTime &time) {
        return QDateTime(QDate(2024, month, day), time, Qt::UTC).toSecsSinceEpoch();
    };
    const UtcOffsetTable table = buildUtcOffsetTable(berlin, at(1, 15, QTime(12, 0)));
    QCOMPARE(utcOffsetAt(table, at(1, 15, QTime(12, 0))), 3600);
    QCOMPARE(utcOffsetAt(table, at(3, 31, QTime(0, 59, 59))), 3600);
    QCOMPARE(utcOffsetAt(table, at(3, 31, QTime(1, 0))), 7200);
    QCOMPARE(utcOffsetAt(table, at(10, 27, QTime(0, 59, 59))), 7200);
    QCOMPARE(utcOffsetAt(table, at(10, 27, QTime(1, 0))), 3600);
    QCOMPARE(utcOffsetAt(UtcOffsetTable(), 0), 0);
}

void TestCrashHandler::crashCode_data()
{
    QTest::addColumn<int>("sig");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::newRow("null pointer") << int(SIGSEGV) << 1 << QStringLiteral("b/1");
    QTest::newRow("abort") << int(SIGABRT) << -6 << QStringLiteral("6/-6");
    QTest::newRow("divide") << int(SIGFPE) << 1 << QStringLiteral("8/1");
    QTest::newRow("large") << 31 << 0x1234abcd << QStringLiteral("1f/1234abcd");
    QTest::newRow("smallest") << int(SIGBUS) << int(0x80000000) << QStringLiteral("7/-80000000");
}

void TestCrashHandler::crashCode()
{
    QFETCH(int, sig);
    QFETCH(int, code);
    QFETCH(QString, text);
    crashdump::Text out;
    crashdump::formatCrashCode(sig, code, out);
    QCOMPARE(QString::fromLatin1(out.data()), text);
}

void TestCrashHandler::crashLeavesDump_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("sig");
    QTest::newRow("null pointer") << QStringLiteral("segv") << int(SIGSEGV);
    QTest::newRow("stack overflow") << QStringLiteral("stack") << int(SIGSEGV);
    QTest::newRow("abort") << QStringLiteral("abort") << int(SIGABRT);
    QTest::newRow("division by zero") << QStringLiteral("fpe") << int(SIGFPE);
}

void TestCrashHandler::crashLeavesDump()
{
    QFETCH(QString, kind);
    QFETCH(int, sig);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    const CrashRun run = runCrashTest(kind, dir.path());
    QCOMPARE(run.status, QProcess::CrashExit);
    QCOMPARE(run.code, sig);

    const QStringList files = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString name = files.constFirst();
    QVERIFY2(QRegularExpression(QStringLiteral("^\\d{6}\\.\\d{3}\\.qcp$")).match(name).hasMatch(),
             qPrintable(name));

    // Named after the local time of the crash, in the child's zone.
    const int offset = QTimeZone(crashZone).offsetFromUtc(run.startedUtc);
    const QTime from = run.startedUtc.addSecs(offset).time();
    const QTime to = run.finishedUtc.addSecs(offset).time();
    const QTime named = QTime::fromString(name.left(10), QStringLiteral("HHmmss.zzz"));
    if (from <= to) // a run across midnight proves nothing here
        QVERIFY2(from <= named && named <= to, qPrintable(name));

    QFile file(dir.filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray stored = file.readAll();
    QVERIFY(stored.size() > 4);
    const QByteArray dump = qUncompress(stored);
    QVERIFY(!dump.isEmpty());
    QCOMPARE(qFromBigEndian<quint32>(stored.constData()), quint32(dump.size()));

    const QByteArray signalLine = QByteArrayLiteral("\nsignal ") + QByteArray::number(sig) + ' ' +
                                  crashdump::signalName(sig) + '\n';
    QVERIFY(dump.contains(signalLine));
    QVERIFY(dump.contains("\nregisters\n"));
    QVERIFY(QRegularExpression(QStringLiteral("\nstack 0x[0-9a-f]{16}\n[0-9a-f]{16}  [0-9a-f]{2}"))
                .match(QString::fromLatin1(dump))
                .hasMatch());
    const QByteArray program =
        QFile::encodeName(QFileInfo(QStringLiteral(HALVIK_PROGRAM)).canonicalFilePath());
    const int maps = dump.indexOf("\nmaps\n");
    QVERIFY(maps > 0);
    QVERIFY(dump.indexOf(program, maps) > maps);
    QVERIFY(dump.endsWith("\nend\n"));
}

void TestCrashHandler::unwritableDirectory()
{
    // The proc file system takes no new files, not even from root.
    const QString directory = QStringLiteral("/proc");
    QFile probe(directory + QStringLiteral("/000000.000.qcp"));
    QVERIFY(!probe.open(QIODevice::WriteOnly));

    const QStringList before = QDir(directory).entryList({QStringLiteral("*.qcp")}, QDir::Files);
    const CrashRun run = runCrashTest(QStringLiteral("segv"), directory);
    QCOMPARE(run.status, QProcess::CrashExit);
    QCOMPARE(run.code, int(SIGSEGV));
    QCOMPARE(QDir(directory).entryList({QStringLiteral("*.qcp")}, QDir::Files), before);
}

QTEST_GUILESS_MAIN(TestCrashHandler)
#include "tst_crashhandler.moc"

#include "client/Autostart.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Reads an Exec value back the way a desktop starts it: undo the string-value escapes, expand
// "%%", then split into arguments honouring double quotes and their backslash escapes.
QStringList parseExec(const QString &value, bool *ok)
{
    *ok = true;
    QString unescaped;
    for (int i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 == value.size()) {
            unescaped += c;
            continue;
        }
        const QChar next = value.at(++i);
        const QString from = QStringLiteral("sntr\\");
        const QString to = QStringLiteral(" \n\t\r\\");
        const int at = from.indexOf(next);
        if (at < 0)
            *ok = false;
        unescaped += at < 0 ? next : to.at(at);
    }
    QString expanded;
    for (int i = 0; i < unescaped.size(); ++i) {
        expanded += unescaped.at(i);
        if (unescaped.at(i) != QLatin1Char('%'))
            continue;
        if (i + 1 < unescaped.size() && unescaped.at(i + 1) == QLatin1Char('%'))
            ++i;
        else
            *ok = false; // a field code where a literal path was meant
    }
    QStringList args;
    QString current;
    bool inQuotes = false;
    bool hasArg = false;
    for (int i = 0; i < expanded.size(); ++i) {
        const QChar c = expanded.at(i);
        if (inQuotes && c == QLatin1Char('\\') && i + 1 < expanded.size() &&
            QStringLiteral("\"`$\\").contains(expanded.at(i + 1))) {
            current += expanded.at(++i);
        } else if (c == QLatin1Char('"')) {
            inQuotes = !inQuotes;
            hasArg = true;
        } else if (c == QLatin1Char(' ') && !inQuotes) {
            if (hasArg)
                args << current;
            current.clear();
            hasArg = false;
        } else {
            if (!inQuotes && QStringLiteral("\\\"`$'<>~|&;*?#()").contains(c))
                *ok = false; // reserved characters must be quoted
            current += c;
            hasArg = true;
        }
    }
    if (inQuotes)
        *ok = false;
    if (hasArg)
        args << current;
    return args;
}

QString execValue(const QByteArray &entry)
{
    const auto lines = QString::fromUtf8(entry).split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5);
    }
    return QString();
}

} // namespace

class TestAutostart : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void writeAndRemove();
    void entryPath_data();
    void entryPath();
    void unwritableConfigHome();
    void execQuoting_data();
    void execQuoting();

private:
    // Runs desktop-file-validate on a file; skips the calling test when the tool is missing.
    void validate(const QString &path);

    QScopedPointer<QTemporaryDir> m_home;
    QByteArray m_savedConfigHome;
    QByteArray m_savedHome;
};

void TestAutostart::init()
{
    m_home.reset(new QTemporaryDir);
    QVERIFY(m_home->isValid());
    m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    m_savedHome = qgetenv("HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
}

void TestAutostart::cleanup()
{
    qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    qputenv("HOME", m_savedHome);
    m_home.reset();
}

void TestAutostart::validate(const QString &path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (tool.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess validator;
    validator.setProcessChannelMode(QProcess::MergedChannels);
    validator.start(tool, {path});
    QVERIFY(validator.waitForFinished());
    const QByteArray output = validator.readAll();
    QVERIFY2(validator.exitStatus() == QProcess::NormalExit && validator.exitCode() == 0,
             output.constData());
    QVERIFY2(output.isEmpty(), output.constData()); // no warnings either
}

void TestAutostart::writeAndRemove()
{
    const QString path = m_home->path() + QStringLiteral("/autostart/halvik.desktop");
    QCOMPARE(autostartEntryPath(), path);
    QVERIFY(!autostartEnabled());

    QString error;
    QVERIFY2(setAutostart(true, &error), qPrintable(error));
    QVERIFY(autostartEnabled());
    QFile entry(path);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    const QByteArray text = entry.readAll();
    QVERIFY(text.startsWith("[Desktop Entry]\n"));
    QVERIFY(text.contains("\nType=Application\n"));
    QVERIFY(text.contains("\nName=halvik\n"));
    bool ok = false;
    QCOMPARE(parseExec(execValue(text), &ok), QStringList{QCoreApplication::applicationFilePath()});
    QVERIFY(ok);

    // Writing again replaces the entry; removing twice is fine.
    QVERIFY(setAutostart(true, &error));
    QVERIFY(setAutostart(false, &error));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!autostartEnabled());
    QVERIFY(setAutostart(false, &error));

    QVERIFY(setAutostart(true, &error));
    validate(path);
}

void TestAutostart::entryPath_data()
{
    QTest::addColumn<QByteArray>("configHome");
    QTest::addColumn<QString>("expectedDir");
    QTest::newRow("set") << QByteArray("/srv/cfg") << QStringLiteral("/srv/cfg");
    QTest::newRow("empty") << QByteArray() << QStringLiteral("HOME/.config");
    QTest::newRow("relative is ignored") << QByteArray("cfg") << QStringLiteral("HOME/.config");
}

void TestAutostart::entryPath()
{
    QFETCH(QByteArray, configHome);
    QFETCH(QString, expectedDir);
    qputenv("HOME", QFile::encodeName(m_home->path()));
    qputenv("XDG_CONFIG_HOME", configHome);
    expectedDir.replace(QLatin1String("HOME"), m_home->path());
    QCOMPARE(autostartEntryPath(), expectedDir + QStringLiteral("/autostart/halvik.desktop"));
}

void TestAutostart::unwritableConfigHome()
{
    // A path below a plain file cannot become a directory, not even for root.
    QFile blocker(m_home->path() + QStringLiteral("/file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocker.fileName()));
    QString error;
    QVERIFY(!setAutostart(true, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!autostartEnabled());
}

void TestAutostart::execQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringLiteral("/usr/bin/halvik")
                           << QStringLiteral("\"/usr/bin/halvik\"");
    QTest::newRow("space") << QStringLiteral("/opt/my apps/halvik")
                           << QStringLiteral("\"/opt/my apps/halvik\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/halvik")
                             << QStringLiteral("\"/opt/100%%/halvik\"");
    QTest::newRow("quote") << QStringLiteral("/opt/a\"b/halvik")
                           << QStringLiteral("\"/opt/a\\\\\"b/halvik\"");
    QTest::newRow("dollar") << QStringLiteral("/opt/$HOME/halvik")
                            << QStringLiteral("\"/opt/\\\\$HOME/halvik\"");
    QTest::newRow("backtick") << QStringLiteral("/opt/a`b/halvik")
                              << QStringLiteral("\"/opt/a\\\\`b/halvik\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b/halvik")
                               << QStringLiteral("\"/opt/a\\\\\\\\b/halvik\"");
    QTest::newRow("all at once") << QStringLiteral("/x y/%u\"$`\\'/halvik")
                                 << QStringLiteral("\"/x y/%%u\\\\\"\\\\$\\\\`\\\\\\\\'/halvik\"");
    QTest::newRow("chinese") << QStringLiteral("/home/用户/halvik")
                             << QStringLiteral("\"/home/用户/halvik\"");
}

void TestAutostart::execQuoting()
{
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(desktopExecArgument(path), exec);

    const QByteArray entry = autostartEntryText(path);
    QCOMPARE(execValue(entry), exec);
    bool ok = false;
    QCOMPARE(parseExec(exec, &ok), QStringList{path});
    QVERIFY(ok);

    QFile file(m_home->path() + QStringLiteral("/halvik.desktop"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(entry), qint64(entry.size()));
    file.close();
    validate(file.fileName());
}

QTEST_GUILESS_MAIN(TestAutostart)
#include "tst_autostart.moc"

#include "cli/CliFormat.h"
#include "cli/CliSyntax.h"

#include <QtTest>

// The command line of halvik-cli taken apart, and its tables, without any network.
class TestCliSyntax : public QObject
{
    Q_OBJECT
private slots:
    void parses_data();
    void parses();
    void rejects_data();
    void rejects();
    void globalOptions();
    void everyUsageLineParses();
    void tableAlignsWideCharacters();
};

void TestCliSyntax::parses_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("operands");
    QTest::addColumn<QStringList>("options"); // name=value, sorted by name
    QTest::addColumn<bool>("json");

    QTest::newRow("plain") << QStringList{"domains"} << QStringLiteral("domains") << QStringList{}
                           << QStringList{} << false;
    QTest::newRow("options both ways")
        << QStringList{"--json", "domains", "--group=3", "--search", "shop"}
        << QStringLiteral("domains") << QStringList{} << QStringList{"group=3", "search=shop"}
        << true;
    QTest::newRow("several names")
        << QStringList{"domain", "pause", "a.cn", "b.cn"} << QStringLiteral("domain pause")
        << QStringList{"a.cn", "b.cn"} << QStringList{} << false;
    QTest::newRow("option before the names")
        << QStringList{"domain", "move", "--group", "0", "a.cn"} << QStringLiteral("domain move")
        << QStringList{"a.cn"} << QStringList{"group=0"} << false;
    QTest::newRow("value starting with a dash")
        << QStringList{"record", "add", "a.cn", "--value=-x", "--ttl", "60", "--json"}
        << QStringLiteral("record add") << QStringList{"a.cn"} << QStringList{"ttl=60", "value=-x"}
        << true;
    QTest::newRow("after -- everything is an operand")
        << QStringList{"domain", "add", "--", "--odd.cn"} << QStringLiteral("domain add")
        << QStringList{"--odd.cn"} << QStringList{} << false;
    QTest::newRow("optional operand") << QStringList{"lines", "1,2"} << QStringLiteral("lines")
                                      << QStringList{"1,2"} << QStringList{} << false;
    QTest::newRow("switch") << QStringList{"login", "--remember"} << QStringLiteral("login")
                            << QStringList{} << QStringList{"remember="} << false;
    QTest::newRow("switch before the command")
        << QStringList{"--forget", "logout"} << QStringLiteral("logout") << QStringList{}
        << QStringList{"forget="} << false;
    QTest::newRow("three operands")
        << QStringList{"group", "edit", "4", "工作", "-2"} << QStringLiteral("group edit")
        << QStringList{"4", "工作", "-2"} << QStringList{} << false;
    QTest::newRow("flags take no value")
        << QStringList{"batch", "delete", "a.cn", "--apply", "b.cn", "--value", "v", "--yes"}
        << QStringLiteral("batch delete") << QStringList{"a.cn", "b.cn"}
        << QStringList{"apply=", "value=v", "yes="} << false;
    QTest::newRow("domains from a file, standard input")
        << QStringList{"batch", "edit", "--domains-file", "-", "--value", "v", "--new-ttl", "60"}
        << QStringLiteral("batch edit") << QStringList{}
        << QStringList{"domains-file=-", "new-ttl=60", "value=v"} << false;
    QTest::newRow("undo forced") << QStringList{"undo", "7", "--force", "--apply"}
                                 << QStringLiteral("undo") << QStringList{"7"}
                                 << QStringList{"apply=", "force="} << false;
    QTest::newRow("flags beside a value option")
        << QStringList{"zone", "import", "a.cn", "a.zone", "--prune", "--line", "3", "--apply"}
        << QStringLiteral("zone import") << QStringList{"a.cn", "a.zone"}
        << QStringList{"apply=", "line=3", "prune="} << false;
}

void TestCliSyntax::parses()
{
    QFETCH(QStringList, args);
    QFETCH(QString, command);
    QFETCH(QStringList, operands);
    QFETCH(QStringList, options);
    QFETCH(bool, json);
    CliInvocation inv;
    QString error;
    QVERIFY2(parseCli(args, inv, error), qPrintable(error));
    QCOMPARE(inv.command, command);
    QCOMPARE(inv.operands, operands);
    QStringList given;
    for (auto it = inv.options.cbegin(); it != inv.options.cend(); ++it)
        given.append(it.key() + QLatin1Char('=') + it.value());
    QCOMPARE(given, options);
    QCOMPARE(inv.json, json);
}

void TestCliSyntax::rejects_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    QTest::newRow("nothing") << QStringList{} << QStringLiteral("no command given");
    QTest::newRow("unknown command")
        << QStringList{"frob"} << QStringLiteral("unknown command \"frob\"");
    QTest::newRow("kind missing") << QStringList{"messages"}
                                  << QStringLiteral("unknown command \"messages\"");
    QTest::newRow("unknown option")
        << QStringList{"domains", "--colour=red"} << QStringLiteral("unknown option --colour");
    QTest::newRow("option of another command")
        << QStringList{"records", "a.cn", "--group", "2"}
        << QStringLiteral("option --group does not apply to \"records\"");
    QTest::newRow("option without value")
        << QStringList{"domains", "--group"} << QStringLiteral("--group needs a value");
    QTest::newRow("flag of another command")
        << QStringList{"record", "delete", "a.cn", "3", "--apply"}
        << QStringLiteral("option --apply does not apply to \"record delete\"");
    QTest::newRow("flag with a value")
        << QStringList{"undo", "3", "--apply=yes"} << QStringLiteral("--apply takes no value");
    QTest::newRow("job id not a number")
        << QStringList{"job", "show", "last"}
        << QStringLiteral("ID must be a whole number, not \"last\"");
    QTest::newRow("option twice") << QStringList{"domains", "--search", "a", "--search", "b"}
                                  << QStringLiteral("--search given twice");
    QTest::newRow("missing name") << QStringList{"domain", "pause"}
                                  << QStringLiteral("missing NAME");
    QTest::newRow("required option")
        << QStringList{"domain", "move", "a.cn"} << QStringLiteral("--group is required");
    QTest::newRow("group not a number")
        << QStringList{"domain", "move", "a.cn", "--group", "x"}
        << QStringLiteral("--group must be a whole number, not \"x\"");
    QTest::newRow("negative id") << QStringList{"domains", "--group", "-1"}
                                 << QStringLiteral("--group must not be negative");
    QTest::newRow("record id zero") << QStringList{"record", "pause", "a.cn", "0"}
                                    << QStringLiteral("RECORD_ID must be positive");
    QTest::newRow("record id not a number")
        << QStringList{"record", "delete", "a.cn", "7", "x"}
        << QStringLiteral("RECORD_ID must be a whole number, not \"x\"");
    QTest::newRow("too many") << QStringList{"lines", "1", "2"}
                              << QStringLiteral("unexpected argument \"2\"");
    QTest::newRow("too few") << QStringList{"group", "edit", "3", "n"}
                             << QStringLiteral("missing ORDER");
    QTest::newRow("empty name") << QStringList{"domain", "add", " "}
                                << QStringLiteral("NAME must not be empty");
    QTest::newRow("switch with a value")
        << QStringList{"login", "--remember=yes"} << QStringLiteral("--remember takes no value");
    QTest::newRow("switch of another command")
        << QStringList{"domains", "--remember"}
        << QStringLiteral("option --remember does not apply to \"domains\"");
    QTest::newRow("logout has one form")
        << QStringList{"logout"} << QStringLiteral("--forget is required");
    QTest::newRow("ttl with sign")
        << QStringList{"record", "add", "a.cn", "--value", "v", "--ttl", "+60"}
        << QStringLiteral("--ttl must be a whole number, not \"+60\"");
    QTest::newRow("flag with a value") << QStringList{"zone", "import", "a.cn", "f", "--apply=1"}
                                       << QStringLiteral("--apply takes no value");
    QTest::newRow("flag of another command")
        << QStringList{"records", "a.cn", "--prune"}
        << QStringLiteral("option --prune does not apply to \"records\"");
}

void TestCliSyntax::rejects()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    CliInvocation inv;
    QString got;
    QVERIFY(!parseCli(args, inv, got));
    QCOMPARE(got, error);
}

void TestCliSyntax::globalOptions()
{
    CliInvocation inv;
    QString error;
    QVERIFY(
        parseCli({"--email", "a@b.cn", "whoami", "--service-url=https://x", "--ca-file", "/ca.pem"},
                 inv, error));
    QVERIFY(inv.emailGiven);
    QCOMPARE(inv.email, QStringLiteral("a@b.cn"));
    QCOMPARE(inv.serviceArgs, (QStringList{"--service-url", "https://x", "--ca-file", "/ca.pem"}));
    QVERIFY(inv.options.isEmpty());
    QVERIFY(commandNeedsSignIn(inv.command));

    QVERIFY(parseCli({"scramble"}, inv, error));
    QVERIFY(!commandNeedsSignIn(inv.command));
    QVERIFY(parseCli({"--help"}, inv, error));
    QVERIFY(inv.help);
    QVERIFY(parseCli({"--version"}, inv, error));
    QVERIFY(inv.version);
    QVERIFY(parseCli({"logout", "--forget"}, inv, error));
    QVERIFY(!commandNeedsSignIn(inv.command));
    QVERIFY(parseCli({"record", "add", "--help"}, inv, error)); // help, not "missing DOMAIN"
    QCOMPARE(inv.command, QStringLiteral("record add"));
}

void TestCliSyntax::everyUsageLineParses()
{
    // Each usage line filled with sample values parses as its own command.
    for (const CommandSpec &spec : commandSpecs()) {
        QStringList args;
        const QStringList tokens = spec.usage.split(QLatin1Char(' '));
        bool skipping = false;
        for (QString t : tokens) {
            // Optional parts and all but the first of "(A | B)" are left out.
            if (skipping || t.startsWith(QLatin1Char('[')) || t == QLatin1String("|")) {
                skipping = !t.endsWith(QLatin1Char(']')) && !t.endsWith(QLatin1Char(')'));
                continue;
            }
            if (t.startsWith(QLatin1Char('('))) {
                t = t.mid(1);
                skipping = true;
            }
            t.remove(QStringLiteral("..."));
            if (t.startsWith(QLatin1String("--")) || t.at(0).isLower())
                args.append(t);
            else
                args.append(t.endsWith(QLatin1String("ID")) || t == QLatin1String("N") ||
                                    t == QLatin1String("ORDER")
                                ? QStringLiteral("1")
                                : QStringLiteral("x"));
        }
        CliInvocation inv;
        QString error;
        QVERIFY2(parseCli(args, inv, error), qPrintable(spec.usage + QLatin1String(": ") + error));
        QVERIFY2(spec.usage.startsWith(inv.command), qPrintable(spec.usage));
        QVERIFY(usageText().contains(spec.usage));
    }
}

void TestCliSyntax::tableAlignsWideCharacters()
{
    const QString table = formatTable({"ID", "NAME", "STATE"},
                                      {{"1", "工作.cn", "running"}, {"22", "a\nb", "paused"}});
    QCOMPARE(table, QStringLiteral("ID  NAME     STATE\n"
                                   "1   工作.cn  running\n"
                                   "22  a b      paused\n"));
    QCOMPARE(displayWidth(QStringLiteral("工作.cn")), 7);
    // A wide character beyond the first plane is one code point of two columns; a lone
    // surrogate is one narrow code point, as QString::toUcs4 reads it.
    QCOMPARE(displayWidth(QString::fromUcs4(U"\U00020000a")), 3);
    QCOMPARE(displayWidth(QString(QChar(0xD840)) + QLatin1Char('a')), 2);
    QCOMPARE(formatTable({"A", "B"}, {{"x\ty", "\x1b"}}), QStringLiteral("A    B\nx y  \\u001b\n"));
    QCOMPARE(formatTable({"A", "B"}, {{"x", ""}}), QStringLiteral("A  B\nx\n"));
}

QTEST_GUILESS_MAIN(TestCliSyntax)
#include "tst_clisyntax.moc"

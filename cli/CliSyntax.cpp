#include "cli/CliSyntax.h"

#include "client/copy/LocalCopy.h"

#include <QRegularExpression>

namespace {

// Options of the command line itself, valid with every command.
const QStringList kGlobalValueOptions = {QStringLiteral("service-url"), QStringLiteral("ca-file"),
                                         QStringLiteral("email")};

struct Operand
{
    QString name;
    bool optional = false;
    bool repeated = false;
};

struct OptionSlot
{
    QString placeholder;
    bool required = false;
    bool flag = false; // "[--name]", or "--name" without a placeholder: no value
};

// A usage line taken apart.
struct Grammar
{
    QStringList words;
    QList<Operand> operands;
    QMap<QString, OptionSlot> options;
};

bool isIntegerPlaceholder(const QString &name)
{
    return name == QLatin1String("ID") || name == QLatin1String("N") ||
           name == QLatin1String("ORDER") || name.endsWith(QLatin1String("_ID"));
}

Grammar grammarOf(const QString &usage)
{
    Grammar g;
    const QStringList tokens = usage.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // "(A | B)" offers two ways: each is optional to the grammar, the command checks that one
    // of them is given.
    for (int i = 0; i < tokens.size(); ++i) {
        QString t = tokens.at(i);
        if (t == QLatin1String("|"))
            continue;
        bool optional = t.startsWith(QLatin1Char('[')) || t.startsWith(QLatin1Char('('));
        if (optional)
            t = t.mid(1);
        if (t.startsWith(QLatin1String("--")) && t.endsWith(QLatin1Char(']'))) {
            t.chop(1);
            g.options.insert(t.mid(2), OptionSlot{QString(), false, true});
            continue;
        }
        if (t.startsWith(QLatin1String("--"))) {
            // A required flag ("logout --forget"): no upper-case placeholder follows.
            const QString next = tokens.value(i + 1);
            if (next.isEmpty() || !next.at(0).isUpper()) {
                g.options.insert(t.mid(2), OptionSlot{QString(), !optional, true});
                continue;
            }
            QString placeholder = tokens.value(++i);
            if (placeholder.endsWith(QLatin1Char(')')))
                optional = true;
            if (placeholder.endsWith(QLatin1Char(']')) || placeholder.endsWith(QLatin1Char(')')))
                placeholder.chop(1);
            g.options.insert(t.mid(2), OptionSlot{placeholder, !optional, false});
            continue;
        }
        if (optional && (t.endsWith(QLatin1Char(']')) || t.endsWith(QLatin1Char(')'))))
            t.chop(1);
        if (t.at(0).isLower()) {
            g.words.append(t);
            continue;
        }
        const bool repeated = t.endsWith(QLatin1String("..."));
        if (repeated)
            t.chop(3);
        g.operands.append(Operand{t, optional, repeated});
    }
    return g;
}

bool isInteger(const QString &text)
{
    bool ok = false;
    text.toInt(&ok, 10);
    return ok && !text.startsWith(QLatin1Char('+')) && text.trimmed() == text;
}

bool checkValue(const QString &what, const QString &placeholder, const QString &value,
                QString &error)
{
    if (!isIntegerPlaceholder(placeholder))
        return true;
    if (!isInteger(value)) {
        error = QStringLiteral("%1 must be a whole number, not \"%2\"").arg(what, value);
        return false;
    }
    if (placeholder.endsWith(QLatin1String("ID")) && value.toInt() < 0) {
        error = QStringLiteral("%1 must not be negative").arg(what);
        return false;
    }
    return true;
}

// Fits operands to g's operand list; the words are already matched.
bool checkOperands(const Grammar &g, const QStringList &operands, QString &error)
{
    int need = 0;
    bool unbounded = false;
    for (const Operand &o : g.operands) {
        if (!o.optional)
            ++need;
        unbounded = unbounded || o.repeated;
    }
    const int most = g.operands.size();
    if (operands.size() < need) {
        error = QStringLiteral("missing %1").arg(g.operands.at(operands.size()).name);
        return false;
    }
    if (!unbounded && operands.size() > most) {
        error = QStringLiteral("unexpected argument \"%1\"").arg(operands.at(most));
        return false;
    }
    for (int i = 0; i < operands.size(); ++i) {
        const Operand &o = g.operands.at(qMin(i, most - 1));
        if (!checkValue(o.name, o.name, operands.at(i), error))
            return false;
        if (o.name == QLatin1String("RECORD_ID") && operands.at(i).toInt() == 0) {
            error = QStringLiteral("RECORD_ID must be positive");
            return false;
        }
        if (operands.at(i).trimmed().isEmpty()) {
            error = QStringLiteral("%1 must not be empty").arg(o.name);
            return false;
        }
    }
    return true;
}

bool checkOptions(const Grammar &g, const CliInvocation &inv, QString &error)
{
    for (auto it = inv.options.cbegin(); it != inv.options.cend(); ++it) {
        const auto slot = g.options.constFind(it.key());
        if (slot == g.options.cend()) {
            error =
                QStringLiteral("option --%1 does not apply to \"%2\"").arg(it.key(), inv.command);
            return false;
        }
        if (!checkValue(QStringLiteral("--") + it.key(), slot->placeholder, it.value(), error))
            return false;
    }
    for (auto it = g.options.cbegin(); it != g.options.cend(); ++it) {
        if (it->required && !inv.options.contains(it.key())) {
            error = QStringLiteral("--%1 is required").arg(it.key());
            return false;
        }
    }
    return true;
}

// Options of every usage line and the global ones, those with a value or flags only.
QStringList optionNames(bool flags)
{
    QStringList all = flags ? QStringList() : kGlobalValueOptions;
    for (const CommandSpec &spec : commandSpecs()) {
        const QMap<QString, OptionSlot> options = grammarOf(spec.usage).options;
        for (auto it = options.cbegin(); it != options.cend(); ++it) {
            if (it->flag == flags && !all.contains(it.key()))
                all.append(it.key());
        }
    }
    return all;
}

QStringList valueOptionNames()
{
    static const QStringList names = optionNames(false);
    return names;
}

QStringList flagOptionNames()
{
    static const QStringList names = optionNames(true);
    return names;
}

// Splits args into options and positional words; false on an unknown or incomplete option.
bool tokenize(const QStringList &args, CliInvocation &inv, QStringList &positional, QString &error)
{
    const QStringList valueOptions = valueOptionNames();
    bool onlyPositional = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        // A negative number is an operand (a display order), not an option.
        if (onlyPositional || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-") ||
            isInteger(arg)) {
            positional.append(arg);
            continue;
        }
        if (arg == QLatin1String("--")) {
            onlyPositional = true;
            continue;
        }
        if (arg == QLatin1String("--json")) {
            inv.json = true;
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            inv.help = true;
            continue;
        }
        if (arg == QLatin1String("--version")) {
            inv.version = true;
            continue;
        }
        const int eq = arg.indexOf(QLatin1Char('='));
        const QString name = arg.mid(2, eq < 0 ? -1 : eq - 2);
        if (arg.startsWith(QLatin1String("--")) && flagOptionNames().contains(name)) {
            if (eq >= 0) {
                error = QStringLiteral("--%1 takes no value").arg(name);
                return false;
            }
            inv.options.insert(name, QString());
            continue;
        }
        if (!arg.startsWith(QLatin1String("--")) || !valueOptions.contains(name)) {
            error = QStringLiteral("unknown option %1").arg(eq < 0 ? arg : arg.left(eq));
            return false;
        }
        QString value;
        if (eq >= 0) {
            value = arg.mid(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args.at(++i);
        } else {
            error = QStringLiteral("--%1 needs a value").arg(name);
            return false;
        }
        if (kGlobalValueOptions.contains(name) && name != QLatin1String("email")) {
            inv.serviceArgs << QStringLiteral("--") + name << value;
        } else if (name == QLatin1String("email")) {
            inv.email = value;
            inv.emailGiven = true;
        } else {
            if (inv.options.contains(name)) {
                error = QStringLiteral("--%1 given twice").arg(name);
                return false;
            }
            inv.options.insert(name, value);
        }
    }
    return true;
}

} // namespace

const QList<CommandSpec> &commandSpecs()
{
    static const QList<CommandSpec> specs = [] {
        QList<CommandSpec> s{
            {QStringLiteral("login [--remember]"),
             QStringLiteral("sign in; --remember keeps the password in the desktop keyring")},
            {QStringLiteral("logout --forget"),
             QStringLiteral("forget the remembered e-mail and its password"), false},
            {QStringLiteral("whoami"), QStringLiteral("the account's details")},
            {QStringLiteral("version"), QStringLiteral("the latest program version")},
            {QStringLiteral("domains [--group ID] [--search TEXT]"),
             QStringLiteral("list domains, of one group (0 = all) or containing TEXT")},
            {QStringLiteral("domain add NAME..."), QStringLiteral("add domains")}};
        const char *domainVerbs[] = {"pause", "start", "lock", "unlock", "delete"};
        for (const char *verb : domainVerbs)
            s.append({QStringLiteral("domain %1 NAME...").arg(QLatin1String(verb)),
                      QStringLiteral("%1 domains").arg(QLatin1String(verb))});
        s.append({QStringLiteral("domain move NAME... --group ID"),
                  QStringLiteral("move domains into a group (0 = out of every group)")});
        s.append({QStringLiteral("groups"), QStringLiteral("list groups")});
        s.append({QStringLiteral("group add NAME [--order N]"), QStringLiteral("create a group")});
        s.append({QStringLiteral("group edit ID NAME ORDER"),
                  QStringLiteral("rename and reorder a group")});
        s.append({QStringLiteral("group delete ID"), QStringLiteral("delete a group")});
        s.append({QStringLiteral("records DOMAIN"), QStringLiteral("list a domain's records")});
        s.append({QStringLiteral("record add DOMAIN --value V [--type T] [--host H] [--line ID] "
                                 "[--ttl N] [--mx N]"),
                  QStringLiteral("add a record (A record for @ on the default line unless told)")});
        s.append({QStringLiteral("record edit DOMAIN RECORD_ID [--host H] [--type T] [--value V] "
                                 "[--ttl N] [--mx N] [--line ID]"),
                  QStringLiteral("change what is given of a record")});
        const char *recordVerbs[] = {"pause", "start", "delete"};
        for (const char *verb : recordVerbs)
            s.append({QStringLiteral("record %1 DOMAIN RECORD_ID...").arg(QLatin1String(verb)),
                      QStringLiteral("%1 records of a domain").arg(QLatin1String(verb))});
        const QString domainsOperand = QStringLiteral("(DOMAIN... | --domains-file FILE)");
        const QString match = QStringLiteral("[--host H] [--type T] --value V [--line ID]");
        s.append({QStringLiteral("batch add %1 %2 [--ttl N] [--mx N] [--apply] [--yes]")
                      .arg(domainsOperand, match),
                  QStringLiteral("add a record to many domains (the plan; --apply runs it)")});
        s.append({QStringLiteral("batch edit %1 %2 [--new-host H] [--new-type T] [--new-value V] "
                                 "[--new-line ID] [--new-ttl N] [--new-mx N] [--apply] [--yes]")
                      .arg(domainsOperand, match),
                  QStringLiteral("change matching records of many domains; an omitted --new-* "
                                 "keeps that field")});
        s.append({QStringLiteral("batch delete %1 %2 [--apply] [--yes]").arg(domainsOperand, match),
                  QStringLiteral("delete matching records of many domains")});
        s.append({QStringLiteral("jobs"), QStringLiteral("the journal of changes, newest first"),
                  false});
        s.append({QStringLiteral("job show ID"), QStringLiteral("a journaled job and its steps"),
                  false});
        s.append({QStringLiteral("undo ID [--apply] [--yes] [--force]"),
                  QStringLiteral("undo a journaled job (the plan; --apply runs it, --force also "
                                 "reverts conflicts)")});
        const QString asking = QStringLiteral("[--wait SECONDS] [--resolver ADDRESS] "
                                              "[--dns-port PORT]");
        s.append({QStringLiteral("check DOMAIN [--host H] [--type T] [--line ID] %1").arg(asking),
                  QStringLiteral("whether each authoritative name server serves the domain's "
                                 "records, line by line (those of a host, type or line when "
                                 "given); --wait checks again until all are live or SECONDS "
                                 "pass; --resolver finds the name servers through ADDRESS[:PORT] "
                                 "instead of the system's resolver; --dns-port asks them on PORT "
                                 "instead of 53. Exit 0 all live, 1 something is not, 2 no name "
                                 "server answered")});
        s.append({QStringLiteral("job check ID %1").arg(asking),
                  QStringLiteral("check exactly the records a journaled job changed, as check "
                                 "does")});
        s.append({QStringLiteral("zone export DOMAIN [--line ID] [--output FILE] [--folder DIR] "
                                 "[--resolver ADDRESS]"),
                  QStringLiteral(
                      "a domain's records of one line (default 0) as a zone file; "
                      "FILE - is standard output; --folder writes every line's file "
                      "into DIR, named by the line's name as the window names them; --resolver "
                      "finds the domain's name servers through ADDRESS[:PORT] to "
                      "write SOA and NS from them")});
        s.append({QStringLiteral("zone import DOMAIN FILE [--line ID] [--prune] [--apply] [--yes]"),
                  QStringLiteral("plan a zone file's records into one line; --apply runs the "
                                 "plan, --prune deletes what the file lacks, --yes accepts "
                                 "warnings")});
        const QString served =
            QStringLiteral("[--timeout SECONDS] [--resolver ADDRESS] [--dns-port PORT]");
        s.append({QStringLiteral("acme present FQDN VALUE %1").arg(served),
                  QStringLiteral("lego's exec provider: publish a DNS-01 challenge as a TXT record "
                                 "on the default line and wait until every name server of its "
                                 "domain serves it (default 120 seconds; the name servers found "
                                 "and asked as check does)")});
        s.append({QStringLiteral("acme cleanup FQDN VALUE"),
                  QStringLiteral("lego's exec provider: remove the challenge's TXT record (only "
                                 "that value; done when it is already gone)")});
        s.append({QStringLiteral("acme certbot-auth %1").arg(served),
                  QStringLiteral("certbot's --manual-auth-hook: acme present for CERTBOT_DOMAIN "
                                 "and CERTBOT_VALIDATION")});
        s.append({QStringLiteral("acme certbot-cleanup"),
                  QStringLiteral("certbot's --manual-cleanup-hook: acme cleanup for "
                                 "CERTBOT_DOMAIN and CERTBOT_VALIDATION")});
        s.append({QStringLiteral("search [--refresh] [--contains] [--type T] [--line ID] TEXT"),
                  QStringLiteral("find records in the local copy of the account: TEXT is a value, "
                                 "a host, a full name, or an address range such as "
                                 "203.0.113.0/24; --contains for a part of a name or value; "
                                 "--refresh reads every domain first"),
                  false});
        s.append({QStringLiteral("sync"),
                  QStringLiteral("read every domain's records into the local copy")});
        s.append({QStringLiteral("lines [VIEW_TYPE]"),
                  QStringLiteral("the lines a package of VIEW_TYPE may use (default 1)")});
        s.append({QStringLiteral("messages news"), QStringLiteral("the service's news")});
        s.append({QStringLiteral("messages notices"), QStringLiteral("the service's notices")});
        s.append({QStringLiteral("messages inform"),
                  QStringLiteral("the account's messages, unread first")});
        s.append({QStringLiteral("message read MESSAGE_ID"),
                  QStringLiteral("mark an account message read")});
        s.append({QStringLiteral("message show MESSAGE_ID"),
                  QStringLiteral("a notice's full text (HTML)")});
        s.append({QStringLiteral("register EMAIL"),
                  QStringLiteral("create an account; password from HALVIK_PASSWORD"), false});
        s.append({QStringLiteral("device-id"), QStringLiteral("this computer's device id"), false});
        s.append({QStringLiteral("scramble"),
                  QStringLiteral("scramble standard input to standard output"), false});
        s.append({QStringLiteral("unscramble"),
                  QStringLiteral("unscramble standard input to standard output"), false});
        return s;
    }();
    return specs;
}

bool parseCli(const QStringList &args, CliInvocation &invocation, QString &error)
{
    invocation = CliInvocation();
    QStringList positional;
    if (!tokenize(args, invocation, positional, error))
        return false;
    if (positional.isEmpty()) {
        if (invocation.help || invocation.version)
            return true;
        error = QStringLiteral("no command given");
        return false;
    }

    // The command whose words are the longest prefix of the positional words.
    const CommandSpec *best = nullptr;
    Grammar bestGrammar;
    for (const CommandSpec &spec : commandSpecs()) {
        const Grammar g = grammarOf(spec.usage);
        if (g.words.size() > positional.size() || positional.mid(0, g.words.size()) != g.words)
            continue;
        if (!best || g.words.size() > bestGrammar.words.size()) {
            best = &spec;
            bestGrammar = g;
        }
    }
    if (!best) {
        error = QStringLiteral("unknown command \"%1\"").arg(positional.join(QLatin1Char(' ')));
        return false;
    }
    invocation.command = bestGrammar.words.join(QLatin1Char(' '));
    invocation.operands = positional.mid(bestGrammar.words.size());
    if (invocation.help)
        return true;
    if (!checkOperands(bestGrammar, invocation.operands, error) ||
        !checkOptions(bestGrammar, invocation, error))
        return false;
    if (invocation.command == QLatin1String("search")) {
        SearchQuery query;
        query.text = invocation.operands.value(0);
        query.contains = invocation.options.contains(QStringLiteral("contains"));
        return checkSearchQuery(query, error);
    }
    return true;
}

namespace {

const CommandSpec *specOf(const QString &command)
{
    for (const CommandSpec &spec : commandSpecs()) {
        if (grammarOf(spec.usage).words.join(QLatin1Char(' ')) == command)
            return &spec;
    }
    return nullptr;
}

} // namespace

QString usageOf(const QString &command)
{
    const CommandSpec *spec = specOf(command);
    return spec ? QStringLiteral("halvik-cli ") + spec->usage : QString();
}

bool commandNeedsSignIn(const QString &command)
{
    const CommandSpec *spec = specOf(command);
    return spec && spec->needsSignIn;
}

QString usageText()
{
    QString text = QStringLiteral(
        "Usage: halvik-cli [--json] [--service-url URL] [--ca-file FILE] [--email EMAIL] "
        "COMMAND...\n"
        "       halvik-cli --help | --version\n\n"
        "Signs in as --email, HALVIK_EMAIL or the e-mail remembered by \"login --remember\" (or\n"
        "the window), in that order. The password comes from HALVIK_PASSWORD, else from the\n"
        "desktop keyring, else from the terminal. --json prints JSON.\n"
        "Exit status: 0 done, 1 refused, skipped or in conflict, 2 network failure, 64 bad usage.\n"
        "A command that changes many domains prints its plan and changes nothing without --apply;\n"
        "a plan (batch, undo, zone import) exits 1 when any step cannot be carried out as asked\n"
        "(a problem, a conflict, a domain not found, locked or paused), else 0;\n"
        "a plan that trips a warning also needs --yes. Changes are journaled (jobs, undo).\n\n"
        "Commands:\n");
    for (const CommandSpec &spec : commandSpecs())
        text += QStringLiteral("  %1\n      %2\n").arg(spec.usage, spec.summary);
    return text;
}

#include "cli/CliSession.h"

#include "cli/CliFormat.h"
#include "cli/CliKeyring.h"
#include "cli/Terminal.h"
#include "client/LoginSettings.h"
#include "client/User.h"
#include "client/WholeRecordList.h"
#include "client/journal/Journal.h"

#include <QJsonArray>

#include <algorithm>

int CliPresenter::present(const MsgBoxRequest &request)
{
    QString text = request.content;
    if (request.hasInput && !request.inputText.isEmpty())
        text += QLatin1Char('\n') + request.inputText;
    printErr(text + QLatin1Char('\n'));
    shown.append(request.content);
    return request.buttonMode == 2 ? 0 : 1;
}

CliSession::CliSession(User &u, CliPresenter &presenter, const CliInvocation &inv,
                       const QProcessEnvironment &env)
    : user(u), invocation(inv), environment(env), m_presenter(presenter)
{}

void CliSession::beginCall()
{
    m_presenter.shown.clear();
}

bool CliSession::showedBox() const
{
    return !m_presenter.shown.isEmpty();
}

bool CliSession::showedText(const QString &text) const
{
    return !text.isEmpty() && m_presenter.shown.contains(text);
}

int CliSession::failureKind() const
{
    return user.answered ? ExitRefused : ExitNetwork;
}

int CliSession::failed(const QString &what)
{
    const QString reason = user.errorText;
    // A box shows the text with the certificate's problem beside it.
    const bool shown = std::any_of(m_presenter.shown.cbegin(), m_presenter.shown.cend(),
                                   [&](const QString &s) { return s.startsWith(reason); });
    if (!shown || reason.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: %1: %2\n")
                     .arg(what, reason.isEmpty() ? QStringLiteral("failed") : reason));
        if (!user.errorReason.isEmpty())
            printErr(QStringLiteral("halvik-cli: %1\n").arg(user.errorReason));
    }
    return failureKind();
}

void CliSession::print(const QJsonValue &value, const QString &table)
{
    printOut(json() ? jsonText(value) : table);
}

bool CliSession::loadDomains(int &exit)
{
    beginCall();
    user.getDomain();
    if (user.errorText.isEmpty())
        return true;
    exit = failed(QStringLiteral("reading the domain list"));
    return false;
}

bool CliSession::resolveDomains(const QStringList &names, QList<Domain *> &found, int &exit)
{
    found.clear();
    bool allKnown = true;
    for (const QString &name : names) {
        Domain *dm = user.domain2ptr(name);
        if (!dm) {
            printErr(QStringLiteral("halvik-cli: no domain \"%1\" in this account\n").arg(name));
            allKnown = false;
        }
        found.append(dm);
    }
    if (!allKnown)
        exit = ExitRefused;
    return allKnown;
}

ItemResult CliSession::outcome(const QString &item, bool ok)
{
    ItemResult r(item);
    if (!ok) {
        r.error = user.errorText;
        r.exit = failed(item);
    }
    return r;
}

int CliSession::reportItems(const QList<ItemResult> &results)
{
    int worst = ExitOk;
    QJsonArray array;
    QList<QStringList> rows;
    for (const ItemResult &r : results) {
        worst = qMax(worst, r.exit);
        QJsonObject o{{QStringLiteral("item"), r.item}, {QStringLiteral("ok"), r.exit == ExitOk}};
        if (r.exit != ExitOk)
            o.insert(QStringLiteral("error"), r.error);
        array.append(o);
        rows.append({r.item, r.exit == ExitOk ? QStringLiteral("ok")
                                              : QStringLiteral("failed: ") + r.error});
    }
    print(array, formatTable({QStringLiteral("ITEM"), QStringLiteral("RESULT")}, rows));
    return worst;
}

bool takePassword(const CliSession &session, const QString &account, bool askTerminal,
                  QString &password)
{
    const QString variable = QStringLiteral("HALVIK_PASSWORD");
    if (session.environment.contains(variable)) {
        password = session.environment.value(variable);
        return true;
    }
    if (askTerminal &&
        readPasswordFromTerminal(QStringLiteral("Password for %1: ").arg(account), password))
        return true;
    printErr(QStringLiteral("halvik-cli: no password: set HALVIK_PASSWORD\n"));
    return false;
}

namespace {

bool rememberedPassword(const QString &account, QString &password)
{
    bool found = false;
    waitForKeyring([&](QObject *context, std::function<void()> finish) {
        findRememberedPassword(account, context,
                               [&found, &password, finish](bool ok, const QString &text) {
                                   found = ok;
                                   password = text;
                                   finish();
                               });
    });
    return found;
}

} // namespace

int signIn(CliSession &session)
{
    const CliInvocation &inv = session.invocation;
    QString email =
        inv.emailGiven ? inv.email : session.environment.value(QStringLiteral("HALVIK_EMAIL"));
    if (email.isEmpty())
        email = loadLoginSettings().user;
    if (email.isEmpty()) {
        printErr(QStringLiteral("halvik-cli: no account: set HALVIK_EMAIL and HALVIK_PASSWORD, "
                                "or give --email\n"));
        return ExitUsage;
    }
    QString password;
    const bool fromEnvironment = session.environment.contains(QStringLiteral("HALVIK_PASSWORD"));
    if (fromEnvironment) {
        password = session.environment.value(QStringLiteral("HALVIK_PASSWORD"));
    } else if (!rememberedPassword(email, password) &&
               !readPasswordFromTerminal(QStringLiteral("Password for %1: ").arg(email),
                                         password)) {
        printErr(QStringLiteral("halvik-cli: no password: set HALVIK_PASSWORD, or remember it "
                                "with \"halvik-cli login --remember\"\n"));
        return ExitUsage;
    }
    session.beginCall();
    if (!session.user.login(email, password))
        return session.failed(QStringLiteral("signing in"));
    session.password = password;
    return ExitOk;
}

QString CliSession::option(const char *name, const QString &def) const
{
    return invocation.options.value(QString::fromLatin1(name), def);
}

bool CliSession::hasFlag(const char *name) const
{
    return invocation.options.contains(QString::fromLatin1(name));
}

int CliSession::usage(const QString &error) const
{
    printErr(QStringLiteral("halvik-cli: %1\n%2\n").arg(error, usageOf(invocation.command)));
    return ExitUsage;
}

QSharedPointer<Domain> CliSession::namedDomain(int &exit)
{
    QList<Domain *> found;
    if (!loadDomains(exit) || !resolveDomains({invocation.operands.value(0)}, found, exit))
        return {};
    return user.domains.sharedOf(found.first());
}

bool CliSession::readRecords(const QSharedPointer<Domain> &dm, QList<Record> &records, int &exit)
{
    // Page after page: a record past the first list a read returns (999) would be "not found",
    // and an export or a plan on part of the list would be wrong in silence. A list whose pages
    // do not add up is refused, never half used.
    beginCall();
    if (readWholeRecordList(user, *dm, records, false))
        return true;
    exit = failed(QStringLiteral("reading every record of %1").arg(dm->name));
    return false;
}

bool openJournal(Journal &journal, bool forWriting, int &exit)
{
    if (journal.open(Journal::defaultPath(), forWriting))
        return true;
    printErr(QStringLiteral("halvik-cli: %1\n").arg(journal.errorText()));
    exit = ExitRefused;
    return false;
}

bool openJournalJob(const CliSession &session, Journal &journal, JournalJob &job, int &exit)
{
    if (!openJournal(journal, false, exit))
        return false;
    const QString number = session.invocation.operands.at(0);
    job = journal.job(number.toLongLong());
    if (job.id)
        return true;
    printErr(QStringLiteral("halvik-cli: no job %1 in the journal\n").arg(number));
    exit = ExitRefused;
    return false;
}

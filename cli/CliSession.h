#pragma once

#include "cli/CliSyntax.h"
#include "client/MsgPresenter.h"

#include <QJsonValue>
#include <QList>
#include <QProcessEnvironment>
#include <QSharedPointer>
#include <QStringList>

class Journal;
struct JournalJob;

class User;
struct Domain;
struct Record;

enum CliExit
{
    ExitOk = 0,
    ExitRefused = 1, // the service said no (or an operation could not be done)
    ExitNetwork = 2, // no usable answer came back
    ExitUsage = 64
};

// Message boxes of a process without windows, as the default presenter shows them (a notice
// counts as acknowledged, a question as declined), on standard error in UTF-8; it also
// remembers what it showed so that a failure is not printed twice.
class CliPresenter : public MsgPresenter
{
public:
    int present(const MsgBoxRequest &request) override;
    QStringList shown;
};

// The outcome of one item of a command that works through several.
struct ItemResult
{
    explicit ItemResult(const QString &what) : item(what) {}
    QString item;
    int exit = ExitOk;
    QString error;
};

// What a command works with: the signed-in client, the parsed command line and the output.
class CliSession
{
public:
    CliSession(User &user, CliPresenter &presenter, const CliInvocation &invocation,
               const QProcessEnvironment &environment);

    User &user;
    const CliInvocation &invocation;
    const QProcessEnvironment environment;
    bool json() const { return invocation.json; }
    // The password of the sign-in, for "login --remember"; never printed.
    QString password;

    // Call before each operation whose outcome is judged by failure().
    void beginCall();
    // Whether the operation showed a message box since beginCall().
    bool showedBox() const;
    // Whether a message box since beginCall() said text (not empty).
    bool showedText(const QString &text) const;
    // After a failed operation: 2 when no answer with a code arrived, else 1.
    int failureKind() const;
    // Reports a failed operation on standard error (unless a box already showed the reason)
    // and gives its exit code.
    int failed(const QString &what);
    // Prints value as JSON, or the table for people.
    void print(const QJsonValue &value, const QString &table);

    // The value of --name (def when not given), and whether --name was given.
    QString option(const char *name, const QString &def = QString()) const;
    bool hasFlag(const char *name) const;
    // Reports a usage error with the command's usage and gives the exit code.
    int usage(const QString &error) const;

    // Fetches the domain list; on failure reports and sets exit.
    bool loadDomains(int &exit);
    // Looks every name up in the domain list; unknown names are reported, exit 1.
    bool resolveDomains(const QStringList &names, QList<Domain *> &found, int &exit);
    // The domain the first operand names; null (reported, exit set) when it is not the
    // account's or the list cannot be read.
    QSharedPointer<Domain> namedDomain(int &exit);
    // Every record of dm as the service lists them now, all pages; false (reported, exit set)
    // when they cannot be read whole.
    bool readRecords(const QSharedPointer<Domain> &dm, QList<Record> &records, int &exit);
    // The outcome of one item's operation (ok = its result); a failure is also reported on
    // standard error unless a box already showed the reason.
    ItemResult outcome(const QString &item, bool ok);
    // Prints per-item outcomes and gives the worst exit code among them.
    int reportItems(const QList<ItemResult> &results);

private:
    CliPresenter &m_presenter;
};

// The password from HALVIK_PASSWORD or, with askTerminal, from the terminal; false (with the
// reason printed) when there is none.
bool takePassword(const CliSession &session, const QString &account, bool askTerminal,
                  QString &password);

// Signs in as --email, HALVIK_EMAIL or the remembered e-mail, with HALVIK_PASSWORD, the
// remembered password or one asked on the terminal; returns the exit code (0 = signed in).
int signIn(CliSession &session);

// Opens the user's journal; false (the reason printed, exit set to refused) when it cannot.
bool openJournal(Journal &journal, bool forWriting, int &exit);
// Opens the journal to read and finds the job numbered by the command's first operand; false
// (the reason printed, exit set to refused) when either cannot be done.
bool openJournalJob(const CliSession &session, Journal &journal, JournalJob &job, int &exit);

// Runs the parsed command; returns the exit code.
int runCommand(CliSession &session);

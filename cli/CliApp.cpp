#include "cli/CliApp.h"

#include "cli/CliKeyring.h"
#include "cli/CliSession.h"
#include "cli/Terminal.h"
#include "client/KeyringStore.h"
#include "client/Scramble.h"
#include "client/ServiceConfig.h"
#include "client/User.h"
#include "client/copy/CopyKeeper.h"
#include "client/copy/CopyWriter.h"
#include "client/copy/LocalCopy.h"

#include <QRandomGenerator>

#include <memory>

namespace {

// Installs the presenter for the run and puts the default back afterwards.
class PresenterScope
{
public:
    explicit PresenterScope(MsgPresenter *presenter) { User::setMsgPresenter(presenter); }
    ~PresenterScope() { User::setMsgPresenter(nullptr); }
    PresenterScope(const PresenterScope &) = delete;
    PresenterScope &operator=(const PresenterScope &) = delete;
};

// Installs the desktop keyring for the run and puts the default back afterwards.
class KeyringScope
{
public:
    KeyringScope()
    {
        setPasswordStore(&m_keyring);
        reportMissingKeyringOnce();
    }
    ~KeyringScope() { setPasswordStore(nullptr); }
    KeyringScope(const KeyringScope &) = delete;
    KeyringScope &operator=(const KeyringScope &) = delete;

private:
    KeyringStore m_keyring;
};

int usageError(const QString &error, const QString &command)
{
    const QString usage = usageOf(command);
    printErr(QStringLiteral("halvik-cli: %1\n%2\n")
                 .arg(error, usage.isEmpty() ? QStringLiteral("Try halvik-cli --help.") : usage));
    return ExitUsage;
}

} // namespace

int runCli(const QStringList &args, const QProcessEnvironment &environment)
{
    CliInvocation invocation;
    QString error;
    if (!parseCli(args, invocation, error))
        return usageError(error, invocation.command);
    if (invocation.help) {
        printOut(usageText());
        return ExitOk;
    }
    if (invocation.version) {
        printOut(QStringLiteral("halvik-cli %1\n").arg(QStringLiteral(HALVIK_VERSION)));
        return ExitOk;
    }

    ServiceConfig config;
    if (!loadServiceConfig(invocation.serviceArgs, environment, config, error))
        return usageError(error, QString());
    User user;
    applyServiceConfig(user, config);
    CliPresenter presenter;
    PresenterScope scope(&presenter);
    KeyringScope keyring;
    scrambleRandom().seed(QRandomGenerator::system()->generate());

    CliSession session(user, presenter, invocation, environment);
    // What the commands read and change goes into the local copy as it happens, on a thread of
    // its own so the next request does not wait for SQLite; sync and search keep their own.
    // The writer outlives the keeper and returns only once all is written.
    std::unique_ptr<CopyWriter> writer;
    std::unique_ptr<CopyKeeper> keeper;
    if (commandNeedsSignIn(invocation.command)) {
        const int signedIn = signIn(session);
        if (signedIn != ExitOk)
            return signedIn;
        if (invocation.command != QLatin1String("sync")) {
            writer = std::make_unique<CopyWriter>();
            QString notice;
            QString openError; // told by the copy's notice, as before
            if (writer->open(LocalCopy::defaultPath(), user.email, notice, openError))
                keeper = std::make_unique<CopyKeeper>(user, *writer);
            if (!notice.isEmpty())
                printErr(QStringLiteral("halvik-cli: %1\n").arg(notice));
        }
    }
    const int exit = runCommand(session);
    keeper.reset();
    writer.reset();
    return exit;
}

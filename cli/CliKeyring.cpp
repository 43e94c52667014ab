#include "cli/CliKeyring.h"

#include "cli/Terminal.h"
#include "client/PasswordStore.h"

#include <QEventLoop>
#include <QTimer>

namespace {

constexpr int kKeyringWaitMs = 30000;

} // namespace

bool waitForKeyring(const std::function<void(QObject *, std::function<void()>)> &start)
{
    QEventLoop loop;
    QObject context;
    bool finished = false;
    start(&context, [&finished, &loop] {
        finished = true;
        loop.quit();
    });
    if (!finished) {
        QTimer::singleShot(kKeyringWaitMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (!finished)
        printErr(QStringLiteral("halvik-cli: the desktop keyring did not answer in time\n"));
    return finished;
}

void reportMissingKeyringOnce()
{
    QObject::connect(&passwordStore(), &PasswordStore::keyringFoundMissing, [] {
        printErr(QStringLiteral("halvik-cli: no desktop keyring answers on this session; a "
                                "remembered password stays scrambled in the settings\n"));
    });
}

#include "client/KeyringStore.h"

#include <qt5keychain/keychain.h>

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#define HALVIK_KEYRING_ON_DBUS 1
#endif

namespace {

const QString kService = QStringLiteral("halvik");

KeyringAnswer answerOf(const QKeychain::Job &job)
{
    KeyringAnswer answer;
    switch (job.error()) {
    case QKeychain::NoError:
        answer.result = KeyringResult::Done;
        break;
    case QKeychain::EntryNotFound:
        answer.result = KeyringResult::NotFound;
        break;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        answer.result = KeyringResult::NoKeyring;
        break;
    default:
        answer.result = KeyringResult::Failed;
        answer.error = job.errorString();
        break;
    }
    return answer;
}

#ifdef HALVIK_KEYRING_ON_DBUS
// Services that keep secrets for QtKeychain on the session bus.
const QStringList kKeyringServices = {QStringLiteral("org.freedesktop.secrets"),
                                      QStringLiteral("org.kde.kwalletd5"),
                                      QStringLiteral("org.kde.kwalletd")};

// Whether a session bus can be reached without starting one: both libdbus and GDBus would
// otherwise launch a bus of their own for this process, which outlives it.
bool sessionBusConfigured()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(QDir(runtime).filePath(QStringLiteral("bus")));
}

QDBusPendingCall busCall(const QDBusConnection &bus, const QString &method)
{
    return bus.asyncCall(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method));
}
#endif

} // namespace

KeyringStore::KeyringStore(QObject *parent)
{
    setParent(parent);
}

void KeyringStore::whenKnown(std::function<void(bool)> then)
{
    if (m_presence == Presence::Present || m_presence == Presence::Absent) {
        then(m_presence == Presence::Present);
        return;
    }
    m_waiting.append(std::move(then));
    if (m_presence == Presence::Asking)
        return;
    m_presence = Presence::Asking;
    // Even connecting to the bus waits: not inside the caller (a window being built).
    QMetaObject::invokeMethod(this, &KeyringStore::probe, Qt::QueuedConnection);
}

void KeyringStore::probe()
{
#ifdef HALVIK_KEYRING_ON_DBUS
    if (!sessionBusConfigured()) {
        settle(false);
        return;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        settle(false);
        return;
    }
    // A keyring is there when its name is taken or the bus can start it on demand.
    auto *running = new QDBusPendingCallWatcher(busCall(bus, QStringLiteral("ListNames")), this);
    auto *startable =
        new QDBusPendingCallWatcher(busCall(bus, QStringLiteral("ListActivatableNames")), this);
    auto judge = [this, running, startable] {
        if (m_presence != Presence::Asking || !running->isFinished() || !startable->isFinished())
            return;
        QStringList names = QDBusPendingReply<QStringList>(*running).value();
        names += QDBusPendingReply<QStringList>(*startable).value();
        running->deleteLater();
        startable->deleteLater();
        bool present = false;
        for (const QString &service : kKeyringServices)
            present = present || names.contains(service);
        settle(present);
    };
    connect(running, &QDBusPendingCallWatcher::finished, this, judge);
    connect(startable, &QDBusPendingCallWatcher::finished, this, judge);
#else
    settle(true);
#endif
}

void KeyringStore::settle(bool present)
{
    m_presence = present ? Presence::Present : Presence::Absent;
    const QList<std::function<void(bool)>> waiting = std::exchange(m_waiting, {});
    for (const auto &then : waiting)
        then(present);
}

void KeyringStore::run(QObject *context, Reply reply, std::function<QKeychain::Job *()> makeJob)
{
    // The context may go while the bus or the keyring is asked: a guard notices.
    QPointer<QObject> guard(context);
    const bool hasContext = context != nullptr;
    whenKnown([this, guard, hasContext, reply, makeJob](bool present) {
        if (hasContext && !guard)
            return;
        if (!present) {
            deliver(guard, reply, KeyringAnswer{KeyringResult::NoKeyring, {}, {}});
            return;
        }
        QKeychain::Job *job = makeJob();
        job->setAutoDelete(true);
        connect(job, &QKeychain::Job::finished, this,
                [this, guard, hasContext, reply](QKeychain::Job *done) {
                    if (hasContext && !guard)
                        return;
                    KeyringAnswer answer = answerOf(*done);
                    auto *reading = qobject_cast<QKeychain::ReadPasswordJob *>(done);
                    if (reading && answer.result == KeyringResult::Done)
                        answer.password = reading->textData();
                    deliver(guard, reply, answer);
                });
        job->start();
    });
}

void KeyringStore::read(const QString &account, QObject *context, Reply reply)
{
    run(context, std::move(reply), [account] {
        auto *job = new QKeychain::ReadPasswordJob(kService);
        job->setKey(account);
        return job;
    });
}

void KeyringStore::write(const QString &account, const QString &password, QObject *context,
                         Reply reply)
{
    run(context, std::move(reply), [account, password] {
        auto *job = new QKeychain::WritePasswordJob(kService);
        job->setKey(account);
        job->setTextData(password);
        return job;
    });
}

void KeyringStore::remove(const QString &account, QObject *context, Reply reply)
{
    run(context, std::move(reply), [account] {
        auto *job = new QKeychain::DeletePasswordJob(kService);
        job->setKey(account);
        return job;
    });
}

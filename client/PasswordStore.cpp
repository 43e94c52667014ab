#include "client/PasswordStore.h"

#include <QPointer>

void PasswordStore::deliver(QObject *context, Reply reply, const KeyringAnswer &answer)
{
    QPointer<QObject> guard(context ? context : this);
    QMetaObject::invokeMethod(
        this,
        [this, guard, reply = std::move(reply), answer] {
            if (answer.result == KeyringResult::NoKeyring && !m_missing) {
                m_missing = true;
                emit keyringFoundMissing();
            }
            if (guard && reply)
                reply(answer);
        },
        Qt::QueuedConnection);
}

void NoKeyringStore::read(const QString &, QObject *context, Reply reply)
{
    deliver(context, std::move(reply), KeyringAnswer{KeyringResult::NoKeyring, {}, {}});
}

void NoKeyringStore::write(const QString &, const QString &, QObject *context, Reply reply)
{
    deliver(context, std::move(reply), KeyringAnswer{KeyringResult::NoKeyring, {}, {}});
}

void NoKeyringStore::remove(const QString &, QObject *context, Reply reply)
{
    deliver(context, std::move(reply), KeyringAnswer{KeyringResult::NoKeyring, {}, {}});
}

namespace {

PasswordStore *&installedStore()
{
    static PasswordStore *store = nullptr;
    return store;
}

} // namespace

PasswordStore &passwordStore()
{
    static NoKeyringStore none;
    PasswordStore *store = installedStore();
    return store ? *store : none;
}

void setPasswordStore(PasswordStore *store)
{
    installedStore() = store;
}

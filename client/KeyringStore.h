#pragma once

#include "client/PasswordStore.h"

#include <QList>

namespace QKeychain {
class Job;
}

// The desktop keyring through QtKeychain: the Secret Service (or KWallet) on Linux, the
// Credential Manager on Windows. Entries are kept under the service "halvik", one per e-mail.
class KeyringStore : public PasswordStore
{
    Q_OBJECT
public:
    explicit KeyringStore(QObject *parent = nullptr);

    void read(const QString &account, QObject *context, Reply reply) override;
    void write(const QString &account, const QString &password, QObject *context,
               Reply reply) override;
    void remove(const QString &account, QObject *context, Reply reply) override;

private:
    enum class Presence
    {
        Unknown,
        Asking,
        Present,
        Absent
    };
    // Runs then(true) once a keyring is known to answer on this session, then(false) when none
    // does. The first call asks the session bus; later ones use its answer.
    void whenKnown(std::function<void(bool)> then);
    void probe();
    void settle(bool present);
    // Starts the job makeJob gives once a keyring is known to answer.
    void run(QObject *context, Reply reply, std::function<QKeychain::Job *()> makeJob);

    Presence m_presence = Presence::Unknown;
    QList<std::function<void(bool)>> m_waiting;
};

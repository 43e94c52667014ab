#pragma once

#include <QObject>
#include <QString>

#include <functional>

// What one keyring operation came to.
enum class KeyringResult
{
    Done,
    NotFound,  // nothing kept for that account
    NoKeyring, // no keyring answers on this session
    Failed     // locked, declined or broken; error says what the keyring said
};

struct KeyringAnswer
{
    KeyringResult result = KeyringResult::Failed;
    QString password; // a read that found the entry
    QString error;
};

// Where the remembered password is kept, keyed by the account e-mail: the desktop keyring in
// the programs, a scripted store in tests. Every call answers exactly once, later, from the
// event loop (never from inside the call), and not at all when context is gone by then.
class PasswordStore : public QObject
{
    Q_OBJECT
public:
    using Reply = std::function<void(const KeyringAnswer &)>;

    virtual void read(const QString &account, QObject *context, Reply reply) = 0;
    virtual void write(const QString &account, const QString &password, QObject *context,
                       Reply reply) = 0;
    virtual void remove(const QString &account, QObject *context, Reply reply) = 0;

    // Whether some answer so far said that no keyring answers on this session.
    bool keyringMissing() const { return m_missing; }

signals:
    // The first answer that found no keyring; later ones stay quiet.
    void keyringFoundMissing();

protected:
    // Hands answer to reply through the event loop.
    void deliver(QObject *context, Reply reply, const KeyringAnswer &answer);

private:
    bool m_missing = false;
};

// A session without a keyring: every call answers NoKeyring.
class NoKeyringStore : public PasswordStore
{
    Q_OBJECT
public:
    void read(const QString &account, QObject *context, Reply reply) override;
    void write(const QString &account, const QString &password, QObject *context,
               Reply reply) override;
    void remove(const QString &account, QObject *context, Reply reply) override;
};

// The store of this process: a NoKeyringStore until the program installs the desktop keyring
// (KeyringStore.h) or a test its scripted store; nullptr puts the NoKeyringStore back.
PasswordStore &passwordStore();
void setPasswordStore(PasswordStore *store);

#pragma once

#include "client/PasswordStore.h"

#include <QList>
#include <QMap>
#include <QPointer>

#include <utility>

// A keyring for window tests: entries in memory, and the answer a test chooses. While held, no
// call answers (a locked keyring waiting on its user) until release().
class ScriptedPasswordStore : public PasswordStore
{
public:
    QMap<QString, QString> entries;
    KeyringResult refusal = KeyringResult::Done; // Done: answer from entries
    bool held = false;
    QStringList calls; // "read a@b", "write a@b", "remove a@b"
    int answered = 0;  // replies handed to their callers

    void read(const QString &account, QObject *context, Reply reply) override
    {
        calls.append(QStringLiteral("read ") + account);
        answer(context, std::move(reply), [this, account] {
            if (!entries.contains(account))
                return KeyringAnswer{KeyringResult::NotFound, {}, {}};
            return KeyringAnswer{KeyringResult::Done, entries.value(account), {}};
        });
    }
    void write(const QString &account, const QString &password, QObject *context,
               Reply reply) override
    {
        calls.append(QStringLiteral("write ") + account);
        answer(context, std::move(reply), [this, account, password] {
            entries.insert(account, password);
            return KeyringAnswer{KeyringResult::Done, {}, {}};
        });
    }
    void remove(const QString &account, QObject *context, Reply reply) override
    {
        calls.append(QStringLiteral("remove ") + account);
        answer(context, std::move(reply), [this, account] {
            entries.remove(account);
            return KeyringAnswer{KeyringResult::Done, {}, {}};
        });
    }

    // Lets every held call answer, as the keyring would once unlocked.
    void release()
    {
        held = false;
        const QList<std::function<void()>> pending = std::exchange(m_pending, {});
        for (const auto &go : pending)
            go();
    }

private:
    void answer(QObject *context, Reply reply, std::function<KeyringAnswer()> outcome)
    {
        QPointer<QObject> guard(context);
        auto go = [this, guard, hasContext = context != nullptr, reply, outcome] {
            if (hasContext && !guard)
                return;
            auto counted = [this, reply](const KeyringAnswer &a) {
                if (reply)
                    reply(a);
                ++answered;
            };
            deliver(guard, counted,
                    refusal == KeyringResult::Done
                        ? outcome()
                        : KeyringAnswer{refusal, {}, QStringLiteral("declined")});
        };
        if (held)
            m_pending.append(go);
        else
            go();
    }

    QList<std::function<void()>> m_pending;
};

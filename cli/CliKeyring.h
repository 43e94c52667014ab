#pragma once

#include <QObject>

#include <functional>

// halvik-cli has nothing else to do while the keyring answers: it waits, up to a time-out (a
// locked keyring may be asking its user). start gets a context for the store's calls, gone once
// the wait ends, and the function that ends the wait. False when the time-out ended it.
bool waitForKeyring(
    const std::function<void(QObject *context, std::function<void()> finish)> &start);

// Prints once on standard error when no keyring answers on this session.
void reportMissingKeyringOnce();

#pragma once

#include "client/ApiRequest.h"
#include "localservice/api/Validation.h"
#include "localservice/storage/StorageTypes.h"

#include <functional>

// Looks an account up by its API key; false when no account holds that key.
using AccountByKey = std::function<bool(const QString &apiKey, AccountRow *out)>;

// A "timestamp" more than windowSecs away from now is refused (3), as is a missing one when
// required.
Refusal checkTimestamp(const ApiParams &params, qint64 now, int windowSecs, bool required);

// A signed request: a known "apiKey" (else 1), a "hash" equal to the MD5 signature of every
// other parameter with the account's secret (else 1), and a fresh "timestamp".
Refusal verifySignedRequest(const ApiParams &params, const AccountByKey &lookup, qint64 now,
                            int windowSecs, AccountRow *account);

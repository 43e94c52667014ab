#pragma once

#include "client/Types.h"

#include <QList>

class User;

// Reads for the local copy through User's signed requests, quietly (a failure is left in
// User::errorText, never shown in a box) and without touching the lists User keeps for the
// windows.

// The whole domain list, page by page, with each domain's lines. False when the first page
// failed; complete tells whether every domain the service counts arrived.
bool readAllDomains(User &user, QList<Domain> &domains, bool &complete);

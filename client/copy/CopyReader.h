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

// Every record of a domain, 999 a page; line and line name filled from dm's lines. False when
// any page failed or the pages did not add up to the service's count.
bool readAllRecords(User &user, const Domain &dm, QList<Record> &records);

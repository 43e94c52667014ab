#pragma once

#include "client/Types.h"

#include <QList>

class User;

// The one way to read a domain's whole record list: page after page, 999 records a page, each
// record with its line and line name from dm's lines and dm's name. False, with the reason in
// User::errorText, when a page fails or the pages do not add up to the service's count: a copy,
// an export, a prune, an "identical" check or a batch plan must never act on part of the list.
// quiet keeps network failures out of message boxes. User's own lists are left alone.
bool readWholeRecordList(User &user, const Domain &dm, QList<Record> &records, bool quiet);

// Tells user that the next read is the first page of domainID's list (User::readNext): it goes
// out once the reply to the call in between has arrived.
void readWholeRecordListNext(User &user, int domainID);

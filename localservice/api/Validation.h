#pragma once

#include "localservice/storage/StorageTypes.h"

#include <QSet>
#include <QString>

// Checks of what a client sends, in the words of a real DNS service. Pure functions.

// A refusal: the service's result code and, when the code's usual text does not say enough,
// the text to send instead. code 0 means accepted.
struct Refusal
{
    int code = 0;
    QString message;
};

// The stored form of a domain name: trimmed and in lower case.
QString normaliseDomainName(const QString &name);
// 0, 2023 (longer than 65 bytes) or 2024 (not a domain name). Internationalised names count
// in their ASCII form.
int checkDomainName(const QString &normalisedName);

bool isIPv4(const QString &text);
bool isIPv6(const QString &text);
// A record's host part: "@", or labels of letters, digits, "-" and "_", the first may be "*".
bool isValidHost(const QString &host);
// A target name for CNAME, NS and MX: at least two labels, an optional final dot.
bool isTargetName(const QString &name);

// The six types the service serves, in its spelling; empty when unknown.
QString canonicalRecordType(const QString &type);

constexpr int kMinTtl = 60;
constexpr int kMaxTtl = 604800;
constexpr int kMaxGroupName = 9;

// A record as a client describes it, every field still text.
struct RecordInput
{
    QString host;
    QString type;
    QString value;
    QString ttl;
    QString mx;
    QString viewId;
};

// Checks every field in the service's order and fills out on success. allowedLines holds the
// line ids of the domain's package; typeCode is the code for an unknown type (3001, or 3011
// when a change names the new type).
Refusal checkRecordInput(const RecordInput &in, const QSet<int> &allowedLines, int typeCode,
                         RecordRow *out);

// A group name: non-empty and at most 9 characters.
Refusal checkGroupName(const QString &name);

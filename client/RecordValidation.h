#pragma once

#include <QString>

// What a record editor is about to send, every field as typed. A change sends only its
// non-empty fields (the record keeps the others); a new record leaves an empty host, TTL or MX
// to the service's defaults.
struct RecordDraft
{
    QString host;
    QString type; // the API type string
    QString value;
    QString ttl;
    QString mx;
    bool isNew = false;
};

// The field of a draft a problem is about.
enum class RecordField
{
    None,
    Type,
    Host,
    Value,
    Ttl,
    Mx
};

// Why the service would refuse the draft, in its own words where it has some; empty when the
// draft may be sent. Only what every DNS service refuses is caught here: limits of a package
// (lines, wildcard, the smallest TTL) are left to the service. field, when given, is set to
// the field the problem is about.
QString recordDraftProblem(const RecordDraft &draft, RecordField *field = nullptr);

// Dotted-quad IPv4 address without leading zeros.
bool isIPv4Address(const QString &text);
// IPv6 address in any of its text forms, with an optional dotted-quad tail; no zone.
bool isIPv6Address(const QString &text);
// A record's host part: "@", "*", or labels of letters, digits, "-" and "_" (the first may be
// "*"); names in other scripts count in their ASCII form.
bool isRecordHost(const QString &host);
// A target name of CNAME, MX and NS: at least two labels, optionally ending in a dot, the last
// label not all digits.
bool isRecordTarget(const QString &name);

constexpr int kMaxRecordTtl = 604800;
constexpr int kMaxRecordMx = 65535;
constexpr int kMaxRecordValue = 255;

#pragma once

#include <QByteArray>
#include <QString>

// The comparable forms of names and addresses: two texts that mean the same DNS name or the
// same address normalize to the same form. Pure functions, no state; in a namespace of their
// own, beside the record comparison's normalization, until the two become one.

namespace copynorm {

// A DNS name: surrounding blanks and trailing dots removed, lower case, internationalized
// labels in their ASCII (xn--) form. A name that has no ASCII form is kept in lower case.
QString normalizeName(const QString &name);

// The name a record answers for: host "@" (or empty) is the domain itself.
QString normalizedFullName(const QString &host, const QString &domain);

// normalizedFullName() for the many records of one domain: the domain's part is normalized
// once, and a host already normalized is joined to it without being normalized again.
class DomainNameForm
{
public:
    explicit DomainNameForm(const QString &domain);
    const QString &normalized() const { return m_normalized; }
    // hostNormalized is normalizeName(host).
    QString fullName(const QString &host, const QString &hostNormalized) const;

private:
    QString m_domain;
    QString m_normalized;
    bool m_joinable = false; // joined to a normalized ASCII host, it is the full name's form
};

// A dotted-quad IPv4 address (four decimal parts of 0 to 255) as a number; false otherwise.
bool parseIpv4(const QString &text, quint32 &address);
QString ipv4Text(quint32 address);

// An IPv6 address as its 16 bytes in network order; false for anything else (IPv4, a zone).
bool parseIpv6(const QString &text, QByteArray &address);
// The canonical text of 16 address bytes: lower case, no leading zeros, the longest run of two
// or more zero groups (the first when tied) as "::".
QString ipv6Text(const QByteArray &address);

// What a record's value is compared by.
struct NormalizedValue
{
    QString text;     // canonical address text, normalized name, or the value in lower case
    qint64 ipv4 = -1; // the address as a number, for A records that hold one
    QByteArray ipv6;  // the 16 bytes, for AAAA records that hold one
};
NormalizedValue normalizeValue(const QString &type, const QString &value);

// An address range written as CIDR ("203.0.113.0/24", "2001:db8::/32"); host bits of the
// address are ignored. False with a reason for anything else.
struct AddressRange
{
    bool isV6 = false;
    quint32 v4First = 0;
    quint32 v4Last = 0;
    QByteArray v6First; // 16 bytes each
    QByteArray v6Last;
};
bool looksLikeCidr(const QString &text);
bool parseCidr(const QString &text, AddressRange &range, QString &error);

} // namespace copynorm

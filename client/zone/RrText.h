#pragma once

#include <QString>

#include <ldns/ldns.h>

// Texts of records as ldns holds them, in the service's terms; shared by the zone file reader
// and the check of what the name servers serve.

// A text ldns handed out from malloc(), freed.
QString takeLdnsText(char *text);

// An rdf as ldns prints it; empty for none.
QString rdfText(const ldns_rdf *rdf);

// A name as ldns prints it, with the bytes of UTF-8 labels (which it writes as \DDD) turned
// back into text, without the final dot; other escapes stay, and the service's checks refuse
// them.
QString nameText(const ldns_rdf *rdf);

enum class RrValue
{
    Ok,
    NotUtf8,    // a TXT record whose strings are not UTF-8
    HasNul,     // a TXT record with a NUL byte, which no text can carry
    Unsupported // a type the service does not keep
};

// The value of rr as the service keeps it: an address as text, a target without its final dot,
// an MX target with its priority in mx, the strings of a TXT record joined.
RrValue serviceValueOf(const ldns_rr *rr, QString &value, int &mx);

#pragma once

#include <QString>

// Names as zone files and the service write them. The service keeps hosts relative to the
// domain ("@" for the apex) and targets without the final dot; a zone file wants absolute names
// in their ASCII form.

// The ASCII (punycode) form of a name, lower case, without a final dot: the form two names are
// compared in. Empty when a label cannot be converted.
QString comparableName(const QString &name);

// Whether two names are the same, ignoring letter case, a final dot and the script of a label.
bool sameName(const QString &a, const QString &b);

// The ASCII form of a name, letter case kept, without a final dot; labels that are not ASCII go
// through IDNA. Empty when a label cannot be converted.
QString asciiName(const QString &name);

#pragma once

#include "client/zone/ZoneRecords.h"

#include <QByteArray>
#include <QString>

// Reads a zone file in BIND's master format for domain (its origin unless the file sets an
// absolute $ORIGIN). Records go through ldns; around it our own rules, each fault with the line
// it is on: $INCLUDE, a relative $ORIGIN, records under an $ORIGIN outside the domain and
// classes other than IN make the file unusable (errors); SOA, NS at the apex, types the service
// lacks and a name written in full outside the domain are skipped with their reason. Values are
// not checked here: that is the import plan's job.
ZoneFile parseZoneText(const QByteArray &text, const QString &domain);

// The most records one file may hold (a hundred times what one domain can): reading stops at the
// record past it with an error on its line, so that memory stays bounded however long the file.
constexpr int kMaxZoneRecords = 100000;

// The TTL used by records when the file gives none and has no $TTL: the service's default.
constexpr int kZoneDefaultTtl = 600;

#pragma once

#include <QByteArray>

// Reply bodies shaped like the service's, for the benchmarks.

// A "/api/domain/list/" reply: page (from 1) of an account with total domains, 50 a page.
QByteArray domainPageBody(int page, int total);

// A "/api/record/list/" reply listing count records of a domain that has total.
QByteArray recordListBody(int count, int total);

// A "/api/service/allviews/" reply with every standard line: the carriers with their
// provinces as arrays of line objects, overseas regions and crawlers as id-to-name objects.
QByteArray allViewsBody();

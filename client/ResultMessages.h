#pragma once

#include <QMap>
#include <QString>

// Every result code of the service with its user-facing text, in the service's own words.
QMap<int, QString> buildResultMessages();

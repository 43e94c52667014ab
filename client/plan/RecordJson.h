#pragma once

#include "client/Types.h"

#include <QJsonObject>

// A record as halvik writes it everywhere (halvik-cli's --json, plans, the journal): id, host,
// type, value, lineID, lineName, ttl, mx, state, paused.
QJsonObject recordToJson(const Record &r);

// The record recordToJson wrote; missing members read as empty or 0.
Record recordFromJson(const QJsonObject &o);

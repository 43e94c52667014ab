#pragma once

#include <QByteArray>
#include <QJsonValue>

#include <cstddef>
#include <cstdint>

// One fuzz input as the program would hold it: a copy, so it ends in the zero byte every
// QByteArray the network layer hands over has.
QByteArray fuzzBytes(const uint8_t *data, size_t size);

// What a reader gets from an input: the "data" member of a JSON object that has one, else the
// whole document (object or array); undefined when the input is no JSON document.
QJsonValue fuzzReplyData(const QByteArray &body);

// Ends the run like a crash, naming the property, when it does not hold.
void fuzzCheck(bool holds, const char *property);

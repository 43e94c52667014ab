#pragma once

#include <QString>

#include <functional>

#include <httplib.h>

class FaultTable;
class StopSignal;

using HttpHandler = std::function<void(const httplib::Request &, httplib::Response &)>;

// Answers req with handler, unless a fault set for path changes or replaces the reply.
void respondWithFaults(const httplib::Request &req, httplib::Response &res, const QString &path,
                       FaultTable &faults, StopSignal &stop, const HttpHandler &handler);

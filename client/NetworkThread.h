#pragma once

#include "client/HttpRequest.h"

#include <QtGlobal>

#include <functional>
#include <memory>

// The process's one network thread: every request runs there on libcurl's multi interface,
// with one share of connections, TLS sessions and name lookups, so a later request reuses a
// kept-alive connection. The thread sleeps in curl_multi_poll while it waits: no CPU.
namespace NetworkThread {

// Called once on the network thread with the request's outcome; it must only hand the result
// over (post it), never block.
using Delivery = std::function<void(HttpResult &&)>;

// Queues request and returns its ticket; safe from any thread.
quint64 submit(const HttpRequest &request, Delivery deliver);
// Ends a queued or running request without delivering anything; safe from any thread.
void cancel(quint64 ticket);
// Closes every kept-alive connection and forgets every TLS session (a changed trust, tests).
void forgetConnections();

} // namespace NetworkThread

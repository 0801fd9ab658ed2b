#pragma once

#include <QFuture>
#include <curl/curl.h>

// The system's certificate authorities, read once for the whole process on a thread of their own and
// shared by every new TLS connection: libcurl would otherwise read and parse the whole bundle again
// for each multi handle, on the thread that drives it.
namespace quorvale::systemtrust {

// Starts reading the bundle libcurl would read, unless that has started already; finishes once it is
// read. A request awaits it before its first connection, so that install() never waits on the thread
// that drives libcurl.
QFuture<void> prepare();

// libcurl's CURLOPT_SSL_CTX_FUNCTION: gives a new connection the system's authorities, waiting for
// them while they are still being read. A bundle that cannot be read trusts nothing.
CURLcode install(CURL *easy, void *sslContext, void *);

} // namespace quorvale::systemtrust

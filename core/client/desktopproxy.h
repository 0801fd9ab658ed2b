#pragma once

#include <QByteArray>
#include <QFuture>
#include <QUrl>
#include <chrono>
#include <optional>

// The desktop's proxy setting, read through libproxy on a thread of its own: libproxy may fetch a
// proxy auto-configuration file and wait on it for minutes, or for ever.
namespace quorvale::desktopproxy {

// How long a request waits for the desktop's answer before it goes without it, as browsers do
// when a proxy auto-configuration file cannot be fetched.
inline constexpr std::chrono::milliseconds answerBound{3000};

// The proxy the desktop names for requests to `address`, as libcurl writes it ("http://host:port",
// "socks5h://host:port"), or nothing: where the environment names a proxy for the address (libcurl
// follows that itself), where the desktop has no setting of its own or says to go direct, and where it
// has not answered within `bound`. libproxy is loaded at the first call. Called on a thread with an
// event loop; the future finishes on time whatever libproxy does.
QFuture<std::optional<QUrl>> lookup(const QUrl &address, std::chrono::milliseconds bound = answerBound);

// The proxy the environment names for requests to `address`, as libcurl reads it, or nothing. libcurl
// reads http_proxy in lower case only: a web server may set HTTP_PROXY from a request's header.
QByteArray environmentProxy(const QUrl &address);

// The hosts libcurl reaches without a proxy: loopback always, and those the environment's no_proxy
// lists.
QByteArray directHosts();

} // namespace quorvale::desktopproxy

// Copyright Tavolin developers.
//
// The defence against forged requests. A visitor's session gets a token of
// its own at the login; every page of that session that leads to a change
// carries it as <meta name='csrf-token' content='…'>, its forms send it back
// as the field "token", and a POST of the session without it changes
// nothing. A POST whose Origin names another site is refused as well, so a
// page elsewhere can neither act for a visitor nor log one in.
//
// Thread safety: pure functions.

#ifndef TAVOLIN_SERVER_FORGERY_GUARD_H_
#define TAVOLIN_SERVER_FORGERY_GUARD_H_

#include <string>
#include <string_view>

#include "server/http_message.h"

namespace tavolin::server {

// The form field and the session value that hold the token.
inline constexpr std::string_view kTokenField = "token";

// False when the request names an origin (scheme, host and port of the page
// that sent it) other than the host it was sent to, as the Host header or a
// balancer's X-Forwarded-Host says; true when it names none (clients other
// than browsers, and older browsers, send no Origin).
bool FromOwnOrigin(const HttpRequest& request);

// Whether the request is a navigation from a page of this site: the
// browser's Sec-Fetch-Site says "same-origin", or, from a browser that sends
// none, the Referer names this host. A page that acts by itself on load (the
// close page of the chat window) does so only then, so that another site
// cannot open it under a chosen window name and have it act.
bool FromOwnPage(const HttpRequest& request);

// `html` with the token's meta element right after its "<head>", which must
// open the page (after a doctype and "<html>" at most); unchanged otherwise: the script
// answers of the hidden frames have none, and a "<head>" further on is text
// of the page (a chat line), not its head.
std::string WithTokenMeta(std::string html, std::string_view token);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_FORGERY_GUARD_H_

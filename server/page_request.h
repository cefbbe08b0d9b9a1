// Copyright Tavolin developers.
//
// Turns an HTTP request into the engine's Request: the query string, the
// urlencoded form body and the cookies, each value converted from the wire's
// GBK to UTF-8 (in form and query values the references a browser writes for
// characters GBK lacks become those characters), and the server variables
// the engine reads.

#ifndef TAVOLIN_SERVER_PAGE_REQUEST_H_
#define TAVOLIN_SERVER_PAGE_REQUEST_H_

#include "server/http_message.h"
#include "tavolin/request.h"

namespace tavolin::server {

// REMOTE_ADDR is the peer address; HTTP_VIA and HTTP_X_FORWARDED_FOR are the
// request's Via and X-Forwarded-For headers (absent when not sent);
// REQUEST_METHOD, PATH_INFO and QUERY_STRING are set too.
MemoryRequest ToPageRequest(const HttpRequest& http);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_PAGE_REQUEST_H_

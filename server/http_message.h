// Copyright Tavolin developers.
//
// The server's view of one HTTP exchange, free of the network library, so
// that pages are plain functions from a request to a response.

#ifndef TAVOLIN_SERVER_HTTP_MESSAGE_H_
#define TAVOLIN_SERVER_HTTP_MESSAGE_H_

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavolin::server {

struct HttpRequest {
  std::string method;  // "GET", "POST", ...
  std::string target;  // path and query as sent
  // Header fields by lower-case name; repeated fields joined with ", ".
  std::map<std::string, std::string> headers;
  std::string body;
  std::string peer_address;

  // The header's value, "" when absent. `name` must be lower case.
  std::string Header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
  }
};

struct HttpResponse {
  int status = 200;
  std::string content_type = "text/html; charset=gb2312";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // extra fields
};

// Answers one request. Called on a server thread; must be thread-safe.
using HttpHandler = std::function<HttpResponse(const HttpRequest&)>;

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_HTTP_MESSAGE_H_

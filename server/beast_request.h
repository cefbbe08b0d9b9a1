// Copyright Tavolin developers.
//
// The server's view of a request Beast has parsed: the one conversion from
// the network library's message to HttpRequest.

#ifndef TAVOLIN_SERVER_BEAST_REQUEST_H_
#define TAVOLIN_SERVER_BEAST_REQUEST_H_

#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cctype>
#include <string>

#include "server/http_message.h"

namespace tavolin::server {

// Header names are lower-cased and repeated fields joined with ", ".
inline HttpRequest ToHttpRequest(
    const boost::beast::http::request<boost::beast::http::string_body>& request,
    std::string peer_address) {
  HttpRequest in;
  in.method = std::string(request.method_string());
  in.target = std::string(request.target());
  for (const auto& field : request) {
    std::string name(field.name_string());
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string& value = in.headers[name];
    if (!value.empty()) value += ", ";
    value.append(field.value().data(), field.value().size());
  }
  in.body = request.body();
  in.peer_address = std::move(peer_address);
  return in;
}

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_BEAST_REQUEST_H_

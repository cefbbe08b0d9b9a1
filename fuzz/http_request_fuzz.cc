// Copyright Tavolin developers.
//
// The server's request path on raw bytes: Beast's request parser with the
// server's default limits, then the request as the pages receive it (query,
// form body and cookies decoded and converted). No network is involved.

#include <boost/beast/core/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <string>

#include "fuzz/fuzz_input.h"
#include "server/beast_request.h"
#include "server/http_server.h"
#include "server/page_request.h"

namespace tavolin::server {

namespace http = boost::beast::http;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const HttpServer::Options limits;
  http::request_parser<http::string_body> parser;
  parser.header_limit(static_cast<std::uint32_t>(limits.header_limit));
  parser.body_limit(limits.body_limit);
  parser.eager(true);
  boost::beast::error_code ec;
  parser.put(boost::asio::buffer(data, size), ec);
  if (!ec && !parser.is_done()) parser.put_eof(ec);
  if (ec || !parser.is_done()) return 0;

  const HttpRequest in = ToHttpRequest(parser.get(), "127.0.0.1");
  fuzz::Check(in.body.size() <= limits.body_limit, "the body limit holds");

  ToPageRequest(in);
  return 0;
}

}  // namespace tavolin::server

// Copyright Tavolin developers.

#include "testing/http_test_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "server/url_codec.h"
#include "text/gbk.h"

namespace tavolin::testing {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

std::string HttpTestResponse::Utf8Body() const { return text::GbkToUtf8(body); }

HttpTestResponse HttpTestClient::Get(const std::string& target) {
  return Send("GET", target, "", "");
}

HttpTestResponse HttpTestClient::Post(const std::string& target,
                                      const std::map<std::string, std::string>& form) {
  std::string body;
  for (const auto& [name, value] : form) {
    if (!body.empty()) body += '&';
    body += server::PercentEncode(name) + "=" + server::PercentEncode(text::Utf8ToGbk(value));
  }
  return Send("POST", target, body, "application/x-www-form-urlencoded");
}

HttpTestResponse HttpTestClient::Send(const std::string& method, const std::string& target,
                                      const std::string& body, const std::string& content_type) {
  net::io_context ioc;
  beast::tcp_stream stream(ioc);
  stream.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port_));
  http::request<http::string_body> request(http::string_to_verb(method), target, 11);
  request.set(http::field::host, "127.0.0.1");
  std::string cookie_header;
  for (const auto& [name, value] : cookies_) {
    if (!cookie_header.empty()) cookie_header += "; ";
    cookie_header += name + "=" + value;
  }
  if (!cookie_header.empty()) request.set(http::field::cookie, cookie_header);
  if (!content_type.empty()) request.set(http::field::content_type, content_type);
  request.body() = body;
  request.prepare_payload();
  http::write(stream, request);

  beast::flat_buffer buffer;
  http::response_parser<http::string_body> parser;
  parser.body_limit(64 * 1024 * 1024);
  http::read(stream, buffer, parser);
  const auto& response = parser.get();
  HttpTestResponse result;
  result.status = static_cast<int>(response.result_int());
  for (const auto& field : response) {
    std::string name(field.name_string());
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string value(field.value());
    result.headers[name] = value;
    if (name == "set-cookie") {
      const size_t equals = value.find('=');
      const size_t end = value.find(';');
      const std::string cookie_name = value.substr(0, equals);
      const std::string cookie_value = value.substr(equals + 1, end - equals - 1);
      if (cookie_value.empty()) {
        cookies_.erase(cookie_name);
      } else {
        cookies_[cookie_name] = cookie_value;
      }
    }
  }
  result.body = response.body();
  beast::error_code ec;
  stream.socket().shutdown(tcp::socket::shutdown_both, ec);
  return result;
}

std::string HttpTestClient::SendRaw(const std::string& raw) {
  net::io_context ioc;
  tcp::socket socket(ioc);
  socket.connect(tcp::endpoint(net::ip::make_address("127.0.0.1"), port_));
  beast::error_code ec;
  // The server may refuse and stop reading before all of `raw` is sent.
  net::write(socket, net::buffer(raw), ec);
  socket.shutdown(tcp::socket::shutdown_send, ec);
  std::string answer;
  char chunk[4096];
  for (;;) {
    const size_t got = socket.read_some(net::buffer(chunk), ec);
    if (ec) break;
    answer.append(chunk, got);
  }
  return answer;
}

}  // namespace tavolin::testing

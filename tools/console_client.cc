// Copyright Tavolin developers.

#include "tools/console_client.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/core/detail/base64.hpp>
#include <boost/beast/http.hpp>
#include <chrono>
#include <stdexcept>

#include "server/chat_site.h"
#include "server/url_codec.h"

namespace tavolin::tools {

namespace {

namespace http = boost::beast::http;

std::string Base64(std::string_view text) {
  std::string out(boost::beast::detail::base64::encoded_size(text.size()), '\0');
  out.resize(boost::beast::detail::base64::encode(out.data(), text.data(), text.size()));
  return out;
}

constexpr std::string_view kTokenMeta = "name='csrf-token' content='";

}  // namespace

ConsoleClient::ConsoleClient(std::string_view server, std::string password)
    : authorization_("Basic " + Base64("admin:" + password)) {
  if (server.starts_with("http://")) server.remove_prefix(7);
  while (server.ends_with('/')) server.remove_suffix(1);
  const size_t colon = server.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == server.size() ||
      server.find_first_of("/?#") != std::string_view::npos) {
    throw std::runtime_error("--server wants http://HOST:PORT, not " + std::string(server));
  }
  host_ = server.substr(0, colon);
  port_ = server.substr(colon + 1);
}

ConsoleClient::Answer ConsoleClient::Send(std::string_view method, std::string_view target,
                                          const std::string& body) {
  boost::asio::io_context ioc;
  boost::beast::tcp_stream stream(ioc);
  http::request<http::string_body> request(method == "POST" ? http::verb::post : http::verb::get,
                                           std::string(target), 11);
  request.set(http::field::host, host_ + ":" + port_);
  request.set(http::field::authorization, authorization_);
  if (!body.empty()) request.set(http::field::content_type, "application/x-www-form-urlencoded");
  request.body() = body;
  request.prepare_payload();
  boost::beast::flat_buffer buffer;
  http::response<http::string_body> response;
  // The stream's time limit holds for asynchronous operations only: a server
  // that stops answering ends the command instead of hanging it.
  boost::beast::error_code failure;
  const auto failed = [&failure](boost::beast::error_code ec) {
    failure = ec;
    return static_cast<bool>(ec);
  };
  stream.expires_after(std::chrono::seconds(30));
  stream.async_connect(
      boost::asio::ip::tcp::resolver(ioc).resolve(host_, port_),
      [&](boost::beast::error_code ec, const auto&) {
        if (failed(ec)) return;
        http::async_write(stream, request, [&](boost::beast::error_code ec, size_t) {
          if (failed(ec)) return;
          http::async_read(stream, buffer, response,
                           [&](boost::beast::error_code ec, size_t) { failed(ec); });
        });
      });
  ioc.run();
  if (failure) {
    throw std::runtime_error("no answer from " + host_ + ":" + port_ + ": " + failure.message());
  }
  const auto outcome = response.find(std::string(server::kConsoleOutcomeHeader));
  return {static_cast<int>(response.result_int()), std::move(response.body()),
          outcome == response.end() ? ""
                                    : server::PercentDecode(std::string_view(
                                          outcome->value().data(), outcome->value().size()))};
}

ConsoleReply ConsoleClient::Post(std::string_view path,
                                 const std::map<std::string, std::string>& form) {
  if (token_.empty()) {
    const Answer home = Send("GET", "/admin/", "");
    if (home.status != 200) {
      throw std::runtime_error("the server's console answered " + std::to_string(home.status) +
                               (home.status == 401 ? " (check TAVOLIN_ADMIN_PASSWORD)" : ""));
    }
    const size_t at = home.body.find(kTokenMeta);
    const size_t end = at == std::string::npos ? at : home.body.find('\'', at + kTokenMeta.size());
    if (end == std::string::npos) throw std::runtime_error("the console's page carries no token");
    token_ = home.body.substr(at + kTokenMeta.size(), end - at - kTokenMeta.size());
  }
  std::string body = "token=" + server::PercentEncode(token_);
  for (const auto& [name, value] : form) {
    body += "&" + server::PercentEncode(name) + "=" + server::PercentEncode(value);
  }
  const Answer answer = Send("POST", path, body);
  if (answer.outcome.empty() && answer.status != 200) {
    throw std::runtime_error("the server's console answered " + std::to_string(answer.status));
  }
  return {answer.status == 200, answer.outcome};
}

}  // namespace tavolin::tools

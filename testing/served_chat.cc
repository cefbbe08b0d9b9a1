// Copyright Tavolin developers.

#include "testing/served_chat.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/http.hpp>
#include <fstream>
#include <stdexcept>

#include "server/url_codec.h"
#include "text/gbk.h"
#include "text/strings.h"

namespace tavolin::testing {

namespace http = boost::beast::http;
namespace net = boost::asio;

std::string HttpTestResponse::Utf8Body() const { return text::GbkToUtf8(body); }

HttpTestResponse HttpTestClient::Post(const std::string& target,
                                      const std::map<std::string, std::string>& form) {
  std::map<std::string, std::string> fields = form;
  if (!token_.empty()) fields.emplace("token", token_);  // a form's own "token" stays
  std::string body;
  for (const auto& [name, value] : fields) {
    body += (body.empty() ? "" : "&") + server::PercentEncode(name) + "=" +
            server::PercentEncode(utf8_forms_ ? value : text::Utf8ToGbk(value));
  }
  return Send("POST", target, body);
}

HttpTestResponse HttpTestClient::Send(const std::string& method, const std::string& target,
                                      const std::string& body) {
  std::string cookies, request = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  for (const auto& [name, value] : cookies_) cookies += name + "=" + value + "; ";
  if (!cookies.empty()) request += "Cookie: " + cookies + "\r\n";
  for (const auto& [name, value] : headers_) {
    if (!value.empty()) request += name + ": " + value + "\r\n";
  }
  if (method == "POST") request += "Content-Type: application/x-www-form-urlencoded\r\n";
  const std::string answer = SendRaw(request + "Content-Length: " + std::to_string(body.size()) +
                                     "\r\nConnection: close\r\n\r\n" + body);
  http::response_parser<http::string_body> parser;
  parser.eager(true);
  boost::beast::error_code ec;
  parser.put(net::buffer(answer), ec);
  if (!ec && !parser.is_done()) parser.put_eof(ec);
  if (ec) throw std::runtime_error(target + ": no answer that parses: " + answer);
  HttpTestResponse result{static_cast<int>(parser.get().result_int()), {}, parser.get().body()};
  for (const auto& field : parser.get()) {
    const std::string value(field.value());
    result.headers[text::AsciiLower(std::string(field.name_string()))] = value;
    if (field.name() != http::field::set_cookie) continue;
    // name=value; attributes...: an empty value drops the cookie.
    const size_t equals = value.find('='), end = value.find(';');
    cookies_[value.substr(0, equals)] = value.substr(equals + 1, end - equals - 1);
    std::erase_if(cookies_, [](const auto& cookie) { return cookie.second.empty(); });
  }
  // The token of the session, as the pages carry it for their forms.
  static constexpr std::string_view kMeta = "<meta name='csrf-token' content='";
  if (const size_t meta = result.body.find(kMeta); meta != std::string::npos) {
    const size_t start = meta + kMeta.size();
    token_ = result.body.substr(start, result.body.find('\'', start) - start);
  }
  return result;
}

std::string HttpTestClient::SendRaw(const std::string& raw) {
  net::io_context ioc;
  net::ip::tcp::socket socket(ioc);
  socket.connect({net::ip::make_address("127.0.0.1"), port_});
  boost::system::error_code ec;
  // The server may refuse and stop reading before all of `raw` is sent.
  net::write(socket, net::buffer(raw), ec);
  socket.shutdown(net::ip::tcp::socket::shutdown_send, ec);
  std::string answer;
  for (char chunk[4096]; !ec;) answer.append(chunk, socket.read_some(net::buffer(chunk), ec));
  return answer;
}

static std::filesystem::path MakeSite() {
  const auto folder =
      std::filesystem::temp_directory_path() / ("tavolin-site-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "input.htm") << "<head></head><p>说点什么</p>";
  return folder;
}

ServedChat::ServedChat(std::string admin_password, size_t max_sessions,
                       std::string connection_string)
    : connection_string_(connection_string.empty() ? database_.connection_string()
                                                   : std::move(connection_string)),
      clock_(TestStartTime()),
      site_folder_(MakeSite()),
      site_(application_, &clock_,
            {"", std::move(admin_password), site_folder_.string(), max_sessions, ""}),
      server_({.port = 0, .threads = 2}, [this](const server::HttpRequest& r,
                                                server::Responder& out) { site_.Handle(r, out); }) {
  server_.OnStop([this] { site_.EndWaits(); });
  site_.Start(connection_string_);
  server_.Start();
}

ServedChat::~ServedChat() {
  server_.Stop();
  std::filesystem::remove_all(site_folder_);
}

HttpTestResponse ServedChat::Login(HttpTestClient& client, const std::string& name,
                                   const std::string& room, std::string password) {
  if (password.empty()) password = "pw" + name;
  client.Get("/");
  return client.Post("/login.asp",
                     {{"sUserName", name}, {"sPass", password}, {"bSex", "1"}, {"room_id", room}});
}

HttpTestClient& ServedChat::Visitor(const std::string& name) {
  auto& client = visitors_[name];
  if (client) return *client;
  client = std::make_unique<HttpTestClient>(port());
  const std::string entered = Login(*client, name).Utf8Body();
  EXPECT_NE(entered.find("location.replace('chat.asp')"), std::string::npos) << name << entered;
  return *client;
}

std::string ServedChat::Page(const std::string& name, const std::string& target,
                             const std::map<std::string, std::string>& form) {
  auto& client = Visitor(name);
  return (form.empty() ? client.Get(target) : client.Post(target, form)).Utf8Body();
}

Connection& ServedChat::db() {
  if (!db_) db_ = OpenConnection(connection_string_, &clock_);
  return *db_;
}

}  // namespace tavolin::testing

// Copyright Tavolin developers.
//
// HTTP tests on loopback: a blocking client that keeps cookies as a browser
// does, and the chat served on a free port, on a seeded database of its own,
// with a site folder of one static file; torn down whatever happens.

#ifndef TAVOLIN_TESTING_SERVED_CHAT_H_
#define TAVOLIN_TESTING_SERVED_CHAT_H_

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "server/chat_site.h"
#include "server/http_server.h"
#include "tavolin/application.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "testing/chat_test_env.h"

namespace tavolin::testing {

struct HttpTestResponse {
  int status = 0;
  std::map<std::string, std::string> headers;  // lower-case names
  std::string body;                            // bytes as sent (GBK for pages)
  std::string Utf8Body() const;                // the body converted from GBK
};

class HttpTestClient {
 public:
  explicit HttpTestClient(uint16_t port) : port_(port) {}

  // Each call opens a connection, sends one request and reads the answer.
  HttpTestResponse Get(const std::string& target) { return Send("GET", target, ""); }
  // Posts `form` (name=value pairs, values UTF-8; sent GBK percent-encoded)
  // with the field "token" of the last page that carried one, as a browser's
  // forms do, unless `form` has its own.
  HttpTestResponse Post(const std::string& target, const std::map<std::string, std::string>& form);
  // Sends `raw` bytes as they are and returns what comes back ("" when the
  // server closes without an answer).
  std::string SendRaw(const std::string& raw);
  // A header the requests carry from now on, as a browser's do (Origin,
  // Authorization, Sec-Fetch-Site ...); "" for none.
  void set_header(const std::string& name, std::string value) { headers_[name] = std::move(value); }
  void set_origin(std::string origin) { set_header("Origin", std::move(origin)); }
  void set_authorization(std::string value) { set_header("Authorization", std::move(value)); }
  // Whether form values go out as UTF-8 (the admin console's pages) rather
  // than GBK.
  void set_utf8_forms(bool utf8) { utf8_forms_ = utf8; }
  const std::string& token() const { return token_; }
  // Sends the next requests to another port of loopback, cookies kept.
  void set_port(uint16_t port) { port_ = port; }

 private:
  HttpTestResponse Send(const std::string& method, const std::string& target,
                        const std::string& body);

  uint16_t port_;
  std::map<std::string, std::string> cookies_;
  std::string token_;
  std::map<std::string, std::string> headers_;
  bool utf8_forms_ = false;
};

class ServedChat {
 public:
  // On `connection_string`'s database when one is given, else on a
  // ChatDatabase of its own.
  explicit ServedChat(std::string admin_password = "secret",
                      size_t max_sessions = server::ChatSite::Options{}.max_sessions,
                      std::string connection_string = "");
  ~ServedChat();

  uint16_t port() const { return server_.port(); }
  Application& app() { return application_; }
  server::ChatSite& site() { return site_; }
  ManualClockEnv& clock() { return clock_; }
  // Stops the server (answering what waits) while the visitors' clients stay.
  void Stop() { server_.Stop(); }

  // Logs `name` in through the login form (with the password "pw" + name
  // unless one is given); returns the login page's answer.
  HttpTestResponse Login(HttpTestClient& client, const std::string& name,
                         const std::string& room = "1", std::string password = "");
  // The browser of `name`, logged in with Login on first use.
  HttpTestClient& Visitor(const std::string& name);
  // A page of `name`'s browser as UTF-8: a GET without a form, else a POST.
  std::string Page(const std::string& name, const std::string& target,
                   const std::map<std::string, std::string>& form = {});

  // A connection of the test's own to the chat's database.
  Connection& db();
  // The first row's column "v" of `query`, as text.
  std::string Value(const std::string& query) { return db().Execute(query)->Field("v").ToText(); }
  // Column "v" of every row of `query`, joined by `separator`.
  std::string Joined(std::string_view query, std::string_view separator = ",") {
    return JoinedValues(db(), query, separator);
  }

 private:
  ChatDatabase database_;
  std::string connection_string_;
  ManualClockEnv clock_;
  Application application_;
  std::filesystem::path site_folder_;
  server::ChatSite site_;
  server::HttpServer server_;
  std::map<std::string, std::unique_ptr<HttpTestClient>> visitors_;
  std::unique_ptr<Connection> db_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_SERVED_CHAT_H_

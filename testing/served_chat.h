// Copyright Tavolin developers.
//
// The chat served for real on a free port, on a seeded database of its own,
// with a site folder holding one static file; torn down whatever happens.
// For HTTP-level tests of the site's pages.

#ifndef TAVOLIN_TESTING_SERVED_CHAT_H_
#define TAVOLIN_TESTING_SERVED_CHAT_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "server/chat_site.h"
#include "server/http_server.h"
#include "tavolin/application.h"
#include "tavolin/env.h"
#include "testing/chat_test_env.h"
#include "testing/http_test_client.h"

namespace tavolin::testing {

class ServedChat {
 public:
  explicit ServedChat(std::string admin_password = "secret");
  ~ServedChat();

  uint16_t port() const { return server_.port(); }
  Application& app() { return application_; }
  server::ChatSite& site() { return site_; }
  ManualClockEnv& clock() { return clock_; }
  const TempDatabase& database() const { return database_; }

  // Logs `name` in through the login form with the password "pw" + name;
  // returns the login page's answer.
  HttpTestResponse Login(HttpTestClient& client, const std::string& name,
                         const std::string& room = "1");
  // The same with a password of the caller's choice.
  HttpTestResponse LoginWith(HttpTestClient& client, const std::string& name,
                             const std::string& password, const std::string& room = "1");

 private:
  std::string MakeSite();

  TempDatabase database_;
  ManualClockEnv clock_;
  Application application_;
  std::filesystem::path site_folder_;
  server::ChatSite site_;
  server::HttpServer server_;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_SERVED_CHAT_H_

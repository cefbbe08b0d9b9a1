// Copyright Tavolin developers.

#include "testing/served_chat.h"

#include <unistd.h>

#include <fstream>

namespace tavolin::testing {

namespace {

server::HttpServer::Options ServerOptions() {
  server::HttpServer::Options options;
  options.port = 0;
  options.threads = 2;
  return options;
}

}  // namespace

ServedChat::ServedChat(std::string admin_password)
    : clock_(DateTime::FromCivil(2026, 3, 4, 10, 0, 0)),
      site_folder_(std::filesystem::temp_directory_path() /
                   ("tavolin-site-" + std::to_string(::getpid()))),
      site_(application_, &clock_, {"", std::move(admin_password), MakeSite()}),
      server_(ServerOptions(), [this](const server::HttpRequest& r) { return site_.Handle(r); }) {
  site_.Start(database_.connection_string());
  server_.Start();
}

ServedChat::~ServedChat() {
  server_.Stop();
  std::filesystem::remove_all(site_folder_);
}

HttpTestResponse ServedChat::Login(HttpTestClient& client, const std::string& name,
                                   const std::string& room) {
  return LoginWith(client, name, "pw" + name, room);
}

HttpTestResponse ServedChat::LoginWith(HttpTestClient& client, const std::string& name,
                                       const std::string& password, const std::string& room) {
  client.Get("/");
  return client.Post("/login.asp",
                     {{"sUserName", name}, {"sPass", password}, {"bSex", "1"}, {"room_id", room}});
}

std::string ServedChat::MakeSite() {
  std::filesystem::create_directories(site_folder_);
  std::ofstream(site_folder_ / "input.htm") << "<p>说点什么</p>";
  return site_folder_.string();
}

}  // namespace tavolin::testing

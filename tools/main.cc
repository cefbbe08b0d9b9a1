// Copyright Tavolin developers.
//
// The tavolin command:
//   tavolin call [--filter TEXT] METHOD [ARG...]
//       calls one of Corvane's methods that take no host objects with the
//       given texts as its arguments and prints the result (UTF-8, no added
//       newline). Page authors and operators use it to check a text by hand.
//   tavolin serve [OPTIONS]
//       runs the chat server (see tavolin serve --help).
//   tavolin load [CONNECTION]
//       opens (creating it on first use) the chat database, by default the
//       one tavolin serve uses, runs the start-up load, checks the settings
//       and prints what it loaded.
//   tavolin admin [--db CONNECTION] [--server URL] COMMAND
//       the operator's console for scripts (see tavolin admin --help).
//   tavolin migrate [--replace] sqlite:PATH postgresql://...
//       copies a SQLite chat into a PostgreSQL database.

#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "component/live_state.h"
#include "component/settings_check.h"
#include "server/serve.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"
#include "tavolin/error.h"
#include "tools/admin_command.h"
#include "tools/migrate_command.h"

namespace {

int Usage() {
  std::cerr << "usage: tavolin serve [--help] [OPTIONS]\n"
               "       tavolin call [--filter TEXT] METHOD [ARG...]\n"
               "       tavolin load [CONNECTION]   (default "
            << tavolin::kDefaultConnectionString
            << ")\n"
               "       tavolin admin [--help] [--db CONNECTION] [--server URL] COMMAND\n"
               "       tavolin migrate [--replace] sqlite:PATH postgresql://...\n";
  return 2;
}

int Call(std::vector<std::string_view> words) {
  auto object = tavolin::CreateObject("Tavolin.Corvane");
  if (words.size() >= 2 && words[0] == "--filter") {
    object->SetFilterStr(tavolin::Variant(words[1]));
    words.erase(words.begin(), words.begin() + 2);
  }
  if (words.empty()) return Usage();
  std::vector<tavolin::Variant> args(words.begin() + 1, words.end());
  std::cout << tavolin::CallByName(*object, words[0], args).ToText() << std::flush;
  return 0;
}

int Load(std::string_view connection) {
  tavolin::Application application;
  application.Set("_connstr", tavolin::Variant(connection));
  auto object = tavolin::CreateObject("Tavolin.Corvane");
  object->InitGlobal(application);
  tavolin::CheckSettings(application, "");
  std::cout << "Tavolin " << object->GetVer().ToText() << ": " << connection << " loaded, "
            << tavolin::LiveStateOf(application, "")->RoomKeys().size() << " rooms, say ring of "
            << application.Get("_says").array().upper_bound(1) + 1 << " lines, "
            << application.Get("_autosay_count").ToText() << " robot answers\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> words(argv + 1, argv + argc);
  if (words.empty()) return Usage();
  const std::string_view command = words.front();
  words.erase(words.begin());
  try {
    if (command == "serve") {
      return tavolin::server::Serve(argv[0], std::vector<std::string>(words.begin(), words.end()));
    }
    if (command == "call") return Call(words);
    if (command == "admin") return tavolin::tools::Admin(words);
    if (command == "migrate") return tavolin::tools::Migrate(words);
    if (command == "load" && words.size() <= 1) {
      return Load(words.empty() ? tavolin::kDefaultConnectionString : words[0]);
    }
  } catch (const tavolin::CallError& e) {
    std::cerr << "tavolin: error " << static_cast<int>(e.code()) << ": " << e.what() << '\n';
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "tavolin: " << e.what() << '\n';
    return 1;
  }
  return Usage();
}

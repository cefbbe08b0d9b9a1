// Copyright Tavolin developers.

#include "tools/admin_command.h"

#include <cstdlib>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "component/list_record.h"
#include "console/console_pages.h"
#include "console/room_operations.h"
#include "console/user_operations.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"
#include "tools/console_client.h"

namespace tavolin::tools {

namespace {

const std::string kHelp = std::string(
                              "usage: tavolin admin [--db CONNECTION] [--server URL] COMMAND\n"
                              "  rooms                               list the rooms\n"
                              "  room add NAME [FIELD=VALUE...]      open a room\n"
                              "  room set ID FIELD=VALUE...          change a room\n"
                              "  room delete ID                      close a room (its visitors "
                              "go to the first room)\n"
                              "      FIELD: name owner robot description top title permit_level "
                              "door_open keep experience\n"
                              "  user show NAME                      a user's row\n"
                              "  user set-level NAME LEVEL\n"
                              "  user kick NAME UNTIL                kept out until then "
                              "(YYYY-MM-DD[ HH:MM])\n"
                              "  user freeze NAME [UNTIL]            frozen until then, or for "
                              "ever\n"
                              "  user unfreeze NAME                  lifts a kick or a freeze\n"
                              "  user reset-password NAME            prints the new password\n"
                              "  lock add ADDRESS UNTIL [LEVEL]      lock an address or prefix; "
                              "LEVEL and above may still enter\n"
                              "  lock remove ID\n"
                              "  set KEY VALUE                       change a setting (checked "
                              "as at start-up)\n"
                              "--db names the database (default ") +
                          std::string(kDefaultConnectionString) +
                          "). Without --server a change goes to the\n"
                          "database only: a running server learns of it at its next start. With\n"
                          "--server http://HOST:PORT the change is made by that server's console\n"
                          "(admin password from TAVOLIN_ADMIN_PASSWORD), in its database and its\n"
                          "live chat at once. rooms and user show read the database of --db.\n"
                          "Exit code: 0 done, 1 refused or failed, 2 usage.\n";

int Usage(std::string_view why) {
  std::cerr << "tavolin admin: " << why << '\n' << kHelp;
  return 2;
}

using Form = std::map<std::string, std::string>;

// A console form: the page it is posted to and its fields.
struct ConsoleForm {
  std::string page;
  Form fields;
};

// The room fields a command may set, with their place in a room record.
constexpr std::pair<std::string_view, int> kRoomFields[] = {
    {"name", room_field::kName},
    {"owner", room_field::kOwner},
    {"robot", room_field::kRobot},
    {"description", room_field::kDescription},
    {"top", room_field::kTop},
    {"title", room_field::kTitle},
    {"permit_level", room_field::kPermitLevel},
    {"door_open", room_field::kDoorOpen},
    {"keep", room_field::kKeep},
    {"experience", room_field::kExperience},
};

// The chat's state as a start of the server loads it from the database.
struct LoadedChat {
  explicit LoadedChat(const std::string& connection) {
    app.Set("_connstr", Variant(connection));
    CreateObject("Tavolin.Corvane")->InitGlobal(app);
  }
  Application app;
  console::ConsoleContext context{app, "", Env::Default()};
};

// Sets the FIELD=VALUE words in `form`; false for an unknown field.
bool SetRoomFields(const std::vector<std::string_view>& words, Form& form) {
  for (const std::string_view word : words) {
    const size_t equals = word.find('=');
    const std::string_view name = word.substr(0, equals);
    bool known = false;
    for (const auto& [field, index] : kRoomFields) known = known || field == name;
    if (equals == std::string_view::npos || !known) return false;
    form[std::string(name)] = word.substr(equals + 1);
  }
  return true;
}

int ListRooms(const std::string& connection) {
  LoadedChat chat(connection);
  for (const console::RoomView& room : console::ListRooms(chat.context)) {
    std::cout << room.record.key();
    for (const auto& [field, index] : kRoomFields) {
      std::cout << '\t' << field << '=' << room.record.field(index);
    }
    std::cout << '\n';
  }
  return 0;
}

int ShowUser(const std::string& connection, std::string_view name) {
  LoadedChat chat(connection);
  const std::optional<console::UserView> user = console::ShowUser(chat.context, name);
  if (!user) {
    std::cerr << "tavolin admin: no user " << name << '\n';
    return 1;
  }
  std::cout << "name\t" << user->name << "\nlevel\t" << user->level << "\ntemp_level\t"
            << user->temp_level << "\nstanding\t" << user->standing << "\nuntil\t" << user->until
            << "\nfirst_ip\t" << user->first_ip << "\nlast_ip\t" << user->last_ip << "\nvisits\t"
            << user->visits << "\nregistered\t" << user->registered << "\nlast_login\t"
            << user->last_login << '\n';
  return 0;
}

// The form of a changing command, or nothing (with `why` set) for a usage error.
std::optional<ConsoleForm> FormOf(const std::vector<std::string_view>& w, std::string& why) {
  const size_t n = w.size();
  const auto is = [&](std::string_view first, std::string_view second, size_t low, size_t high) {
    return n >= low && n <= high && w[0] == first && (second.empty() || w[1] == second);
  };
  const auto s = [&](size_t i) { return std::string(i < n ? w[i] : ""); };
  if (is("room", "add", 3, 99)) {
    Form form = {{"do", "create"},   {"name", s(2)}, {"permit_level", "0"},
                 {"door_open", "1"}, {"keep", "0"},  {"experience", "0"}};
    if (SetRoomFields({w.begin() + 3, w.end()}, form)) return ConsoleForm{"/admin/rooms.asp", form};
  } else if (is("room", "set", 4, 99)) {
    // The fields not named keep the values the server (or the database) has.
    Form form = {{"do", "edit"}, {"id", s(2)}};
    if (SetRoomFields({w.begin() + 3, w.end()}, form)) return ConsoleForm{"/admin/rooms.asp", form};
  } else if (is("room", "delete", 3, 3)) {
    return ConsoleForm{"/admin/rooms.asp", {{"do", "delete"}, {"id", s(2)}}};
  } else if (is("user", "set-level", 4, 4)) {
    return ConsoleForm{"/admin/users.asp", {{"do", "level"}, {"user", s(2)}, {"level", s(3)}}};
  } else if (is("user", "kick", 4, 4)) {
    return ConsoleForm{"/admin/users.asp", {{"do", "kick"}, {"user", s(2)}, {"until", s(3)}}};
  } else if (is("user", "freeze", 3, 4)) {
    return ConsoleForm{
        "/admin/users.asp",
        {{"do", n == 4 ? "freeze" : "freeze_forever"}, {"user", s(2)}, {"until", s(3)}}};
  } else if (is("user", "unfreeze", 3, 3)) {
    return ConsoleForm{"/admin/users.asp", {{"do", "lift"}, {"user", s(2)}}};
  } else if (is("user", "reset-password", 3, 3)) {
    return ConsoleForm{"/admin/users.asp", {{"do", "password"}, {"user", s(2)}}};
  } else if (is("lock", "add", 4, 5)) {
    return ConsoleForm{
        "/admin/locks.asp",
        {{"do", "add"}, {"address", s(2)}, {"until", s(3)}, {"level", n == 5 ? s(4) : "0"}}};
  } else if (is("lock", "remove", 3, 3)) {
    return ConsoleForm{"/admin/locks.asp", {{"do", "remove"}, {"id", s(2)}}};
  } else if (is("set", "", 3, 3)) {
    return ConsoleForm{"/admin/settings.asp", {{"do", "save"}, {"alias", s(1)}, {"value", s(2)}}};
  }
  why = "unknown command or wrong number of words (or an unknown room field)";
  return std::nullopt;
}

}  // namespace

int Admin(std::vector<std::string_view> words) {
  std::string db(kDefaultConnectionString);
  std::optional<std::string> server;
  while (!words.empty() && words[0].starts_with("--")) {
    if (words[0] == "--help") {
      std::cout << kHelp;
      return 0;
    }
    if (words.size() < 2 || (words[0] != "--db" && words[0] != "--server")) {
      return Usage(std::string(words[0]) + " is unknown or needs a value");
    }
    (words[0] == "--db" ? db : server.emplace()) = words[1];
    words.erase(words.begin(), words.begin() + 2);
  }
  if (words.empty()) return Usage("which command?");
  if (words.size() == 1 && words[0] == "rooms") return ListRooms(db);
  if (words.size() == 3 && words[0] == "user" && words[1] == "show") return ShowUser(db, words[2]);
  std::string why;
  const std::optional<ConsoleForm> form = FormOf(words, why);
  if (!form) return Usage(why);
  Outcome outcome;
  if (server) {
    const char* password = std::getenv("TAVOLIN_ADMIN_PASSWORD");
    ConsoleClient client(*server, password == nullptr ? "" : password);
    const ConsoleReply reply = client.Post(form->page, form->fields);
    outcome = {reply.done, reply.message};
  } else {
    LoadedChat chat(db);
    console::ConsoleVisit visit{chat.context, true, {}, ""};
    visit.values.insert(form->fields.begin(), form->fields.end());
    outcome = console::DoConsoleAction(visit, form->page);
  }
  (outcome.done ? std::cout : std::cerr) << outcome.message << '\n';
  if (outcome.done && !server) {
    std::cerr << "tavolin admin: the database only: a server running on it sees this at its next "
                 "start (--server changes a running chat at once)\n";
  }
  return outcome.done ? 0 : 1;
}

}  // namespace tavolin::tools

// Copyright Tavolin developers.

#include <string_view>
#include <utility>
#include <vector>

#include "bench/load/closed_loop.h"
#include "component/schema.h"
#include "tavolin/corvane.h"
#include "tavolin/database.h"

namespace tavolin::load {

namespace {

// Minutes in a year: the idle limits (minutes since the last line, since
// entry) that no run reaches.
constexpr std::string_view kNeverIdle = "525600";

}  // namespace

void PrepareChatDatabase(const std::string& connection_string, int visitors, int say_ring_lines) {
  auto db = OpenConnection(connection_string, Env::Default(), ChatSchemaScript());
  // _maxtalk is the ring's highest slot index.
  const std::vector<std::pair<std::string_view, std::string>> settings = {
      {"maxpeople", std::to_string(visitors)},
      {"nosaytimeout", std::string(kNeverIdle)},
      {"dontsavevalue", std::string(kNeverIdle)},
      {"maxtalk", std::to_string(say_ring_lines - 1)},
  };
  for (const auto& [alias, value] : settings) {
    db->Execute("UPDATE sysparam SET body=? WHERE alias=?", {Variant(value), Variant(alias)});
  }

  Variant typed(kPassword);
  const std::string scrambled = CreateObject("Tavolin.Corvane")->trpass(typed).ToText();
  // An old out_time: no call or guestbook entry is newer, so the logins
  // bring no notices.
  const Variant long_ago("2000-01-01 00:00:00");
  // BEGIN as both SQLite and PostgreSQL take it; a failure ends the run, and
  // the uncommitted rows with the connection.
  db->Execute("BEGIN");
  for (int k = kSeededOpenRooms; k < rooms; ++k) {
    const int id = VisitorRoom(k);
    db->Execute(
        "INSERT INTO room (ID, room_name, room_keep, room_time, build_time, permit_level, "
        "door_open) VALUES (?,?,1,now(),now(),0,1)",
        {Variant(id), Variant("房间" + std::to_string(id))});
  }
  for (int i = 0; i < visitors; ++i) {
    db->Execute(
        "INSERT INTO user (username,passwd,sex,user_level,log_time,in_time,out_time) "
        "VALUES (?,?,?,1,?,?,?)",
        {Variant(VisitorName(i)), Variant(scrambled), Variant(i % 2), long_ago, long_ago,
         long_ago});
  }
  db->Execute("COMMIT");
}

}  // namespace tavolin::load

// Copyright Tavolin developers.
//
// Room keep and expiry. A room whose experience has risen above the keep
// threshold becomes a kept room, which never expires. A room that is not kept
// expires when it has been idle longer than its allowed life (the base life
// plus its experience, less a loss for every day of its age); an expired room
// with nobody in it is deleted. Both steps change the database and, in step,
// the room list. A preview run only reports.

#include <string>
#include <utility>
#include <vector>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/live_state.h"
#include "housekeeping/audit_record.h"
#include "housekeeping/run_values.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

struct Room {
  std::string id;
  std::string name;
};

// The rows of `rows` as rooms, in the order they come.
std::vector<Room> ReadRooms(RecordSet& rows) {
  std::vector<Room> rooms;
  for (; !rows.eof(); rows.MoveNext()) {
    rooms.push_back({ColumnText(rows, "ID"), ColumnText(rows, "room_name")});
  }
  return rooms;
}

// "[a" then `separator` before each further name, then "]"; "" for none.
std::string NameList(const std::vector<Room>& rooms, std::string_view separator) {
  std::string names;
  for (const Room& room : rooms) {
    names += names.empty() ? "[" : std::string(separator);
    names += room.name;
  }
  if (!names.empty()) names += "]";
  return names;
}

}  // namespace

Variant Corvane::RoomUpdate(Application& TheApplication, Variant& UMod) {
  Database(TheApplication);
  // Keeping runs first, so a room made kept by this run is not expired by it.
  const std::string kept = KeepPopularRooms(TheApplication, UMod).ToText();
  const std::string expired = ExpireRooms(TheApplication, UMod).ToText();
  if (kept.empty() && expired.empty()) return Variant("根据系统参数，房间不需要作任何修改。");
  std::string report;
  if (!expired.empty()) report = "过期房间：" + expired + "<br>";
  if (!kept.empty()) report += "<br>设为永久：" + kept;
  return Variant(std::move(report));
}

Variant Corvane::KeepPopularRooms(Application& TheApplication, Variant& UMod) {
  const Variant threshold = LimitParameter(TheApplication.Get(Key("_roomkeepexp")), "_roomkeepexp");
  Connection& db = Database(TheApplication);
  const std::vector<Room> qualifying = ReadRooms(*db.Execute(
      "select ID,room_name from room where room_keep=0 and room_exp>? order by ID", {threshold}));
  // A room without a record in the list is skipped: not listed, not kept,
  // so that the table and the list never disagree about it.
  std::vector<Room> popular;
  LiveState& live = Live(TheApplication);
  {
    ApplicationLock lock(TheApplication);
    for (const Room& room : qualifying) {
      if (live.HasRoom(room.id)) popular.push_back(room);
    }
  }
  const std::string names = NameList(popular, ", ");
  if (names.empty() || !IsRealRun(UMod)) return Variant(names);

  for (const Room& room : popular) {
    db.Execute("update room set room_keep=1 where room_keep=0 and room_exp>? and ID=?",
               {threshold, Variant(room.id)});
  }
  {
    // Re-read: the list may have changed while the database worked.
    ApplicationLock lock(TheApplication);
    for (const Room& room : popular) {
      if (live.HasRoom(room.id)) live.SetRoomField(room.id, room_field::kKeep, "1");
    }
  }
  WriteAuditRecord(db, kRoomsKept, env_->Now(), names);
  return Variant(names);
}

Variant Corvane::ExpireRooms(Application& TheApplication, Variant& UMod) {
  const std::vector<Variant> life = {
      LimitParameter(TheApplication.Get(Key("_roomtimeout")), "_roomtimeout"),
      LimitParameter(TheApplication.Get(Key("_roomexpperday")), "_roomexpperday")};
  Connection& db = Database(TheApplication);
  const std::vector<Room> idle = ReadRooms(*db.Execute(
      "select * from room where DATEDIFF('n',room_time,now())>(?+ room_exp -(?*DATEDIFF('d',"
      "build_time,now()))) AND room_keep=0 ORDER BY ID",
      life));
  if (idle.empty()) return Variant("");

  // Only rooms with nobody in them go. A room that has no record in the list
  // cannot be judged, so it is skipped rather than deleted blind.
  std::vector<Room> empty;
  LiveState& live = Live(TheApplication);
  {
    ApplicationLock lock(TheApplication);
    for (const Room& room : idle) {
      if (live.HasRoom(room.id) && live.RoomIsEmpty(room.id)) empty.push_back(room);
    }
  }
  const std::string names = NameList(empty, ",");
  if (names.empty() || !IsRealRun(UMod)) return Variant(names);

  // The list follows the database room by room: if a delete fails, the rooms
  // already deleted still leave the list before the error goes on.
  std::vector<std::string> deleted;
  const auto drop_deleted_records = [&] {
    ApplicationLock lock(TheApplication);
    for (const std::string& id : deleted) {
      if (live.HasRoom(id)) live.RemoveRoom(id);
    }
  };
  try {
    for (const Room& room : empty) {
      db.Execute("DELETE FROM room WHERE ID=?", {Variant(room.id)});
      deleted.push_back(room.id);
    }
  } catch (...) {
    drop_deleted_records();
    throw;
  }
  drop_deleted_records();
  WriteAuditRecord(db, kRoomsExpired, env_->Now(), names);
  return Variant(names);
}

}  // namespace tavolin

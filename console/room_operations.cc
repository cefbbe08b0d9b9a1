// Copyright Tavolin developers.

#include "console/room_operations.h"

#include <optional>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/room_record.h"
#include "console/audit_entry.h"
#include "console/console_input.h"
#include "text/strings.h"

namespace tavolin::console {

namespace {

// The room record's fields the form sets.
constexpr int kEditedFields[] = {
    room_field::kName,        room_field::kOwner,   room_field::kRobot, room_field::kDescription,
    room_field::kTop,         room_field::kTitle,   room_field::kKeep,  room_field::kExperience,
    room_field::kPermitLevel, room_field::kDoorOpen};

// The form's values as the columns take them, or the refusal.
struct RoomColumns {
  std::vector<Variant> values;  // name, owner, robot, des, top, title, level, door, keep, exp
};

std::optional<std::string> CheckRoom(const RoomForm& form, RoomColumns& columns) {
  const std::string name(text::TrimBlanks(form.name));
  if (name.empty()) return "房间名不能为空。";
  for (const std::string* text : {&name, &form.owner, &form.robot}) {
    if (!PlainName(*text)) return "房间名、房主和机器人的名字里不能有 ' \" \\ < > 和 $> <$。";
  }
  for (const std::string* text : {&form.description, &form.top, &form.title}) {
    if (!FitsLists(*text)) return "房间的介绍和标题里不能有 $> <$ 和控制字符。";
  }
  const auto level = WholeNumber(form.permit_level, 0, 32767);
  if (!level) return "进入级别必须是 0 到 32767 的整数。";
  const auto door = WholeNumber(form.door_open, 0, 1);
  const auto keep = WholeNumber(form.keep, 0, 1);
  if (!door || !keep) return "开门和保留只能是 0 或 1。";
  const auto experience = WholeNumber(form.experience, 0, INT32_MAX);
  if (!experience) return "经验值必须是不小于 0 的整数。";
  columns.values = {Variant(name),
                    Variant(std::string(text::TrimBlanks(form.owner))),
                    Variant(std::string(text::TrimBlanks(form.robot))),
                    Variant(form.description),
                    Variant(form.top),
                    Variant(form.title),
                    Variant(*level),
                    Variant(*door),
                    Variant(*keep),
                    Variant(*experience)};
  return std::nullopt;
}

// The refusal when another room than `id` has the name.
std::optional<std::string> NameTaken(Connection& db, const Variant& name, std::string_view id) {
  if (db.Execute("SELECT ID FROM room WHERE room_name=? AND ID<>?", {name, RowId(id)})->eof()) {
    return std::nullopt;
  }
  return "已经有叫“" + name.ToText() + "”的房间了。";
}

std::optional<LiveRecord> ReadRoom(Connection& db, std::string_view id) {
  auto row = db.Execute("SELECT * FROM room WHERE ID=?", {RowId(id)});
  if (row->eof()) return std::nullopt;
  return RoomRecordFromRow(*row);
}

std::string Describe(const RoomColumns& columns) {
  const auto& v = columns.values;
  return "房主=" + v[1].ToText() + " 机器人=" + v[2].ToText() + " 进入级别=" + v[6].ToText() +
         " 开门=" + v[7].ToText() + " 保留=" + v[8].ToText() + " 经验=" + v[9].ToText();
}

// Moves `names` (the occupants of a room that is gone) into `first`, each
// with the entry notice. REQUIRES: the application lock is held; `first`
// exists.
void MoveToFirstRoom(ConsoleContext& context, LiveState& live, const std::string& names,
                     const std::string& first) {
  const std::string notice_template = context.Setting("_enterroomshow").ToText();
  std::vector<std::string_view> notice = text::Split(notice_template, "::");
  notice.resize(3);
  auto object = context.NewObject();
  RingChange ring(live);
  for (std::string_view word : text::Split(text::TrimBlanks(names), " ")) {
    const std::string name(word);
    std::optional<LiveRecord> user = name.empty() ? std::nullopt : live.FindUser(name);
    if (!user) continue;
    user->set_field(user_field::kRoom, first);
    live.StoreUser(*user);
    live.ChangeOccupants(first, LiveState::OccupantChange::kAppend, name);
    Variant who(name), to_who("大家"), is_public(int16_t{0}), room(first),
        words(std::string(notice[0]) + R"(<\script>parent.addl(\')" + name + R"(\',)" +
              (user->field(user_field::kSex) == "0" ? "0" : "1") + R"(,\')" +
              user->field(user_field::kFace) + R"(\',\')" + user->field(user_field::kNote) +
              R"(\')</\script>)"),
        c1(notice[1]), c2(notice[2]), act(int16_t{-3});
    object->Newsay(who, to_who, is_public, room, words, c1, c2, act, ring.says(), ring.current());
  }
}

}  // namespace

std::vector<RoomView> ListRooms(ConsoleContext& context) {
  std::vector<RoomView> rooms;
  for (auto row = context.db().Execute("SELECT * FROM room ORDER BY ID"); !row->eof();
       row->MoveNext()) {
    rooms.push_back({RoomRecordFromRow(*row), ""});
  }
  LiveState& live = context.live();
  ApplicationLock lock(context.app());
  for (RoomView& room : rooms) {
    if (live.HasRoom(room.record.key())) {
      room.occupants = std::string(text::TrimBlanks(live.OccupantText(room.record.key())));
    }
  }
  return rooms;
}

Outcome CreateRoom(ConsoleContext& context, const RoomForm& form) {
  RoomColumns columns;
  if (auto refusal = CheckRoom(form, columns)) return Outcome::Refused(*refusal);
  Connection& db = context.db();
  if (auto refusal = NameTaken(db, columns.values[0], "")) return Outcome::Refused(*refusal);
  std::vector<Variant> values = columns.values;
  values.push_back(Variant(context.Now().ToString()));  // opened and last active now
  values.push_back(values.back());
  db.Execute(
      "INSERT INTO room (room_name,room_owner,room_auto,room_des,room_top,room_title,"
      "permit_level,door_open,room_keep,room_exp,room_time,build_time,room_tt,room_html) "
      "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,'0','0')",
      values);
  const std::string id = ColumnText(*db.Execute("SELECT last_insert_rowid() AS id"), "id");
  const std::optional<LiveRecord> record = ReadRoom(db, id);
  {
    LiveState& live = context.live();
    ApplicationLock lock(context.app());
    live.AppendRoom(*record);
  }
  const std::string name = columns.values[0].ToText();
  RecordChange(context, AuditArea::kRooms, name, "新建房间 " + id + " " + Describe(columns));
  return Outcome::Done("房间“" + name + "”已经建好。");
}

Outcome EditRoom(ConsoleContext& context, std::string_view id, const RoomForm& form) {
  Connection& db = context.db();
  if (!ReadRoom(db, id)) return Outcome::Refused("没有这个房间。");
  RoomColumns columns;
  if (auto refusal = CheckRoom(form, columns)) return Outcome::Refused(*refusal);
  if (auto refusal = NameTaken(db, columns.values[0], id)) return Outcome::Refused(*refusal);
  std::vector<Variant> values = columns.values;
  values.push_back(RowId(id));
  db.Execute(
      "UPDATE room SET room_name=?,room_owner=?,room_auto=?,room_des=?,room_top=?,room_title=?,"
      "permit_level=?,door_open=?,room_keep=?,room_exp=? WHERE ID=?",
      values);
  const LiveRecord record = *ReadRoom(db, id);
  {
    LiveState& live = context.live();
    ApplicationLock lock(context.app());
    if (live.HasRoom(id)) {
      // Only the fields the form sets: the occupants, the guests and the
      // last activity the live chat keeps stay as they are.
      for (int field : kEditedFields) live.SetRoomField(id, field, record.field(field));
    } else {
      live.AppendRoom(record);
    }
  }
  const std::string name = columns.values[0].ToText();
  RecordChange(context, AuditArea::kRooms, name,
               "修改房间 " + std::string(id) + " " + Describe(columns));
  return Outcome::Done("房间“" + name + "”已经改好。");
}

Outcome DeleteRoom(ConsoleContext& context, std::string_view id) {
  Connection& db = context.db();
  const std::optional<LiveRecord> room = ReadRoom(db, id);
  if (!room) return Outcome::Refused("没有这个房间。");
  if (db.Execute("SELECT ID FROM room WHERE ID<>?", {RowId(id)})->eof()) {
    return Outcome::Refused("这是最后一个房间，不能删除。");
  }
  db.Execute("DELETE FROM room WHERE ID=?", {RowId(id)});
  std::string moved;
  {
    LiveState& live = context.live();
    ApplicationLock lock(context.app());
    if (live.HasRoom(id)) {
      moved = live.OccupantText(id);
      live.RemoveRoom(id);
      if (const std::optional<std::string> first = live.FirstRoomKey()) {
        MoveToFirstRoom(context, live, moved, *first);
      }
    }
  }
  const std::string& name = room->field(room_field::kName);
  RecordChange(context, AuditArea::kRooms, name,
               "删除房间 " + std::string(id) +
                   (text::TrimBlanks(moved).empty()
                        ? std::string()
                        : "，在里面的人到了第一个房间：" + std::string(text::TrimBlanks(moved))));
  return Outcome::Done("房间“" + name + "”已经删除。");
}

}  // namespace tavolin::console

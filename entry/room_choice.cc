// Copyright Tavolin developers.
//
// The room a login enters and that room's entry rules. A room that is not in
// the room list sends the visitor to the first room of the list. The owner
// of a room passes its rules; anybody else is refused for the robot's name,
// for a level limit (which the login cannot pass whatever the visitor's
// level) or for a closed door, in that order.

#include <optional>
#include <string>

#include "component/list_record.h"
#include "entry/login.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The key of the first record of the list.
std::string FirstKey(std::string_view list) {
  if (list.empty()) throw CallError(ErrorCode::kSubscriptOutOfRange, "the room list is empty");
  return text::ReplaceAll(list.substr(0, list.find("$>")), "<$", "");
}

}  // namespace

std::optional<std::string> Corvane::ChooseRoom(Application& application, Request& request,
                                               const Login& login) {
  // An absent field reads as the number 0, which no room has.
  const Variant asked = request.Item("room_id");
  room_id_ = asked.IsNumeric() ? asked.ToLong() : 1;
  const Variant rooms = application.Get(Key("_room_list"));
  std::string key = std::to_string(room_id_);
  if (!HasRecord(rooms.view(), key)) {
    key = FirstKey(rooms.view());
    room_id_ = Variant(key).ToLong();
  }
  const ListRecord room(rooms, key);
  const std::string& owner = room.field(room_field::kOwner);
  const std::string& robot = room.field(room_field::kRobot);
  const int16_t level_limit = Variant(room.field(room_field::kPermitLevel)).ToInteger();
  const int16_t door = Variant(room.field(room_field::kDoorOpen)).ToInteger();

  if (login.lower_name == text::AsciiLower(owner)) return std::nullopt;
  if (text::AsciiLower(robot) == login.lower_name) return "您的名字和房间机器人同名被拒绝进入！";
  if (level_limit - 1 > 0) return "您要去的房间有级别限制，您不能直接登陆！";
  if (door == 0) return "您要去的房间的门已经关上了！";
  return std::nullopt;
}

}  // namespace tavolin

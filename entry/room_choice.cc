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
#include "component/live_state.h"
#include "entry/login.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

std::optional<std::string> Corvane::ChooseRoom(Application& application, Request& request,
                                               const Login& login) {
  // An absent field reads as the number 0, which no room has; so does a
  // number beyond 32 bits.
  const Variant asked = request.Item("room_id");
  room_id_ = 1;
  if (asked.IsNumeric()) {
    try {
      room_id_ = asked.ToLong();
    } catch (const CallError& error) {
      if (error.code() != ErrorCode::kOverflow) throw;
      room_id_ = 0;
    }
  }
  LiveState& live = Live(application);
  std::optional<LiveRecord> found;
  {
    ApplicationLock lock(application);
    std::string key = std::to_string(room_id_);
    if (!live.HasRoom(key)) {
      const std::optional<std::string> first = live.FirstRoomKey();
      if (!first) throw CallError(ErrorCode::kSubscriptOutOfRange, "the room list is empty");
      key = *first;
      room_id_ = Variant(key).ToLong();
    }
    found = live.FindRoom(key);
  }
  if (!found) throw CallError(ErrorCode::kSubscriptOutOfRange, "no room record");
  const LiveRecord& room = *found;
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

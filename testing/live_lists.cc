// Copyright Tavolin developers.

#include "testing/live_lists.h"

#include "component/list_record.h"
#include "component/live_state.h"
#include "tavolin/error.h"

namespace tavolin::testing {

namespace {

template <typename Found>
Found Required(Found found, std::string_view key) {
  if (!found) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    "no record of '" + std::string(key) + "' in the live chat");
  }
  return found;
}

}  // namespace

std::string LiveLists::Users() const {
  ApplicationLock lock(app_);
  return LiveStateOf(app_, prefix_)->UserListText();
}

std::string LiveLists::Rooms() const {
  ApplicationLock lock(app_);
  return LiveStateOf(app_, prefix_)->RoomListText();
}

std::string LiveLists::UserField(std::string_view name, int field) const {
  ApplicationLock lock(app_);
  return Required(LiveStateOf(app_, prefix_)->FindUser(name), name)->field(field);
}

std::string LiveLists::RoomField(std::string_view room, int field) const {
  ApplicationLock lock(app_);
  const LiveState& live = *LiveStateOf(app_, prefix_);
  if (field == room_field::kOccupants) {
    Required(live.HasRoom(room), room);
    return live.OccupantText(room);
  }
  return Required(live.FindRoom(room), room)->field(field);
}

void LiveLists::SetUserField(std::string_view name, int field, std::string value) {
  ApplicationLock lock(app_);
  LiveState& live = *LiveStateOf(app_, prefix_);
  LiveRecord user = *Required(live.FindUser(name), name);
  user.set_field(field, std::move(value));
  live.StoreUser(user);
}

void LiveLists::SetRoomField(std::string_view room, int field, std::string value) {
  ApplicationLock lock(app_);
  LiveState& live = *LiveStateOf(app_, prefix_);
  Required(live.HasRoom(room), room);
  if (field == room_field::kOccupants) return live.SetOccupantText(room, std::move(value));
  live.SetRoomField(room, field, std::move(value));
}

}  // namespace tavolin::testing

// Copyright Tavolin developers.

#include "component/keyed_live_state.h"

#include "component/list_record.h"
#include "tavolin/error.h"

namespace tavolin {

namespace {

[[noreturn]] void ThrowMissing(std::string_view what, std::string_view key) {
  throw CallError(ErrorCode::kSubscriptOutOfRange,
                  std::string(what) + " '" + std::string(key) + "' is not in the live chat");
}

}  // namespace

void KeyedLiveState::Reset(std::vector<LiveRecord> rooms) {
  users_.Clear();
  rooms_.Clear();
  for (const LiveRecord& room : rooms) AppendRoom(room);
}

void KeyedLiveState::AppendRoom(const LiveRecord& record) {
  std::vector<std::string> fields = record.fields();
  if (fields.size() != room_field::kCount) {
    throw CallError(
        ErrorCode::kSubscriptOutOfRange,
        "room '" + record.key() + "' needs " + std::to_string(room_field::kCount) + " fields");
  }
  WordList occupants(std::move(fields[room_field::kOccupants]));
  fields[room_field::kOccupants].clear();
  rooms_.Erase(record.key());
  rooms_.Append(record.key(), Room{std::move(fields), std::move(occupants)});
}

std::optional<LiveRecord> KeyedLiveState::FindUser(std::string_view name) const {
  const std::vector<std::string>* fields = users_.Find(name);
  if (fields == nullptr) return std::nullopt;
  return LiveRecord(std::string(name), *fields);
}

void KeyedLiveState::StoreUser(const LiveRecord& user) {
  std::vector<std::string>* fields = users_.Find(user.key());
  if (fields == nullptr) ThrowMissing("user", user.key());
  *fields = user.fields();
}

void KeyedLiveState::AppendUser(const LiveRecord& user) {
  users_.Erase(user.key());
  users_.Append(user.key(), user.fields());
}

void KeyedLiveState::RemoveUser(std::string_view name) {
  if (!users_.Erase(name)) ThrowMissing("user", name);
}

void KeyedLiveState::VisitUsers(const UserVisitor& visit) const {
  for (const auto& entry : users_) visit(entry.key, entry.value);
}

std::string KeyedLiveState::UserListText() const {
  std::string list;
  for (const auto& entry : users_) AppendRecord(list, entry.key, entry.value);
  return list;
}

KeyedLiveState::Room& KeyedLiveState::RoomOf(std::string_view key) {
  Room* room = rooms_.Find(key);
  if (room == nullptr) ThrowMissing("room", key);
  return *room;
}

const KeyedLiveState::Room& KeyedLiveState::RoomOf(std::string_view key) const {
  const Room* room = rooms_.Find(key);
  if (room == nullptr) ThrowMissing("room", key);
  return *room;
}

std::optional<std::string> KeyedLiveState::FirstRoomKey() const {
  if (rooms_.empty()) return std::nullopt;
  return rooms_.begin()->key;
}

std::vector<std::string> KeyedLiveState::RoomKeys() const {
  std::vector<std::string> keys;
  for (const auto& entry : rooms_) keys.push_back(entry.key);
  return keys;
}

std::optional<LiveRecord> KeyedLiveState::FindRoom(std::string_view key) const {
  const Room* room = rooms_.Find(key);
  if (room == nullptr) return std::nullopt;
  return LiveRecord(std::string(key), room->fields, room_field::kOccupants);
}

void KeyedLiveState::SetRoomField(std::string_view key, int index, std::string value) {
  Room& room = RoomOf(key);
  if (index == room_field::kOccupants || index < 0 ||
      index >= static_cast<int>(room.fields.size())) {
    throw CallError(
        ErrorCode::kSubscriptOutOfRange,
        "field " + std::to_string(index) + " of room '" + std::string(key) + "' cannot be set");
  }
  room.fields[static_cast<size_t>(index)] = std::move(value);
}

void KeyedLiveState::RemoveRoom(std::string_view key) {
  if (!rooms_.Erase(key)) ThrowMissing("room", key);
}

std::string KeyedLiveState::RoomListText() const {
  std::string list;
  for (const auto& entry : rooms_) {
    std::vector<std::string> fields = entry.value.fields;
    fields[room_field::kOccupants] = entry.value.occupants.Text();
    AppendRecord(list, entry.key, fields);
  }
  return list;
}

bool KeyedLiveState::HasOccupant(std::string_view room, std::string_view name) const {
  return RoomOf(room).occupants.Has(name);
}

bool KeyedLiveState::RoomIsEmpty(std::string_view room) const {
  return RoomOf(room).occupants.IsBlank();
}

void KeyedLiveState::ChangeOccupants(std::string_view room, OccupantChange change,
                                     std::string_view name) {
  WordList& occupants = RoomOf(room).occupants;
  switch (change) {
    case OccupantChange::kAddWord:
      return occupants.Add(name);
    case OccupantChange::kAppend:
      return occupants.Append(name);
    case OccupantChange::kRemoveWord:
      return occupants.Remove(name);
    case OccupantChange::kRemoveWordCollapse:
      return occupants.RemoveCollapsingBlanks(name);
  }
}

std::string KeyedLiveState::OccupantText(std::string_view room) const {
  return RoomOf(room).occupants.Text();
}

void KeyedLiveState::SetOccupantText(std::string_view room, std::string text) {
  RoomOf(room).occupants.SetText(std::move(text));
}

}  // namespace tavolin

// Copyright Tavolin developers.

#include "component/list_text_live_state.h"

#include "component/list_record.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The record's fields as the split gives them, without the closing empty
// element.
LiveRecord ToLiveRecord(const ListRecord& record, int hidden_field = -1) {
  std::vector<std::string> fields;
  for (int i = 0; i < record.field_count(); ++i) fields.push_back(record.field(i));
  return LiveRecord(record.key(), std::move(fields), hidden_field);
}

// The record at the end of the list, in place of any record of its key.
void PutAtEnd(std::string& list, const LiveRecord& record) {
  if (HasRecord(list, record.key())) list = RemoveRecord(list, record.key());
  AppendRecord(list, record.key(), record.fields());
}

}  // namespace

void ListTextLiveState::Reset(std::vector<LiveRecord> rooms) {
  users_.clear();
  rooms_.clear();
  for (const LiveRecord& room : rooms) AppendRoom(room);
}

void ListTextLiveState::AppendRoom(const LiveRecord& room) { PutAtEnd(rooms_, room); }

int ListTextLiveState::UserCount() const { return CountRecords(users_); }

bool ListTextLiveState::HasUser(std::string_view name) const { return HasRecord(users_, name); }

std::optional<LiveRecord> ListTextLiveState::FindUser(std::string_view name) const {
  if (!HasRecord(users_, name)) return std::nullopt;
  return ToLiveRecord(ListRecord(users_, name));
}

void ListTextLiveState::StoreUser(const LiveRecord& user) {
  ListRecord record(users_, user.key());
  for (size_t i = 0; i < user.fields().size(); ++i) {
    record.set_field(static_cast<int>(i), user.fields()[i]);
  }
  users_ = record.Join();
}

void ListTextLiveState::AppendUser(const LiveRecord& user) { PutAtEnd(users_, user); }

void ListTextLiveState::RemoveUser(std::string_view name) { users_ = RemoveRecord(users_, name); }

void ListTextLiveState::VisitUsers(const UserVisitor& visit) const {
  for (const std::string& name : RecordKeys(users_)) {
    visit(name, ToLiveRecord(ListRecord(users_, name)).fields());
  }
}

bool ListTextLiveState::HasRoom(std::string_view key) const { return HasRecord(rooms_, key); }

std::optional<std::string> ListTextLiveState::FirstRoomKey() const {
  if (rooms_.empty()) return std::nullopt;
  return text::ReplaceAll(std::string_view(rooms_).substr(0, rooms_.find("$>")), "<$", "");
}

std::vector<std::string> ListTextLiveState::RoomKeys() const { return RecordKeys(rooms_); }

std::optional<LiveRecord> ListTextLiveState::FindRoom(std::string_view key) const {
  if (!HasRecord(rooms_, key)) return std::nullopt;
  return ToLiveRecord(ListRecord(rooms_, key), room_field::kOccupants);
}

void ListTextLiveState::SetRoomField(std::string_view key, int index, std::string value) {
  ListRecord record(rooms_, key);
  record.set_field(index, std::move(value));
  rooms_ = record.Join();
}

void ListTextLiveState::RemoveRoom(std::string_view key) { rooms_ = RemoveRecord(rooms_, key); }

bool ListTextLiveState::HasOccupant(std::string_view room, std::string_view name) const {
  return HasWord(OccupantText(room), name);
}

bool ListTextLiveState::RoomIsEmpty(std::string_view room) const {
  return text::TrimBlanks(OccupantText(room)).empty();
}

void ListTextLiveState::ChangeOccupants(std::string_view room, OccupantChange change,
                                        std::string_view name) {
  const std::string field = OccupantText(room);
  std::string changed;
  switch (change) {
    case OccupantChange::kAddWord:
      changed = AddWord(field, name);
      break;
    case OccupantChange::kAppend:
      changed = AppendWord(field, name);
      break;
    case OccupantChange::kRemoveWord:
      changed = RemoveWord(field, name);
      break;
    case OccupantChange::kRemoveWordCollapse:
      changed = RemoveWordCollapsing(field, name);
      break;
  }
  SetRoomField(room, room_field::kOccupants, std::move(changed));
}

std::string ListTextLiveState::OccupantText(std::string_view room) const {
  return ListRecord(rooms_, room).field(room_field::kOccupants);
}

void ListTextLiveState::SetOccupantText(std::string_view room, std::string text) {
  SetRoomField(room, room_field::kOccupants, std::move(text));
}

}  // namespace tavolin

// Copyright Tavolin developers.

#include "cluster/mirrored_live_state.h"

#include <algorithm>
#include <stdexcept>

#include "component/list_record.h"
#include "platform/variant_codec.h"
#include "tavolin/error.h"

namespace tavolin::cluster {

namespace {

// Store field names: a kind letter, a colon and the key.
constexpr char kUser = 'u';
constexpr char kRoom = 'r';
constexpr char kSlot = 's';
constexpr std::string_view kRingField = "ring";         // the ring's top slot and newest slot
constexpr std::string_view kNextPlaceField = "places";  // the place the next record gets

std::string FieldName(char kind, std::string_view key) {
  std::string name(1, kind);
  name += ':';
  name += key;
  return name;
}

// A record as a one-dimensional array: its place, then its fields.
std::string EncodeRecord(uint64_t place, const std::vector<std::string>& fields) {
  VariantArray cells(0, static_cast<int>(fields.size()));
  cells.at(0) = Variant(std::to_string(place));
  for (size_t i = 0; i < fields.size(); ++i) cells.at(static_cast<int>(i) + 1) = Variant(fields[i]);
  return EncodeVariant(Variant(std::move(cells)));
}

struct PlacedRecord {
  uint64_t place = 0;
  LiveRecord record;
};

PlacedRecord DecodeRecord(std::string key, std::string_view encoded) {
  const Variant value = DecodeVariant(encoded);
  if (!value.is_array() || value.array().dimensions() != 1 || value.array().lower_bound() != 0 ||
      value.array().upper_bound() < 0) {
    throw std::invalid_argument("record '" + key + "' is not a stored record");
  }
  const VariantArray& cells = value.array();
  std::vector<std::string> fields;
  for (int i = 1; i <= cells.upper_bound(); ++i) fields.push_back(cells.at(i).ToText());
  return {std::stoull(cells.at(0).ToText()), LiveRecord(std::move(key), std::move(fields))};
}

// Whether two cells of the ring hold the same value.
bool SameCell(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  return a.is_null() || a.is_array() ? EncodeVariant(a) == EncodeVariant(b)
                                     : a.ToText() == b.ToText();
}

bool SameShape(const Variant& a, const Variant& b) {
  if (!a.is_array() || !b.is_array()) return false;
  const VariantArray& x = a.array();
  const VariantArray& y = b.array();
  return x.dimensions() == 2 && y.dimensions() == 2 && x.upper_bound(1) == y.upper_bound(1) &&
         x.upper_bound(2) == y.upper_bound(2) && x.lower_bound(1) == y.lower_bound(1) &&
         x.lower_bound(2) == y.lower_bound(2);
}

std::string EncodeRow(const VariantArray& says, int slot) {
  VariantArray row(says.lower_bound(2), says.upper_bound(2));
  for (int j = says.lower_bound(2); j <= says.upper_bound(2); ++j) row.at(j) = says.at(slot, j);
  return EncodeVariant(Variant(std::move(row)));
}

}  // namespace

bool MirroredLiveState::IsLiveField(std::string_view name) {
  return name == kRingField || name == kNextPlaceField ||
         (name.size() >= 2 && name[1] == ':' &&
          (name[0] == kUser || name[0] == kRoom || name[0] == kSlot));
}

// ---- Operations: the copy changes, and the change is noted ----------------

void MirroredLiveState::Reset(std::vector<LiveRecord> rooms) {
  copy_.VisitUsers([this](const std::string& name, const std::vector<std::string>&) {
    changed_users_.insert(name);
  });
  for (const std::string& key : copy_.RoomKeys()) changed_rooms_.insert(key);
  copy_.Reset({});
  user_places_.clear();
  room_places_.clear();
  for (const LiveRecord& room : rooms) AppendRoom(room);
}

void MirroredLiveState::StoreUser(const LiveRecord& user) {
  copy_.StoreUser(user);
  changed_users_.insert(user.key());
}

void MirroredLiveState::AppendUser(const LiveRecord& user) {
  copy_.AppendUser(user);
  user_places_[user.key()] = next_place_++;
  next_place_changed_ = true;
  changed_users_.insert(user.key());
}

void MirroredLiveState::RemoveUser(std::string_view name) {
  copy_.RemoveUser(name);
  user_places_.erase(std::string(name));
  changed_users_.insert(std::string(name));
}

void MirroredLiveState::AppendRoom(const LiveRecord& room) {
  copy_.AppendRoom(room);
  room_places_[room.key()] = next_place_++;
  next_place_changed_ = true;
  changed_rooms_.insert(room.key());
}

void MirroredLiveState::SetRoomField(std::string_view key, int index, std::string value) {
  copy_.SetRoomField(key, index, std::move(value));
  changed_rooms_.insert(std::string(key));
}

void MirroredLiveState::RemoveRoom(std::string_view key) {
  copy_.RemoveRoom(key);
  room_places_.erase(std::string(key));
  changed_rooms_.insert(std::string(key));
}

void MirroredLiveState::ChangeOccupants(std::string_view room, OccupantChange change,
                                        std::string_view name) {
  copy_.ChangeOccupants(room, change, name);
  changed_rooms_.insert(std::string(room));
}

void MirroredLiveState::SetOccupantText(std::string_view room, std::string text) {
  copy_.SetOccupantText(room, std::move(text));
  changed_rooms_.insert(std::string(room));
}

void MirroredLiveState::WriteRing(Ring ring) {
  ring_ = std::move(ring);
  ring_written_ = true;
}

LiveState::Ring MirroredLiveState::TakeRing() {
  Ring taken = std::move(ring_);
  ring_ = Ring{};
  ring_written_ = true;
  return taken;
}

// ---- The store's side ------------------------------------------------------

void MirroredLiveState::MarkAllChanged() {
  for (const auto& [name, place] : user_places_) changed_users_.insert(name);
  for (const auto& [key, place] : room_places_) changed_rooms_.insert(key);
  next_place_changed_ = true;
  stored_ring_ = Ring{};
  ring_written_ = true;
}

std::optional<std::string> MirroredLiveState::EncodedUser(const std::string& name) const {
  const std::optional<LiveRecord> user = copy_.FindUser(name);
  if (!user) return std::nullopt;
  return EncodeRecord(user_places_.at(name), user->fields());
}

std::optional<std::string> MirroredLiveState::EncodedRoom(const std::string& key) const {
  const std::optional<LiveRecord> room = copy_.FindRoom(key);
  if (!room) return std::nullopt;
  std::vector<std::string> fields = room->fields();
  fields[room_field::kOccupants] = copy_.OccupantText(key);
  return EncodeRecord(room_places_.at(key), fields);
}

void MirroredLiveState::RingChanges(std::vector<StoredField>& out, bool& ring_moved) {
  if (!ring_written_) return;
  ring_written_ = false;
  const bool reshaped = !SameShape(ring_.says, stored_ring_.says);
  if (ring_.says.is_array()) {
    const VariantArray& says = ring_.says.array();
    for (int slot = says.lower_bound(1); slot <= says.upper_bound(1); ++slot) {
      bool same = !reshaped;
      for (int j = says.lower_bound(2); same && j <= says.upper_bound(2); ++j) {
        same = SameCell(says.at(slot, j), stored_ring_.says.array().at(slot, j));
      }
      if (!same) out.push_back({FieldName(kSlot, std::to_string(slot)), EncodeRow(says, slot)});
    }
  }
  if (reshaped || !SameCell(ring_.current, stored_ring_.current)) {
    ring_moved = true;
    const int top = ring_.says.is_array() ? ring_.says.array().upper_bound(1) : -1;
    const int width = ring_.says.is_array() ? ring_.says.array().upper_bound(2) : -1;
    VariantArray meta(0, 2);
    meta.at(0) = Variant(top);
    meta.at(1) = Variant(width);
    meta.at(2) = ring_.current;
    out.push_back({std::string(kRingField), EncodeVariant(Variant(std::move(meta)))});
  }
  stored_ring_ = ring_;
}

std::vector<StoredField> MirroredLiveState::TakeChanges(bool& ring_moved) {
  std::vector<StoredField> out;
  for (const std::string& name : changed_users_) {
    out.push_back({FieldName(kUser, name), EncodedUser(name)});
  }
  for (const std::string& key : changed_rooms_) {
    out.push_back({FieldName(kRoom, key), EncodedRoom(key)});
  }
  changed_users_.clear();
  changed_rooms_.clear();
  if (next_place_changed_) {
    out.push_back({std::string(kNextPlaceField), std::to_string(next_place_)});
    next_place_changed_ = false;
  }
  RingChanges(out, ring_moved);
  return out;
}

void MirroredLiveState::ApplyRecords(const std::vector<StoredField>& fields, char kind) {
  Places& places = kind == kUser ? user_places_ : room_places_;
  std::vector<PlacedRecord> added;
  for (const StoredField& field : fields) {
    if (field.name.size() < 2 || field.name[0] != kind || field.name[1] != ':') continue;
    std::string key = field.name.substr(2);
    const auto known = places.find(key);
    if (!field.value) {
      if (known == places.end()) continue;
      places.erase(known);
      kind == kUser ? copy_.RemoveUser(key) : copy_.RemoveRoom(key);
      continue;
    }
    PlacedRecord stored = DecodeRecord(key, *field.value);
    if (known != places.end() && known->second == stored.place) {
      kind == kUser ? copy_.StoreUser(stored.record) : StoreRoomInPlace(stored.record);
      continue;
    }
    added.push_back(std::move(stored));
  }
  // A record added later has a later place than every record already here,
  // so appending in the order of places keeps every server's order alike.
  std::sort(added.begin(), added.end(),
            [](const PlacedRecord& a, const PlacedRecord& b) { return a.place < b.place; });
  for (PlacedRecord& stored : added) {
    places[stored.record.key()] = stored.place;
    kind == kUser ? copy_.AppendUser(stored.record) : copy_.AppendRoom(stored.record);
  }
}

void MirroredLiveState::StoreRoomInPlace(const LiveRecord& room) {
  const std::vector<std::string>& fields = room.fields();
  if (fields.size() != room_field::kCount) {
    throw std::invalid_argument("room '" + room.key() + "' is not a stored room");
  }
  for (int i = 0; i < room_field::kCount; ++i) {
    if (i != room_field::kOccupants) copy_.SetRoomField(room.key(), i, fields[i]);
  }
  copy_.SetOccupantText(room.key(), fields[room_field::kOccupants]);
}

void MirroredLiveState::ApplyRing(const std::vector<StoredField>& fields) {
  for (const StoredField& field : fields) {
    if (field.name != kRingField || !field.value) continue;
    const Variant meta = DecodeVariant(*field.value);
    if (!meta.is_array() || meta.array().upper_bound() != 2) {
      throw std::invalid_argument("the stored ring is not a ring");
    }
    const int top = meta.array().at(0).ToLong();
    const int width = meta.array().at(1).ToLong();
    if (top < 0 || width < 0) {
      ring_ = Ring{};
    } else if (!ring_.says.is_array() || ring_.says.array().upper_bound(1) != top ||
               ring_.says.array().upper_bound(2) != width) {
      ring_.says = Variant(VariantArray(0, top, 0, width));
    }
    ring_.current = meta.array().at(2);
  }
  for (const StoredField& field : fields) {
    if (field.name.size() < 2 || field.name[0] != kSlot || field.name[1] != ':' || !field.value) {
      continue;
    }
    if (!ring_.says.is_array()) throw std::invalid_argument("a ring slot without a ring");
    const int slot = std::stoi(field.name.substr(2));
    const Variant row = DecodeVariant(*field.value);
    VariantArray& says = ring_.says.mutable_array();
    for (int j = says.lower_bound(2); j <= says.upper_bound(2); ++j) {
      says.at(slot, j) = row.array().at(j);
    }
  }
  stored_ring_ = ring_;
}

void MirroredLiveState::ApplyStored(const std::vector<StoredField>& fields, bool complete) {
  if (complete) {
    copy_.Reset({});
    user_places_.clear();
    room_places_.clear();
    ring_ = Ring{};
  }
  for (const StoredField& field : fields) {
    if (field.name == kNextPlaceField && field.value) next_place_ = std::stoull(*field.value);
  }
  ApplyRecords(fields, kRoom);
  ApplyRecords(fields, kUser);
  ApplyRing(fields);
}

}  // namespace tavolin::cluster

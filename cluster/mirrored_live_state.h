// Copyright Tavolin developers.
//
// MirroredLiveState: the live chat of a store that several servers share,
// worked on through a copy in this process. Every operation reads and
// changes the copy (a KeyedLiveState) and notes what it changed; the store's
// home (SharedStateHome) hands the other servers' changes in when the
// application lock is taken, and takes this server's out when it is let go.
//
// In the store each user, each room (its occupants included) and each slot
// of the say ring is one field, so a change costs what it changed, not the
// size of the chat. Users and rooms carry the place they were added at, so
// every server walks them in the same order.
//
// Thread safety: as every live state, REQUIRES the application lock for
// every operation, the store's calls included.

#ifndef TAVOLIN_CLUSTER_MIRRORED_LIVE_STATE_H_
#define TAVOLIN_CLUSTER_MIRRORED_LIVE_STATE_H_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "component/keyed_live_state.h"

namespace tavolin::cluster {

// A field of the shared store and its encoded value; no value: deleted.
struct StoredField {
  std::string name;
  std::optional<std::string> value;
};

class MirroredLiveState : public LiveState {
 public:
  // Counters are `application`'s values under `prefix`, as in process; the
  // home shares those with the other values.
  MirroredLiveState(Application* application, std::string prefix)
      : copy_(application, std::move(prefix)) {}

  // The changes since the last call, as fields of the store. `ring_moved` is
  // set when a new line was written (the newest slot changed).
  std::vector<StoredField> TakeChanges(bool& ring_moved);
  // Applies fields read from the store. `complete`: they are the whole
  // store, and what is not among them is gone. Throws std::invalid_argument
  // for a field that does not decode.
  void ApplyStored(const std::vector<StoredField>& fields, bool complete);
  // Notes every record, the ring and the places as changed, so that the next
  // TakeChanges hands over the whole state (to fill a store that lost it).
  void MarkAllChanged();
  // Whether `name` is a field this state keeps (the home keeps the others).
  static bool IsLiveField(std::string_view name);

  void Reset(std::vector<LiveRecord> rooms) override;

  int UserCount() const override { return copy_.UserCount(); }
  bool HasUser(std::string_view name) const override { return copy_.HasUser(name); }
  std::optional<LiveRecord> FindUser(std::string_view name) const override {
    return copy_.FindUser(name);
  }
  void StoreUser(const LiveRecord& user) override;
  void AppendUser(const LiveRecord& user) override;
  void RemoveUser(std::string_view name) override;
  void VisitUsers(const UserVisitor& visit) const override { copy_.VisitUsers(visit); }
  std::string UserListText() const override { return copy_.UserListText(); }

  bool HasRoom(std::string_view key) const override { return copy_.HasRoom(key); }
  std::optional<std::string> FirstRoomKey() const override { return copy_.FirstRoomKey(); }
  std::vector<std::string> RoomKeys() const override { return copy_.RoomKeys(); }
  std::optional<LiveRecord> FindRoom(std::string_view key) const override {
    return copy_.FindRoom(key);
  }
  void AppendRoom(const LiveRecord& room) override;
  void SetRoomField(std::string_view key, int index, std::string value) override;
  void RemoveRoom(std::string_view key) override;
  std::string RoomListText() const override { return copy_.RoomListText(); }

  bool HasOccupant(std::string_view room, std::string_view name) const override {
    return copy_.HasOccupant(room, name);
  }
  bool RoomIsEmpty(std::string_view room) const override { return copy_.RoomIsEmpty(room); }
  void ChangeOccupants(std::string_view room, OccupantChange change,
                       std::string_view name) override;
  std::string OccupantText(std::string_view room) const override {
    return copy_.OccupantText(room);
  }
  void SetOccupantText(std::string_view room, std::string text) override;

  // The ring is kept here rather than among the application's values, so
  // that the home stores it slot by slot.
  Ring ReadRing() const override { return ring_; }
  void WriteRing(Ring ring) override;
  Ring TakeRing() override;
  Variant Counter(std::string_view suffix) const override { return copy_.Counter(suffix); }
  void SetCounter(std::string_view suffix, Variant value) override {
    copy_.SetCounter(suffix, std::move(value));
  }

 private:
  using Places = std::unordered_map<std::string, uint64_t>;
  // Applies the stored users (kind 'u') or rooms ('r'): a record keeps its
  // place when its stored place is the one known here, and the others are
  // appended in the order of their places.
  void ApplyRecords(const std::vector<StoredField>& fields, char kind);
  // Writes a stored room's fields over those of the room of the same key.
  void StoreRoomInPlace(const LiveRecord& room);
  void ApplyRing(const std::vector<StoredField>& fields);
  void RingChanges(std::vector<StoredField>& out, bool& ring_moved);
  std::optional<std::string> EncodedUser(const std::string& name) const;
  std::optional<std::string> EncodedRoom(const std::string& key) const;

  KeyedLiveState copy_;
  Places user_places_;
  Places room_places_;
  uint64_t next_place_ = 1;
  bool next_place_changed_ = false;
  std::set<std::string> changed_users_;
  std::set<std::string> changed_rooms_;
  Ring ring_;
  // The ring as last stored or read, to find the slots a change touched.
  Ring stored_ring_;
  bool ring_written_ = false;
};

}  // namespace tavolin::cluster

#endif  // TAVOLIN_CLUSTER_MIRRORED_LIVE_STATE_H_

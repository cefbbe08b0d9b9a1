// Copyright Tavolin developers.
//
// KeyedLiveState: the live chat in process, each list an OrderedMap of its
// records and each room's occupants a WordList, so that every operation on
// one user or one room costs the same however many are online. Only the
// operations that are about everybody (Users, the list texts, a room's
// occupant text) walk the lists.
//
// A field is stored as the field itself: a value holding "$>" or "<$" stays
// inside its field instead of splitting the record as it would inside a list
// text.

#ifndef TAVOLIN_COMPONENT_KEYED_LIVE_STATE_H_
#define TAVOLIN_COMPONENT_KEYED_LIVE_STATE_H_

#include "component/live_state.h"
#include "component/ordered_map.h"
#include "component/word_list.h"

namespace tavolin {

class KeyedLiveState : public InProcessLiveState {
 public:
  // The ring and counters live in `application`'s values under `prefix`.
  KeyedLiveState(Application* application, std::string prefix)
      : InProcessLiveState(application, std::move(prefix)) {}

  void Reset(std::vector<LiveRecord> rooms) override;

  int UserCount() const override { return static_cast<int>(users_.size()); }
  bool HasUser(std::string_view name) const override { return users_.Contains(name); }
  std::optional<LiveRecord> FindUser(std::string_view name) const override;
  void StoreUser(const LiveRecord& user) override;
  void AppendUser(const LiveRecord& user) override;
  void RemoveUser(std::string_view name) override;
  void VisitUsers(const UserVisitor& visit) const override;
  std::string UserListText() const override;

  bool HasRoom(std::string_view key) const override { return rooms_.Contains(key); }
  std::optional<std::string> FirstRoomKey() const override;
  std::vector<std::string> RoomKeys() const override;
  std::optional<LiveRecord> FindRoom(std::string_view key) const override;
  void AppendRoom(const LiveRecord& room) override;
  void SetRoomField(std::string_view key, int index, std::string value) override;
  void RemoveRoom(std::string_view key) override;
  std::string RoomListText() const override;

  bool HasOccupant(std::string_view room, std::string_view name) const override;
  bool RoomIsEmpty(std::string_view room) const override;
  void ChangeOccupants(std::string_view room, OccupantChange change,
                       std::string_view name) override;
  std::string OccupantText(std::string_view room) const override;
  void SetOccupantText(std::string_view room, std::string text) override;

 private:
  struct Room {
    std::vector<std::string> fields;  // the occupant field left empty
    WordList occupants;
  };
  // REQUIRES: the room exists (else throws CallError).
  Room& RoomOf(std::string_view key);
  const Room& RoomOf(std::string_view key) const;

  OrderedMap<std::vector<std::string>> users_;
  OrderedMap<Room> rooms_;
};

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_KEYED_LIVE_STATE_H_

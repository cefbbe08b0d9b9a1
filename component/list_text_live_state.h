// Copyright Tavolin developers.
//
// ListTextLiveState: the live chat as the two list texts themselves, every
// operation a split, change and join of the list record it concerns. Each
// costs the length of the list. It serves the methods that take lists as
// texts (the visitor check of getLevel), and stands as the reference the
// keyed home is proven against.

#ifndef TAVOLIN_COMPONENT_LIST_TEXT_LIVE_STATE_H_
#define TAVOLIN_COMPONENT_LIST_TEXT_LIVE_STATE_H_

#include <string>

#include "component/live_state.h"

namespace tavolin {

class ListTextLiveState : public InProcessLiveState {
 public:
  // A whole live chat: the ring and counters in `application`'s values
  // under `prefix`.
  ListTextLiveState(Application* application, std::string prefix)
      : InProcessLiveState(application, std::move(prefix)) {}
  // The two lists alone, with no ring.
  ListTextLiveState(std::string users, std::string rooms)
      : InProcessLiveState(nullptr, ""), users_(std::move(users)), rooms_(std::move(rooms)) {}

  void Reset(std::vector<LiveRecord> rooms) override;

  int UserCount() const override;
  bool HasUser(std::string_view name) const override;
  std::optional<LiveRecord> FindUser(std::string_view name) const override;
  void StoreUser(const LiveRecord& user) override;
  void AppendUser(const LiveRecord& user) override;
  void RemoveUser(std::string_view name) override;
  void VisitUsers(const UserVisitor& visit) const override;
  std::string UserListText() const override { return users_; }

  bool HasRoom(std::string_view key) const override;
  std::optional<std::string> FirstRoomKey() const override;
  std::vector<std::string> RoomKeys() const override;
  std::optional<LiveRecord> FindRoom(std::string_view key) const override;
  void AppendRoom(const LiveRecord& room) override;
  void SetRoomField(std::string_view key, int index, std::string value) override;
  void RemoveRoom(std::string_view key) override;
  std::string RoomListText() const override { return rooms_; }

  bool HasOccupant(std::string_view room, std::string_view name) const override;
  bool RoomIsEmpty(std::string_view room) const override;
  void ChangeOccupants(std::string_view room, OccupantChange change,
                       std::string_view name) override;
  std::string OccupantText(std::string_view room) const override;
  void SetOccupantText(std::string_view room, std::string text) override;

 private:
  std::string users_;
  std::string rooms_;
};

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_LIST_TEXT_LIVE_STATE_H_

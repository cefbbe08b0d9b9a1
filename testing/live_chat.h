// Copyright Tavolin developers.
//
// The live chat in application state as tests read and arrange it, and one
// set up there without a database, for everything a visitor does in the chat.

#ifndef TAVOLIN_TESTING_LIVE_CHAT_H_
#define TAVOLIN_TESTING_LIVE_CHAT_H_

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "tavolin/request.h"
#include "tavolin/session.h"

namespace tavolin::testing {

// The time the tests' clocks start at.
inline DateTime TestStartTime() { return DateTime::FromCivil(2026, 3, 4, 10, 0, 0); }

// The two lists as their texts, and single fields of a user's or a room's
// record (a room's occupants included). Each takes the application lock.
class LiveLists {
 public:
  explicit LiveLists(Application& app, std::string prefix = "")
      : app_(app), prefix_(std::move(prefix)) {}

  std::string Users() const;
  std::string Rooms() const;
  // Throw CallError (kSubscriptOutOfRange) when the record is not there.
  std::string UserField(std::string_view name, int field) const;
  std::string RoomField(std::string_view room, int field) const;
  void SetUserField(std::string_view name, int field, std::string value);
  void SetRoomField(std::string_view room, int field, std::string value);

 private:
  Application& app_;
  std::string prefix_;
};

// Rooms, visitors with their sessions, and an empty say ring.
class LiveChat {
 public:
  // An empty ring of `max_talk` + 1 slots, no rooms, no visitors; the clock at
  // 2026-03-04 10:00:00; the limits and levels of a plain chat.
  explicit LiveChat(int max_talk = 20);
  // A chat in an application already set up (by InitGlobal, say) on `clock`;
  // both must outlive the chat.
  LiveChat(Application& app, ManualClockEnv& clock);

  Application& app() { return app_; }
  ManualClockEnv& clock() { return clock_; }

  void AddRoom(int id, std::string_view name, std::string_view owner = "",
               std::string_view robot = "");
  // Adds a visitor entered now (delivery from the newest say id minus 10) to
  // the users, to the room's occupants and a session with the token.
  Session& Enter(std::string_view name, int room, int level = 1);
  Session& SessionOf(std::string_view name) { return *sessions_.at(std::string(name)); }

  LiveLists& lists() { return lists_; }
  std::string UserField(std::string_view name, int field) { return lists_.UserField(name, field); }
  std::string RoomField(int room, int field) {
    return lists_.RoomField(std::to_string(room), field);
  }
  void SetUserField(std::string_view name, int field, std::string_view value) {
    lists_.SetUserField(name, field, std::string(value));
  }
  void SetRoomField(int room, int field, std::string_view value) {
    lists_.SetRoomField(std::to_string(room), field, std::string(value));
  }

  std::unique_ptr<Corvane> NewObject() { return std::make_unique<Corvane>(&clock_); }

  // A poll by `name`; `sayid` as the browser sends it, or none.
  std::string Refresh(std::string_view name, const char* sayid = nullptr);
  // A post by `name` of `text` to `to_who`; more form fields in `extra`.
  std::string Say(std::string_view name, std::string_view text, std::string_view to_who = "大家",
                  const std::map<std::string, std::string>& extra = {});

  // The say id in the newest slot of the ring.
  int32_t NewestSayId();

 private:
  // Set when the chat owns them.
  std::unique_ptr<ManualClockEnv> own_clock_;
  std::unique_ptr<Application> own_app_;
  ManualClockEnv& clock_;
  Application& app_;
  LiveLists lists_;
  std::map<std::string, std::unique_ptr<MemorySession>> sessions_;
  int tokens_ = 0;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_LIVE_CHAT_H_

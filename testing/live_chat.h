// Copyright Tavolin developers.
//
// A live chat arranged directly in application state, without a database:
// rooms, visitors with their sessions, and an empty say ring. For tests of
// everything a visitor does once in the chat.

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
#include "testing/live_lists.h"

namespace tavolin::testing {

class LiveChat {
 public:
  // An empty ring of `max_talk` + 1 slots, no rooms, no visitors; the clock
  // at 2026-03-04 10:00:00; the limits and levels of a plain chat.
  explicit LiveChat(int max_talk = 20);
  // A chat in an application whose live state and configuration are already
  // there (loaded by InitGlobal, say), on the given clock: nothing is set up.
  // Both must outlive the chat.
  LiveChat(Application& app, ManualClockEnv& clock);

  Application& app() { return app_; }
  ManualClockEnv& clock() { return clock_; }

  // Adds a room record with the given owner and robot name.
  void AddRoom(int id, std::string_view name, std::string_view owner = "",
               std::string_view robot = "");
  // Adds a visitor's user record (entered now, with the newest say id minus
  // 10 as the delivery start), the name to the room's occupants, and a session
  // holding the matching token. REQUIRES: the room was added.
  Session& Enter(std::string_view name, int room, int level = 1);
  Session& SessionOf(std::string_view name) { return *sessions_.at(std::string(name)); }

  // The lists and the fields of their records as they stand now.
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

  // A new object on this chat's clock (no prefix).
  std::unique_ptr<Corvane> NewObject() { return std::make_unique<Corvane>(&clock_); }

  // A poll by `name`; `sayid` as the browser sends it, or none.
  std::string Refresh(std::string_view name, const char* sayid = nullptr);
  // A post by `name` of `text` to `to_who`; more form fields in `extra`.
  std::string Say(std::string_view name, std::string_view text, std::string_view to_who = "大家",
                  const std::map<std::string, std::string>& extra = {});

  // The say id in the newest slot of the ring.
  int32_t NewestSayId();

 private:
  // Set when the chat owns its clock and application.
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

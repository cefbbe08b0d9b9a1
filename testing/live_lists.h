// Copyright Tavolin developers.
//
// The live chat of an application as tests read and arrange it: the two
// lists as their texts, and single fields of a user's or a room's record
// (a room's occupants included). Each takes the application lock.

#ifndef TAVOLIN_TESTING_LIVE_LISTS_H_
#define TAVOLIN_TESTING_LIVE_LISTS_H_

#include <string>
#include <string_view>

#include "tavolin/application.h"

namespace tavolin::testing {

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

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_LIVE_LISTS_H_

// Copyright Tavolin developers.
//
// The rooms as the operator keeps them. Each change goes to table room first
// and then, under the application lock, to the live room list, so a room is
// opened, changed or closed without a restart; a room that stays keeps its
// occupants. The visitors of a closed room move to the first room, which
// they enter with the room's entry notice, as a room change shows it.

#ifndef TAVOLIN_CONSOLE_ROOM_OPERATIONS_H_
#define TAVOLIN_CONSOLE_ROOM_OPERATIONS_H_

#include <string>
#include <string_view>
#include <vector>

#include "component/live_state.h"
#include "console/console_context.h"
#include "sitepages/site_html.h"

namespace tavolin::console {

// A room as the operator writes it; numbers as typed, checked by the
// operations.
struct RoomForm {
  std::string name, owner, robot, description, top, title;
  std::string permit_level = "0";  // 0 to 32767
  std::string door_open = "1";     // 0 or 1
  std::string keep = "0";          // 0 or 1
  std::string experience = "0";    // 0 or more
};

struct RoomView {
  LiveRecord record;      // the row's fields, as the live list holds them
  std::string occupants;  // the names in the room now
};

// The rooms of table room in id order, with their occupants from the live list.
std::vector<RoomView> ListRooms(ConsoleContext& context);

Outcome CreateRoom(ConsoleContext& context, const RoomForm& form);
Outcome EditRoom(ConsoleContext& context, std::string_view id, const RoomForm& form);
// Refused for the last room: the chat needs a room to enter.
Outcome DeleteRoom(ConsoleContext& context, std::string_view id);

}  // namespace tavolin::console

#endif  // TAVOLIN_CONSOLE_ROOM_OPERATIONS_H_

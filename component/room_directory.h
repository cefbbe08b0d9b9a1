// Copyright Tavolin developers.
//
// The rooms as the site's pages list them (the login page's choice of room).

#ifndef TAVOLIN_COMPONENT_ROOM_DIRECTORY_H_
#define TAVOLIN_COMPONENT_ROOM_DIRECTORY_H_

#include <string>
#include <string_view>
#include <vector>

#include "tavolin/application.h"

namespace tavolin {

struct RoomChoice {
  std::string id;
  std::string name;
};

// The rooms of the live room list under `prefix`, in list order. Takes the
// application lock.
std::vector<RoomChoice> RoomChoices(Application& application, std::string_view prefix);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_ROOM_DIRECTORY_H_

// Copyright Tavolin developers.

#include "component/room_directory.h"

#include "component/list_record.h"
#include "component/live_state.h"

namespace tavolin {

std::vector<RoomChoice> RoomChoices(Application& application, std::string_view prefix) {
  LiveState& live = *LiveStateOf(application, prefix);
  ApplicationLock lock(application);
  std::vector<RoomChoice> choices;
  for (std::string& id : live.RoomKeys()) {
    std::string name = live.FindRoom(id)->field(room_field::kName);
    choices.push_back({std::move(id), std::move(name)});
  }
  return choices;
}

}  // namespace tavolin

// Copyright Tavolin developers.

#include "component/room_directory.h"

#include "component/list_record.h"

namespace tavolin {

std::vector<RoomChoice> RoomChoices(const Application& application, std::string_view prefix) {
  const Variant rooms = application.Get(std::string(prefix) + "_room_list");
  const std::string list = rooms.ToText();
  std::vector<RoomChoice> choices;
  for (std::string& id : RecordKeys(list)) {
    std::string name = ListRecord(list, id).field(room_field::kName);
    choices.push_back({std::move(id), std::move(name)});
  }
  return choices;
}

}  // namespace tavolin

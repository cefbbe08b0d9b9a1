// Copyright Tavolin developers.

#include "component/room_record.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "component/column_text.h"
#include "component/list_record.h"

namespace tavolin {

namespace {

// Columns of table room in the order of the room record's fields; the two
// empty names are the occupant and guest word lists, which start empty.
constexpr std::array<std::string_view, room_field::kCount> kRoomColumns = {
    "room_name", "room_owner", "room_auto",    "room_des",  "room_top", "room_title",
    "room_keep", "room_time",  "room_tt",      "room_html", "room_exp", "build_time",
    "",          "",           "permit_level", "door_open"};

}  // namespace

LiveRecord RoomRecordFromRow(const RecordSet& row) {
  std::vector<std::string> fields(room_field::kCount);
  for (size_t i = 0; i < kRoomColumns.size(); ++i) {
    fields[i] = kRoomColumns[i].empty() ? std::string() : ColumnText(row, kRoomColumns[i]);
  }
  return LiveRecord(ColumnText(row, "ID"), std::move(fields));
}

}  // namespace tavolin

// Copyright Tavolin developers.
//
// A room's live record made from its row of table room: the columns in the
// order of the record's fields, the occupant and guest word lists empty.

#ifndef TAVOLIN_COMPONENT_ROOM_RECORD_H_
#define TAVOLIN_COMPONENT_ROOM_RECORD_H_

#include "component/live_state.h"
#include "tavolin/database.h"

namespace tavolin {

// REQUIRES: `row` stands on a row of table room (all its columns).
LiveRecord RoomRecordFromRow(const RecordSet& row);

}  // namespace tavolin

#endif  // TAVOLIN_COMPONENT_ROOM_RECORD_H_

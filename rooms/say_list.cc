// Copyright Tavolin developers.
//
// The first load of the chat window's hidden refresh frame: the room's
// settings, the recent lines the visitor may see, the room's user list, and a
// reload to the poll page six seconds later. The visitor is marked present
// and caught up, and names of users who have left the chat are dropped from
// the room's occupants.

#include <string>
#include <string_view>

#include "component/list_record.h"
#include "component/page_text.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The room's occupants as the browser's user list shows them, and what is
// left of the occupant field once the names without a user record are gone.
struct Occupants {
  std::string items;      // "'name sex face note'" items joined by ","
  std::string remaining;  // the cleaned occupant field
  bool removed = false;   // whether a name without a record was dropped
};

Occupants ListOccupants(std::string_view users, std::string_view occupant_field) {
  Occupants result;
  // One pass over double blanks: a longer run may leave an empty name, which
  // is skipped below.
  const std::string names = text::ReplaceAll(text::TrimBlanks(occupant_field), "  ", " ");
  result.remaining = names;
  for (std::string_view name : text::Split(names, " ")) {
    if (!HasRecord(users, name)) {
      if (!name.empty()) {
        result.remaining = RemoveWord(result.remaining, name);
        result.removed = true;
      }
      continue;
    }
    const ListRecord user(users, name);
    if (!result.items.empty()) result.items += ',';
    result.items += "'";
    result.items.append(name);
    result.items += " " + user.field(user_field::kSex) + " " + user.field(user_field::kFace) + " " +
                    user.field(user_field::kNote) + "'";
  }
  return result;
}

}  // namespace

Variant Corvane::InitSayList(Application& TheApplication, Session& TheSession) {
  ApplicationLock lock(TheApplication);
  Variant users = TheApplication.Get(Key("_user_list"));
  Variant rooms = TheApplication.Get(Key("_room_list"));
  if (getLevel(TheSession, users, rooms).ToLong() == 0) return Variant(page::kShowError);

  const int32_t last_seen = Variant(visitor_->field(user_field::kDeliveredSayId)).ToLong();
  ListRecord room(rooms.view(), std::to_string(room_id_));
  const Variant says = TheApplication.Get(Key("_says"));
  const Variant current = TheApplication.Get(Key("_current"));
  const std::string lines = GetNewSays(says, current, last_seen).ToText();
  const std::string newest = says.array().at(current.ToLong(), 0).ToText();

  visitor_->set_field(user_field::kLastPoll, env_->Now().ToString());
  visitor_->set_field(user_field::kDeliveredSayId, newest);
  StoreVisitor(TheApplication);

  const Variant stored_users = TheApplication.Get(Key("_user_list"));
  const Occupants occupants =
      ListOccupants(stored_users.view(), room.field(room_field::kOccupants));
  if (occupants.removed) {
    room.set_field(room_field::kOccupants, occupants.remaining);
    TheApplication.Set(Key("_room_list"), Variant(room.Join()));
  }

  std::string page(page::kPollPrefix);
  page += page::kReloadAndScript;
  page += "parent.allusernum=" + std::to_string(CountRecords(stored_users.view()));
  page += ";parent.roomname='" + room.field(room_field::kName);
  page += "';parent.roomauto='" + room.field(room_field::kRobot);
  page += "'; parent.roomtt=" + room.field(room_field::kTt);
  page += ";  parent.room_owner='" + room.field(room_field::kOwner);
  page += "';  parent.room_des='" + room.field(room_field::kDescription);
  page += "'; parent.roomhtml=" + room.field(room_field::kHtml);
  page += ";  parent.roomguests='" + room.field(room_field::kGuests);
  page += "';  parent.roomlife=" + room.field(room_field::kExperience);
  page += ";parent.chftitle('" + room.field(room_field::kTitle);
  page += "');parent.chttitle('" + room.field(room_field::kTop);
  page += "');  parent.clearsay();parent.clearper();parent.addsay(" + lines;
  page += "); parent.ref(" + newest;
  page += ");parent.userlist=new Array(" + occupants.items;
  page += ");parent.userlist.sort();parent.showlist();</script>";
  return Variant(std::move(page));
}

}  // namespace tavolin

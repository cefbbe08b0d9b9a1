// Copyright Tavolin developers.
//
// The visitor check every in-chat request runs first: the session's name must
// have a record in the user list, the session's token must be the one stored
// there at entry, and the visitor's room must still exist.

#include <string>

#include "component/list_record.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

Variant Corvane::getLevel(Session& TheSession, Variant& User_List, Variant& room_list) {
  my_name_ = std::string(text::TrimBlanks(TheSession.Get("myname").ToText()));
  if (my_name_.empty()) return Variant(int16_t{0});
  // Shared, not copied: the user list is long and this runs on every poll.
  const Variant users = User_List.is_string() ? User_List : Variant(User_List.ToText());
  visitor_ = ListRecord::Find(users, my_name_);
  if (!visitor_) return Variant(int16_t{0});
  int16_t level = 0;
  if (TheSession.Get("mytemp").ToText() == visitor_->field(user_field::kToken)) {
    level = Variant(visitor_->field(user_field::kLevel)).ToInteger();
  }
  // The room is taken even when the token failed, for the caller to read.
  room_id_ = Variant(visitor_->field(user_field::kRoom)).ToLong();
  const Variant rooms = room_list.is_string() ? room_list : Variant(room_list.ToText());
  if (!HasRecord(rooms.view(), std::to_string(room_id_))) level = 0;
  return Variant(level);
}

void Corvane::StoreVisitor(Application& application) {
  application.Set(Key("_user_list"), Variant(visitor_->Join()));
}

}  // namespace tavolin

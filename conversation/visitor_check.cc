// Copyright Tavolin developers.
//
// The visitor check every in-chat request runs first: the session's name must
// have a record in the user list, the session's token must be the one stored
// there at entry, and the visitor's room must still exist.

#include <memory>
#include <string>

#include "component/list_record.h"
#include "component/list_text_live_state.h"
#include "component/live_state.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

int16_t Corvane::CheckVisitor(Session& session, const LiveState& live) {
  visitor_.reset();
  my_name_ = std::string(text::TrimBlanks(session.Get("myname").ToText()));
  if (my_name_.empty()) return 0;
  std::optional<LiveRecord> found = live.FindUser(my_name_);
  if (!found) return 0;
  visitor_ = std::make_unique<LiveRecord>(std::move(*found));
  int16_t level = 0;
  if (session.Get("mytemp").ToText() == visitor_->field(user_field::kToken)) {
    level = Variant(visitor_->field(user_field::kLevel)).ToInteger();
  }
  // The room is taken even when the token failed, for the caller to read.
  room_id_ = Variant(visitor_->field(user_field::kRoom)).ToLong();
  if (!live.HasRoom(std::to_string(room_id_))) level = 0;
  return level;
}

Variant Corvane::getLevel(Session& TheSession, Variant& User_List, Variant& room_list) {
  // The lists come as texts: the check runs over them as they are.
  const ListTextLiveState lists(User_List.ToText(), room_list.ToText());
  return Variant(CheckVisitor(TheSession, lists));
}

int16_t Corvane::VisitorLevel(Application& TheApplication, Session& TheSession) {
  LiveState& live = Live(TheApplication);
  ApplicationLock lock(TheApplication);
  return CheckVisitor(TheSession, live);
}

void Corvane::StoreVisitor(Application& application) { Live(application).StoreUser(*visitor_); }

}  // namespace tavolin

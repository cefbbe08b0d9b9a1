// Copyright Tavolin developers.
//
// The first load of the chat window's hidden refresh frame: the room's
// settings, the recent lines the visitor may see, the room's user list, and a
// reload to the poll page six seconds later. The visitor is marked present
// and caught up, and names of users who have left the chat are dropped from
// the room's occupants.

#include <optional>
#include <string>
#include <string_view>

#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "component/word_list.h"
#include "conversation/script_values.h"
#include "tavolin/corvane.h"
#include "text/html_text.h"
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

Occupants ListOccupants(const LiveState& live, std::string_view occupant_field) {
  Occupants result;
  // One pass over double blanks: a longer run may leave an empty name, which
  // is skipped below.
  const std::string names = text::ReplaceAll(text::TrimBlanks(occupant_field), "  ", " ");
  WordList remaining(names);
  for (std::string_view name : text::Split(names, " ")) {
    const std::optional<LiveRecord> user = live.FindUser(name);
    if (!user) {
      if (!name.empty()) {
        remaining.Remove(name);
        result.removed = true;
      }
      continue;
    }
    if (!result.items.empty()) result.items += ',';
    result.items += "'" + text::ScriptStringEscape(name) + " " + user->field(user_field::kSex) +
                    " " + user->field(user_field::kFace) + " " +
                    text::ScriptStringEscape(user->field(user_field::kNote)) + "'";
  }
  if (result.removed) result.remaining = remaining.Text();
  return result;
}

}  // namespace

Variant Corvane::InitSayList(Application& TheApplication, Session& TheSession) {
  LiveState& live = Live(TheApplication);
  ApplicationLock lock(TheApplication);
  if (CheckVisitor(TheSession, live) == 0) return Variant(page::kShowError);

  const int32_t last_seen = Variant(visitor_->field(user_field::kDeliveredSayId)).ToLong();
  const std::string room_key = std::to_string(room_id_);
  const LiveRecord room = *live.FindRoom(room_key);  // the visitor check found it
  const auto [says, current] = live.ReadRing();
  const std::string lines = GetNewSays(says, current, last_seen).ToText();
  const std::string newest = says.array().at(current.ToLong(), 0).ToText();

  visitor_->set_field(user_field::kLastPoll, env_->Now().ToString());
  visitor_->set_field(user_field::kDeliveredSayId, newest);
  StoreVisitor(TheApplication);

  const Occupants occupants = ListOccupants(live, live.OccupantText(room_key));
  if (occupants.removed) live.SetOccupantText(room_key, occupants.remaining);

  // Texts stand in script strings; numbers are written bare.
  const auto room_text = [&](int field) { return text::ScriptStringEscape(room.field(field)); };
  const auto room_number = [&](int field) { return ScriptNumber(Variant(room.field(field))); };
  std::string page(page::kPollPrefix);
  page += page::kReloadAndScript;
  page += "parent.allusernum=" + std::to_string(live.UserCount());
  page += ";parent.roomname='" + room_text(room_field::kName);
  page += "';parent.roomauto='" + room_text(room_field::kRobot);
  page += "'; parent.roomtt=" + room_number(room_field::kTt);
  page += ";  parent.room_owner='" + room_text(room_field::kOwner);
  page += "';  parent.room_des='" + room_text(room_field::kDescription);
  page += "'; parent.roomhtml=" + room_number(room_field::kHtml);
  page += ";  parent.roomguests='" + room_text(room_field::kGuests);
  page += "';  parent.roomlife=" + room_number(room_field::kExperience);
  page += ";parent.chftitle('" + room_text(room_field::kTitle);
  page += "');parent.chttitle('" + room_text(room_field::kTop);
  page += "');  parent.clearsay();parent.clearper();parent.addsay(" + lines;
  page += "); parent.ref(" + newest;
  page += ");parent.userlist=new Array(" + occupants.items;
  page += ");parent.userlist.sort();parent.showlist();</script>";
  return Variant(std::move(page));
}

}  // namespace tavolin

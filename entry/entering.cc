// Copyright Tavolin developers.
//
// Entering the chat, once every rule has let the visitor in: the user record
// goes to the end of the user list (replacing an old record of the same name,
// whose room the visitor goes back to), the name joins the room's occupants,
// the session gets the name and a new token, and the ring gets the enter line
// (which tells every browser in the room to add the visitor to its list) and,
// when there are any, a private line of login notices.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "component/list_record.h"
#include "component/live_state.h"
#include "entry/login.h"
#include "entry/login_token.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The three parts of an enter message: text, first and second colour.
// Throws CallError before anything is written when one is missing.
std::vector<std::string> EnterMessage(const Variant& configured, std::string_view key) {
  const std::string text = configured.ToText();
  const std::vector<std::string_view> parts = text::Split(text, "::");
  if (parts.size() < 3) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    std::string(key) + " must hold text, colour and colour separated by \"::\"");
  }
  return {std::string(parts[0]), std::string(parts[1]), std::string(parts[2])};
}

}  // namespace

void Corvane::EnterChat(Application& application, Session& session, const Login& login) {
  const Variant first_entry = application.Get(Key("_enterchatshow"));
  const Variant re_entry = application.Get(Key("_reentershow"));
  const std::string entry_time = GetTimeStr().ToText();

  // Everything is computed and checked first and written at the end, so a
  // call that fails leaves the live chat and the session as they were.
  LiveState& live = Live(application);
  ApplicationLock lock(application);
  std::string token = NextLoginToken(application, const_str_, entry_time);
  std::vector<std::string> message;
  if (std::optional<LiveRecord> old = live.FindUser(login.name)) {
    // A returning visitor goes back to the room of the old record, whichever
    // room the login asked for.
    const int32_t old_room = Variant(old->field(user_field::kRoom)).ToLong();
    if (room_id_ - old_room != 0) room_id_ = old_room;
    // The older session must fail the visitor check from now on.
    while (token == old->field(user_field::kToken)) {
      token = NextLoginToken(application, const_str_, entry_time);
    }
    message = EnterMessage(re_entry, "_reentershow");
  } else {
    message = EnterMessage(first_entry, "_enterchatshow");
  }

  RingChange ring(live);
  Variant& says = ring.says();
  Variant& current = ring.current();
  const int32_t last_say_id = says.array().at(current.ToLong(), 0).ToLong();

  const std::string room_key = std::to_string(room_id_);
  const std::optional<LiveRecord> room = live.FindRoom(room_key);
  if (!room) {
    throw CallError(ErrorCode::kSubscriptOutOfRange, "room '" + room_key + "' not in the list");
  }
  const std::string room_name = room->field(room_field::kName);

  const std::string sex_word = login.sex == 1 ? "<small>girl</small>" : "<small>boy</small>";
  const std::string sex = std::to_string(login.sex);
  const std::string face = std::to_string(login.face);
  Variant who(login.name), everybody_here(room_name), is_public(0), in_room(room_id_),
      mess(text::ReplaceAll(message[0], "##", sex_word + "##") + "<\\script>parent.addl(\\'" +
           login.name + "\\'," + sex + ",\\'" + face + "\\',\\'\\')</\\script>"),
      c1(message[1]), c2(message[2]), enter_act(-3);
  Newsay(who, everybody_here, is_public, in_room, mess, c1, c2, enter_act, says, current);
  if (!login.notices.empty()) {
    Variant nobody(""), is_private(1), notices(login.notices), none(""), none2(""), notice_act(-5);
    Newsay(who, nobody, is_private, in_room, notices, none, none2, notice_act, says, current);
  }

  // Delivery to the new browser starts with the ten lines before the entry.
  const std::string now = env_->Now().ToString();
  const LiveRecord user(login.name, {token, login.ip, sex, std::to_string(login.stored_level),
                                     room_key, now, face, "0", std::to_string(login.level),
                                     std::to_string(last_say_id - 10), now, now, "", "", ""});

  session.Set("myname", Variant(login.name));
  session.Set("mytemp", Variant(token));
  live.ChangeOccupants(room_key, LiveState::OccupantChange::kAddWord, login.name);
  live.SetRoomField(room_key, room_field::kLastActivity, now);
  live.AppendUser(user);
}

}  // namespace tavolin

// Copyright Tavolin developers.
//
// Posting a line: the visitor is checked, the text cleaned by the poster's
// rights, addressed, stored in the say ring (or answered to the poster alone),
// and the answer delivers like a poll, so the poster sees the own line at once.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "component/rate_limit.h"
#include "conversation/post.h"
#include "conversation/request_values.h"
#include "conversation/script_values.h"
#include "tavolin/corvane.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// Puts one "\" before every "script", in any letter case, so that a script tag
// written by a trusted poster cannot close the browser's script string.
std::string EscapeScriptWords(const std::string& text) {
  const std::string lower = text::AsciiLower(text);
  std::string out;
  size_t from = 0;
  for (size_t at = lower.find("script"); at != std::string::npos;
       at = lower.find("script", at + 6)) {
    out.append(text, from, at - from);
    out += '\\';
    from = at;
  }
  out.append(text, from);
  return out;
}

// Whether the level reaches the threshold configured under `key`.
bool Reaches(int16_t level, const Variant& threshold) { return level - threshold.ToDouble() >= 0; }

// The record of the checked visit in the user list as it stands now, or null
// when the visit ended meanwhile (the name is gone, or entered again with a
// new token).
std::unique_ptr<LiveRecord> SameVisit(const LiveState& live, const LiveRecord& checked) {
  std::optional<LiveRecord> now = live.FindUser(checked.key());
  if (!now || now->field(user_field::kToken) != checked.field(user_field::kToken)) return nullptr;
  return std::make_unique<LiveRecord>(std::move(*now));
}

}  // namespace

Variant Corvane::subsay(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  // Everything the request carries is read before the lock is taken.
  const Variant typed = TheRequest.Form("says");
  const Variant to_who = TheRequest.Item("towho");
  const Variant secret = TheRequest.Item("secret");
  Variant first_color = TheRequest.Item("sayscolor");
  Variant second_color = TheRequest.Item("addwordcolor");
  const Variant chosen_act = TheRequest.Item("addsays");
  const Variant is_title = TheRequest.Item("istitle");
  const Variant last_seen_value = TheRequest.Item("id");

  SetFilterStr(TheApplication.Get(Key("_saysfilterstr")));
  Post post;
  post.filter_switch = TheApplication.Get(Key("_enablesaysfilter"));

  std::string page(page::kPollPrefix);
  page += page::kReloadAndScript;
  // The post runs in two locked phases with the commands and the robot
  // between them, because those wait for the database, which nobody may do
  // while holding the application lock: the first phase checks the visitor,
  // seats the poster in the room and addresses the line; the second stores
  // the line and the visitor's fields. In between only the room title is
  // written, under a lock of its own.
  LiveState& live = Live(TheApplication);
  std::optional<ApplicationLock> lock(std::in_place, TheApplication);
  post.level = CheckVisitor(TheSession, live);
  if (post.level == 0) return Variant(page + "top.location.href = 'showerr.asp';</script>");
  // A bad say id fails the page before anything is written.
  const int32_t last_seen = OptionalSayId(last_seen_value, "id").value_or(0);

  const std::string room_key = std::to_string(room_id_);
  {
    const LiveRecord room = *live.FindRoom(room_key);  // the visitor check found it
    post.owner = text::AsciiLower(my_name_) == text::AsciiLower(room.field(room_field::kOwner));
    post.robot = room.field(room_field::kRobot);
  }

  post.text = std::string(text::LeftChars(text::TrimBlanks(typed.ToText()),
                                          TheApplication.Get(Key("_maxsayslength")).ToLong()));
  // Whoever posts is in the room, even with an empty line.
  // The addressee is looked for among the occupants as they were before.
  const bool addressee_was_in = live.HasOccupant(room_key, to_who.ToText());
  live.ChangeOccupants(room_key, LiveState::OccupantChange::kAddWord, my_name_);

  bool titled = false;
  if (post.text.empty()) {
    post.error = "【系统】发言为空！";
  } else {
    post.color2 = trDb(second_color).ToText();
    post.act = ChosenActNumber(chosen_act);
    post.chosen_act = post.act;
    if (post.act < 0) post.act = 0;

    const bool title_asked = SentNumber(is_title).value_or(0) != 0;
    titled =
        title_asked && (post.owner || Reaches(post.level, TheApplication.Get(Key("_l_title"))));
    if (!titled) {
      post.to_who = to_who.ToText();
      if (post.to_who != page::kEverybody && post.to_who != my_name_ && post.to_who != post.robot &&
          !addressee_was_in) {
        // The name is the visitor's own text: shown as typed, never as script.
        post.error = "【系统】" + ShownInScript(post.to_who) + "不在当前聊天室里！";
      }
    }
  }
  // Only a line that would be shown or stored counts against the poster's
  // rate; one past it is answered to the poster alone and stored nowhere.
  if (post.error.empty() &&
      !AllowedNow(TheApplication, const_str_, kLinesPer10s, my_name_, env_->Now())) {
    post.error = "【系统】你发言太快了，请稍后再说。";
    titled = false;
  }
  lock.reset();

  if (titled) TitlePath(TheApplication, post);

  if (post.error.empty()) {
    if (post.act != -5) {
      Variant text(post.text);
      if (!text::Contains(post.text, "<")) {
        post.text = TrStr(text, post.filter_switch).ToText();
      } else if (post.text.front() == '#' &&
                 Reaches(post.level, TheApplication.Get(Key("_l_allhtml")))) {
        Variant html(post.text.substr(1));
        post.text = EscapeScriptWords(TrStr(html, post.filter_switch).ToText());
      } else {
        post.text = trDb(text).ToText();
      }
    }
    post.color1 = trDb(first_color).ToText();
    post.secret = IsPrivateFlag(secret) ? 1 : 0;
    if (post.to_who == page::kEverybody) {
      post.secret = 0;
      post.mode = "toall";
    } else {
      post.mode = post.to_who == my_name_ ? "toself" : "toother";
    }
    if (post.act == -5 || (!post.owner && post.to_who != my_name_ &&
                           !Reaches(post.level, TheApplication.Get(Key("_l_tt"))))) {
      post.text = text::ReplaceAll(post.text, "[", "&#91;");
    }
    if (!post.text.empty() && post.text.front() == '/') ActionPath(TheApplication, post);
  }
  const bool to_robot = post.error.empty() && post.to_who != my_name_ && post.to_who == post.robot;
  if (to_robot) RobotReply(TheApplication, post);

  lock.emplace(TheApplication);
  // Other requests may have changed the user list since the check: the
  // visit's record is found again and changed in place, and a visit that
  // ended meanwhile is not written back.
  visitor_ = SameVisit(live, *visitor_);
  RingChange ring(live);
  Variant& says = ring.says();
  Variant& current = ring.current();
  const std::string poster = text::ScriptStringEscape(my_name_);
  if (!post.error.empty()) {
    post.out += "parent.addsay(-1,'" + post.error + "','','" + poster + "',0,'990066','',-2,'" +
                GetTimeStr().ToText() + "');";
  } else if (post.to_who == my_name_) {
    post.out += "parent.addsay(-1,'" + post.text + "','" + poster + "','" + poster + "',1,'" +
                post.color1 + "','" + post.color2 + "'," + std::to_string(post.act) + ",'" +
                GetTimeStr().ToText() + "');";
  } else if (to_robot) {
    // Answered above, to the poster alone.
  } else {
    Variant who(my_name_), addressee(post.to_who), secret_flag(post.secret), room(room_id_),
        text(post.text), c1(post.color1), c2(post.color2), act(post.act);
    Newsay(who, addressee, secret_flag, room, text, c1, c2, act, says, current);
    if (visitor_) visitor_->set_field(user_field::kLastLine, env_->Now().ToString());
  }

  const std::string lines = GetNewSays(says, current, last_seen).ToText();
  std::string out;
  if (lines != page::kNothingToDeliver) out = "parent.addsay(" + lines + ");";
  out += post.out;

  const DateTime now = env_->Now();
  if (DateDiff("s", live.Counter("_chatroomclock").ToDate(), now) > 60) {
    out += "window.open('usercheck.asp','usercheck');";
    live.SetCounter("_chatroomclock", Variant(now));
  }
  const std::string newest = says.array().at(current.ToLong(), 0).ToText();
  out += "parent.ref(" + newest + ");</script>";

  if (visitor_) {
    visitor_->set_field(user_field::kLastPoll, env_->Now().ToString());
    visitor_->set_field(user_field::kDeliveredSayId, newest);
    StoreVisitor(TheApplication);
  }
  return Variant(page + out);
}

}  // namespace tavolin

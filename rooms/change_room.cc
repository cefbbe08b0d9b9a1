// Copyright Tavolin developers.
//
// Moving a visitor to another room: the target room's entry rules, the name
// moved between the two rooms' occupants, an entry notice in the new room and
// a leave notice in the old one (each carrying the script that updates the
// user lists of the people there), and the new room in the user record.
// The answer is empty on success, otherwise the refusal for the visitor.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/list_record.h"
#include "component/live_state.h"
#include "conversation/script_values.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// A level threshold from configuration; one that is not set counts as 0.
double LevelSetting(const Variant& value) {
  if (value.is_empty() || (value.is_string() && text::TrimBlanks(value.view()).empty())) return 0;
  return value.ToDouble();
}

// The refusal of the target room's entry rules, or nothing. Only visitors
// below the room-management level who do not own the room are subject to them.
std::optional<std::string> EntryRefusal(const LiveRecord& target, std::string_view name,
                                        int16_t level, const Variant& manage_level,
                                        const LiveState& live) {
  const std::string& owner = target.field(room_field::kOwner);
  if (owner == name || level - LevelSetting(manage_level) >= 0) return std::nullopt;

  const std::string room_name =
      "<font color=#009900>" + target.field(room_field::kName) + "</font>";
  if (target.field(room_field::kRobot) == name) return "你被拒绝进入" + room_name + "！";
  // A closed door only keeps people out while its owner is there to open it.
  if (target.field(room_field::kDoorOpen) == "0" && live.HasUser(owner)) {
    return room_name + "的门被关上了，请呼叫房主开门吧！";
  }
  const std::string& permit_level = target.field(room_field::kPermitLevel);
  if (Variant(permit_level).ToDouble() - level > 0) {
    return room_name + "限制级别" + permit_level + "以下的聊友进入！";
  }
  return std::nullopt;
}

// A notice template: the visible words, then the two colours of the line,
// separated by "::". A template with fewer parts cannot make a notice, so the
// move is refused with an error before anything is written.
std::vector<std::string> NoticeTemplate(const Variant& value, std::string_view key) {
  const std::string text = value.ToText();
  std::vector<std::string> parts;
  for (std::string_view part : text::Split(text, "::")) parts.emplace_back(part);
  if (parts.size() < 3) {
    throw CallError(ErrorCode::kSubscriptOutOfRange,
                    "the room notice " + std::string(key) +
                        " needs three parts separated by \"::\" (words, colour, colour)");
  }
  return parts;
}

}  // namespace

Variant Corvane::ChangeRoom(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  const std::string target_id(text::TrimBlanks(TheRequest.Item("toroom").ToText()));

  LiveState& live = Live(TheApplication);
  ApplicationLock lock(TheApplication);
  const int16_t level = CheckVisitor(TheSession, live);
  if (level == 0) return Variant("你还没有登陆到聊天室!");
  if (target_id.empty() || !live.HasRoom(target_id)) return Variant("你要去的房间并不存在!");
  if (Variant(target_id).ToDouble() - room_id_ == 0) return Variant("你已经在这个房间里了!");

  const LiveRecord target = *live.FindRoom(target_id);
  const std::string old_id = std::to_string(room_id_);
  const LiveRecord old_room = *live.FindRoom(old_id);  // the visitor check found it
  if (std::optional<std::string> refusal =
          EntryRefusal(target, my_name_, level, TheApplication.Get(Key("_l_delroom")), live)) {
    return Variant(std::move(*refusal));
  }
  const std::vector<std::string> enter =
      NoticeTemplate(TheApplication.Get(Key("_enterroomshow")), "_enterroomshow");
  const std::vector<std::string> leave =
      NoticeTemplate(TheApplication.Get(Key("_exitroomshow")), "_exitroomshow");

  // Each notice carries the script that adds the visitor to, or removes the
  // visitor from, the user list of everybody in that room.
  RingChange ring(live);
  Variant& says = ring.says();
  Variant& current = ring.current();
  Variant who(my_name_), is_public(int16_t{0}), notice(int16_t{-3});
  Variant old_name(old_room.field(room_field::kName)), new_room(target_id),
      entry_text(enter[0] + R"(<\script>parent.addl(\')" + my_name_ + R"(\',)" +
                 ScriptNumber(Variant(visitor_->field(user_field::kSex))) + R"(,\')" +
                 visitor_->field(user_field::kFace) + R"(\',\')" +
                 visitor_->field(user_field::kNote) + R"(\')</\script>)"),
      enter_c1(enter[1]), enter_c2(enter[2]);
  Newsay(who, old_name, is_public, new_room, entry_text, enter_c1, enter_c2, notice, says, current);
  Variant new_name(target.field(room_field::kName)), old_room_id(room_id_),
      leave_text(leave[0] + R"(<\script>parent.dell(\')" + my_name_ + R"(\')</\script>)"),
      leave_c1(leave[1]), leave_c2(leave[2]);
  Newsay(who, new_name, is_public, old_room_id, leave_text, leave_c1, leave_c2, notice, says,
         current);
  visitor_->set_field(user_field::kRoom, target_id);

  // Everything is computed before the first store, so a failure above leaves
  // the chat as it was. The name joins the target room's occupants and
  // leaves the old room's.
  live.ChangeOccupants(target_id, LiveState::OccupantChange::kAppend, my_name_);
  live.ChangeOccupants(old_id, LiveState::OccupantChange::kRemoveWordCollapse, my_name_);
  StoreVisitor(TheApplication);
  return Variant("");
}

}  // namespace tavolin

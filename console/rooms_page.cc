// Copyright Tavolin developers.
//
// The rooms page: every room with who is in it now, a form to change each,
// a form to open a new one, and closing a room.

#include <optional>
#include <string>

#include "component/list_record.h"
#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/room_operations.h"
#include "text/html_text.h"

namespace tavolin::console {

namespace {

constexpr std::string_view kAction = "/admin/rooms.asp";

RoomForm ReadForm(const ConsoleVisit& visit) {
  return {visit.Value("name"),         visit.Value("owner"),     visit.Value("robot"),
          visit.Value("description"),  visit.Value("top"),       visit.Value("title"),
          visit.Value("permit_level"), visit.Value("door_open"), visit.Value("keep"),
          visit.Value("experience")};
}

// The inputs of a room's form, filled with `room`.
std::string RoomInputs(const RoomForm& room) {
  return Input("名字", "name", room.name) + Input("房主", "owner", room.owner) +
         Input("机器人", "robot", room.robot) + Input("介绍", "description", room.description) +
         Input("标题", "top", room.top) + Input("话题", "title", room.title) +
         Input("进入级别", "permit_level", room.permit_level, "number") +
         Input("开门(1/0)", "door_open", room.door_open, "number") +
         Input("保留(1/0)", "keep", room.keep, "number") +
         Input("经验", "experience", room.experience, "number");
}

RoomForm FormOf(const LiveRecord& record) {
  const auto f = [&](int index) { return record.fields().at(index); };
  return {f(room_field::kName),        f(room_field::kOwner),    f(room_field::kRobot),
          f(room_field::kDescription), f(room_field::kTop),      f(room_field::kTitle),
          f(room_field::kPermitLevel), f(room_field::kDoorOpen), f(room_field::kKeep),
          f(room_field::kExperience)};
}

// The posted fields over the room's stored ones: a form that names only some
// (the command line's) keeps the others as this server has them.
RoomForm EditedForm(const ConsoleVisit& visit) {
  RoomForm form;
  for (const RoomView& room : ListRooms(visit.context)) {
    if (room.record.key() == visit.Value("id")) form = FormOf(room.record);
  }
  const std::pair<std::string_view, std::string*> fields[] = {{"name", &form.name},
                                                              {"owner", &form.owner},
                                                              {"robot", &form.robot},
                                                              {"description", &form.description},
                                                              {"top", &form.top},
                                                              {"title", &form.title},
                                                              {"permit_level", &form.permit_level},
                                                              {"door_open", &form.door_open},
                                                              {"keep", &form.keep},
                                                              {"experience", &form.experience}};
  for (const auto& [name, value] : fields) {
    if (visit.values.contains(name)) *value = visit.Value(name);
  }
  return form;
}

}  // namespace

std::optional<Outcome> RoomAction(ConsoleVisit& visit) {
  const std::string& what = visit.Value("do");
  if (what == "create") return CreateRoom(visit.context, ReadForm(visit));
  if (what == "edit") return EditRoom(visit.context, visit.Value("id"), EditedForm(visit));
  if (what == "delete") return DeleteRoom(visit.context, visit.Value("id"));
  return std::nullopt;
}

std::string RoomsPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  // A refused new room comes back as typed.
  const bool retyped = outcome && !outcome->done && visit.Value("do") == "create";
  std::string rows;
  std::string forms;
  for (const RoomView& room : ListRooms(visit.context)) {
    const auto f = [&](int index) -> const std::string& { return room.record.fields().at(index); };
    rows += TextRow({room.record.key(), f(room_field::kName), room.occupants, f(room_field::kOwner),
                     f(room_field::kRobot), f(room_field::kPermitLevel),
                     f(room_field::kDoorOpen) == "0" ? "关" : "开",
                     f(room_field::kKeep) == "1" ? "保留" : "", f(room_field::kExperience),
                     f(room_field::kLastActivity)});
    const std::string id = room.record.key();
    forms +=
        "<details><summary>" + text::HtmlEscape(id + " " + f(room_field::kName)) + "</summary>" +
        ActionForm(kAction, "edit", visit.token, Hidden("id", id) + RoomInputs(FormOf(room.record)),
                   "保存") +
        ActionForm(kAction, "delete", visit.token, Hidden("id", id), "删除这个房间") + "</details>";
  }
  return OutcomeHtml(outcome) +
         "<div class='scroll'><table class='list' id='rooms'><tr><th>号</th><th>名字</th>"
         "<th>在里面</th><th>房主</th><th>机器人</th><th>进入级别</th><th>门</th><th>保留</th>"
         "<th>经验</th><th>最后活动</th></tr>" +
         rows + "</table></div><h2>修改</h2>" + forms + "<h2>新房间</h2>" +
         ActionForm(kAction, "create", visit.token,
                    RoomInputs(retyped ? ReadForm(visit) : RoomForm{}), "建房间");
}

}  // namespace tavolin::console

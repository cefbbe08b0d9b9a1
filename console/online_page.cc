// Copyright Tavolin developers.
//
// Who is online now, room by room, and sending one out.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "component/list_record.h"
#include "console/console_html.h"
#include "console/console_pages.h"
#include "console/online_operations.h"
#include "text/html_text.h"

namespace tavolin::console {

std::optional<Outcome> OnlineAction(ConsoleVisit& visit) {
  if (visit.Value("do") == "send_out") return SendOut(visit.context, visit.Value("user"));
  return std::nullopt;
}

std::string OnlinePage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  std::map<std::string, std::string> room_names;
  std::vector<std::string> room_order;
  {
    LiveState& live = visit.context.live();
    ApplicationLock lock(visit.context.app());
    for (const std::string& key : live.RoomKeys()) {
      room_order.push_back(key);
      room_names[key] = live.FindRoom(key)->field(room_field::kName);
    }
  }
  std::map<std::string, std::string> rows_by_room;
  for (const OnlineVisitor& visitor : OnlineVisitors(visit.context)) {
    rows_by_room[visitor.room] += "<tr><td>" + text::HtmlEscape(visitor.name) + "</td><td>" +
                                  text::HtmlEscape(visitor.address) + "</td><td>" +
                                  text::HtmlEscape(visitor.level) + "</td><td>" +
                                  std::to_string(visitor.idle_minutes) + " 分钟</td><td>" +
                                  ActionForm("/admin/online.asp", "send_out", visit.token,
                                             Hidden("user", visitor.name), "请出去") +
                                  "</td></tr>";
  }
  std::string page = OutcomeHtml(outcome);
  for (const std::string& room : room_order) {
    if (!rows_by_room.contains(room)) continue;
    page += "<h2>" + text::HtmlEscape(room + " " + room_names[room]) +
            "</h2><div class='scroll'><table class='list'><tr><th>名字</th><th>地址</th>"
            "<th>级别</th><th>没说话</th><th></th></tr>" +
            rows_by_room[room] + "</table></div>";
  }
  return rows_by_room.empty() ? page + "<p>现在没有人在线。</p>" : page;
}

}  // namespace tavolin::console

// Copyright Tavolin developers.
//
// The admission rules of the login that need no database: proxies, the name
// against the password, the name's length and characters, and the capacity
// of the chat. They run in this order, and the first that fails decides the
// message, so an empty name with an empty password hears that the two are
// the same.

#include <optional>
#include <string>

#include "component/list_record.h"
#include "component/live_state.h"
#include "entry/login.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// A server variable with its surrounding spaces removed.
std::string TrimmedVariable(const Request& request, std::string_view name) {
  return std::string(text::TrimBlanks(request.ServerVariable(name).ToText()));
}

// Whether some room's robot bears `lower_name`, in any letter case.
bool IsRobotName(LiveState& live, Application& application, const std::string& lower_name) {
  ApplicationLock lock(application);
  for (const std::string& key : live.RoomKeys()) {
    const std::optional<LiveRecord> room = live.FindRoom(key);
    if (room && text::AsciiLower(room->field(room_field::kRobot)) == lower_name) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> Corvane::AdmissionRefusal(Application& application, Request& request,
                                                     Login& login) {
  login.ip = TrimmedVariable(request, "REMOTE_ADDR");
  const std::string via = TrimmedVariable(request, "HTTP_VIA");
  const std::string forwarded = TrimmedVariable(request, "HTTP_X_FORWARDED_FOR");
  // The switch is read as a number for every visitor, so a bad value shows
  // at once, not only behind a proxy. A proxy that sends only one of the two
  // headers is let through.
  const bool proxies_refused = application.Get(Key("_disableproxy")).ToDouble() - 1 == 0;
  if (!via.empty() && !forwarded.empty() && proxies_refused) return "管理员禁止通过代理登录！";

  // Read as a 32-bit number: a chat may hold more than 32,767 visitors.
  login.max_people = application.Get(Key("_maxpeople")).ToLong();
  login.name =
      std::string(text::LeftChars(text::TrimBlanks(request.Item("sUserName").ToText()), 10));
  login.typed_password = request.Item("sPass").ToText();
  login.lower_name = text::AsciiLower(login.name);
  SetFilterStr(application.Get(Key("_usernamefilter")));

  if (login.name == login.typed_password) return "错误：用户名与密码相同！";
  if (login.name.empty()) return "错误：用户名为空！";
  Variant name(login.name);
  const int32_t length = len_ch(name).ToLong();
  const Variant shortest = application.Get(Key("_namelength"));
  if (length - shortest.ToDouble() < 0) {
    return "错误：用户名长度不能太短至少" + shortest.ToText() + "个字符！";
  }
  // A hanzi counts two, so the limit in hanzi is doubled.
  const Variant longest = application.Get(Key("_maxnamelength"));
  if (length - 2 * longest.ToDouble() > 0) {
    return "错误：用户名长度不能长于10个英文字符或" + longest.ToText() + "个汉字！";
  }
  // A name stands inside script strings and script elements on every page of
  // the room, so these characters are refused whatever the installation allows.
  if (login.name.find_first_of("'\\\"<") != std::string::npos) {
    return "错误：用户名不能含有单引号、双引号、反斜杠或小于号！";
  }
  Variant lower_name(login.lower_name);
  Variant enabled = application.Get(Key("_usernameenable"));
  // 大家 addresses everybody in a line, so nobody may bear it.
  if (Chuser(lower_name, enabled).ToBoolean() || login.name == "大家") {
    return "错误：用户名含有非法字符！<a href=namefilter.asp>说明</a>";
  }
  // Lines to or from a room's robot must not be taken for a visitor's.
  if (IsRobotName(Live(application), application, login.lower_name)) {
    return "您的名字和房间机器人同名被拒绝进入！";
  }
  return std::nullopt;
}

std::optional<std::string> Corvane::CapacityRefusal(Application& application, const Login& login) {
  // Refuses only when more than the maximum are inside, so one more than the
  // maximum can be in the chat at once.
  LiveState& live = Live(application);
  int online = 0;
  {
    ApplicationLock lock(application);
    online = live.UserCount();
  }
  if (online - login.max_people > 0) return "对不起：聊天室已经满员了！";
  return std::nullopt;
}

}  // namespace tavolin

// Copyright Tavolin developers.
//
// Calling Corvane's methods by name, as the pages and the command-line tool
// do: one table entry per method, in interface order, with the number of
// variant arguments it takes and the host objects it needs.

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

using Args = std::vector<Variant>;

struct Method {
  std::string_view name;
  size_t required;  // variant arguments that must be given
  size_t optional;  // trailing variant arguments that may be left out
  bool needs_application;
  bool needs_session;
  bool needs_request;
  std::function<Variant(Corvane&, Args&, const HostObjects&)> call;
};

// The optional argument `i`, or nullptr when the caller left it out.
Variant* Optional(Args& args, size_t i) { return i < args.size() ? &args[i] : nullptr; }

const std::array<Method, 26>& Methods() {
  using H = const HostObjects&;
  static const std::array<Method, 26> methods = {{
      {"refresh", 0, 0, true, true, true,
       [](Corvane& c, Args&, H h) { return c.refresh(*h.application, *h.session, *h.request); }},
      {"getLevel", 2, 0, false, true, false,
       [](Corvane& c, Args& a, H h) { return c.getLevel(*h.session, a[0], a[1]); }},
      {"zhgl", 1, 0, false, false, false, [](Corvane& c, Args& a, H) { return c.zhgl(a[0]); }},
      {"trDb", 1, 0, false, false, false, [](Corvane& c, Args& a, H) { return c.trDb(a[0]); }},
      {"trHtml", 1, 0, false, false, false, [](Corvane& c, Args& a, H) { return c.trHtml(a[0]); }},
      {"GetTimeStr", 0, 1, false, false, false,
       [](Corvane& c, Args& a, H) { return c.GetTimeStr(Optional(a, 0)); }},
      {"GetDateStr", 0, 1, false, false, false,
       [](Corvane& c, Args& a, H) { return c.GetDateStr(Optional(a, 0)); }},
      {"AllDateStr", 0, 1, false, false, false,
       [](Corvane& c, Args& a, H) { return c.AllDateStr(Optional(a, 0)); }},
      {"Newsay", 10, 0, false, false, false,
       [](Corvane& c, Args& a, H) {
         c.Newsay(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]);
         return Variant();
       }},
      {"Chuser", 2, 0, false, false, false,
       [](Corvane& c, Args& a, H) { return c.Chuser(a[0], a[1]); }},
      {"trpass", 1, 0, false, false, false, [](Corvane& c, Args& a, H) { return c.trpass(a[0]); }},
      {"TrStr", 2, 0, false, false, false,
       [](Corvane& c, Args& a, H) { return c.TrStr(a[0], a[1]); }},
      {"subsay", 0, 0, true, true, true,
       [](Corvane& c, Args&, H h) { return c.subsay(*h.application, *h.session, *h.request); }},
      {"InitGlobal", 0, 0, true, false, false,
       [](Corvane& c, Args&, H h) { return c.InitGlobal(*h.application); }},
      {"len_ch", 1, 0, false, false, false, [](Corvane& c, Args& a, H) { return c.len_ch(a[0]); }},
      {"LoginCheck", 0, 0, true, true, true,
       [](Corvane& c, Args&, H h) {
         return c.LoginCheck(*h.application, *h.session, *h.request);
       }},
      {"ChatFrame", 0, 0, true, true, true,
       [](Corvane& c, Args&, H h) { return c.ChatFrame(*h.application, *h.session, *h.request); }},
      {"InitSayList", 0, 0, true, true, false,
       [](Corvane& c, Args&, H h) { return c.InitSayList(*h.application, *h.session); }},
      {"DelList", 2, 0, false, false, false,
       [](Corvane& c, Args& a, H) { return c.DelList(a[0], a[1]); }},
      {"GetListValue", 3, 0, false, false, false,
       [](Corvane& c, Args& a, H) { return c.GetListValue(a[0], a[1], a[2]); }},
      {"SetListValue", 5, 3, false, false, false,
       [](Corvane& c, Args& a, H) {
         return c.SetListValue(a[0], a[1], a[2], a[3], a[4], Optional(a, 5), Optional(a, 6),
                               Optional(a, 7));
       }},
      {"ChangeRoom", 0, 0, true, true, true,
       [](Corvane& c, Args&, H h) { return c.ChangeRoom(*h.application, *h.session, *h.request); }},
      {"RoomUpdate", 1, 0, true, false, false,
       [](Corvane& c, Args& a, H h) { return c.RoomUpdate(*h.application, a[0]); }},
      {"UserClear", 1, 0, true, false, false,
       [](Corvane& c, Args& a, H h) { return c.UserClear(*h.application, a[0]); }},
      {"preglobal_1", 0, 0, true, false, false,
       [](Corvane& c, Args&, H h) {
         c.preglobal_1(*h.application);
         return Variant();
       }},
      {"GetVer", 0, 0, false, false, false, [](Corvane& c, Args&, H) { return c.GetVer(); }},
  }};
  return methods;
}

void RequireHost(const void* object, std::string_view what, std::string_view method) {
  if (object == nullptr) {
    throw CallError(ErrorCode::kInvalidProcedureCall,
                    std::string(method) + " needs the " + std::string(what) + " object");
  }
}

}  // namespace

Variant CallByName(Corvane& object, std::string_view name, std::vector<Variant>& args,
                   const HostObjects& host) {
  for (const Method& method : Methods()) {
    if (!text::EqualsIgnoringAsciiCase(method.name, name)) continue;
    if (args.size() < method.required || args.size() > method.required + method.optional) {
      throw CallError(
          ErrorCode::kArgumentCount,
          std::string(method.name) + " takes " + std::to_string(method.required) +
              (method.optional ? " to " + std::to_string(method.required + method.optional)
                               : std::string()) +
              " arguments, not " + std::to_string(args.size()));
    }
    if (method.needs_application) RequireHost(host.application, "application", method.name);
    if (method.needs_session) RequireHost(host.session, "session", method.name);
    if (method.needs_request) RequireHost(host.request, "request", method.name);
    return method.call(object, args, host);
  }
  throw CallError(ErrorCode::kUnknownName, "Corvane has no method " + std::string(name));
}

}  // namespace tavolin
